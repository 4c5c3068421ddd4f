#include "camera/linux/UvcDeviceIo.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrovane::linux_camera {

int SystemUvcDeviceIo::Open(const std::string& nodePath) {
    const int descriptor = ::open(nodePath.c_str(), O_RDWR | O_CLOEXEC);
    return descriptor >= 0 ? descriptor : -errno;
}

int SystemUvcDeviceIo::Ioctl(int descriptor, unsigned long request, uvc_xu_control_query& query) {
    // The driver gives EINTR only while it waits for its control lock, before
    // anything goes to the camera, so asking again cannot send a request twice.
    int result;
    do {
        result = ::ioctl(descriptor, request, &query);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : 0;
}

void SystemUvcDeviceIo::Close(int descriptor) {
    ::close(descriptor);
}

}  // namespace kestrovane::linux_camera
