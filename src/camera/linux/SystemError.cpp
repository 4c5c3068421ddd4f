#include "camera/linux/SystemError.h"

#include <cerrno>
#include <system_error>

namespace kestrovane::linux_camera {

std::string ErrnoText(int error) {
    return std::generic_category().message(error) + " (errno " + std::to_string(error) + ")";
}

bool IsAccessDenied(int error) {
    return error == EACCES || error == EPERM;
}

bool IsDeviceGone(int error) {
    return error == ENODEV || error == ENXIO || error == ENOENT || error == ESHUTDOWN;
}

HResult HResultFromErrno(int error) {
    if (IsAccessDenied(error)) return kE_ACCESSDENIED;
    if (IsDeviceGone(error)) return kE_DEVICE_GONE;
    return kE_FAIL;
}

}  // namespace kestrovane::linux_camera
