#pragma once

#include <functional>
#include <string>

#include "camera/XuTypes.h"

namespace kestrovane::linux_camera {

// Where the adapters write what went wrong in words (the failing system call,
// its file and the errno text), for a verbose mode; empty: nobody listens. It
// is called on whichever thread meets the failure.
using VerboseSink = std::function<void(const std::string& line)>;

// "Permission denied (errno 13)".
std::string ErrnoText(int error);

// True for the errors of a caller who lacks the rights.
bool IsAccessDenied(int error);

// True for the errors of a device that has gone (unplugged, unbound).
bool IsDeviceGone(int error);

// The port's failure status for an errno: access denied and device gone keep
// their own values, everything else is a plain failure.
HResult HResultFromErrno(int error);

// The platform's E_ACCESSDENIED.
inline constexpr HResult kE_ACCESSDENIED = static_cast<HResult>(0x80070005u);

}  // namespace kestrovane::linux_camera
