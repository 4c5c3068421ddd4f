#pragma once

#include <linux/uvcvideo.h>

#include <string>

namespace kestrovane::linux_camera {

// The system calls the camera port makes on a video node, behind a seam so
// that tests see every UVCIOC_CTRL_QUERY exactly as the driver would.
class UvcDeviceIo {
public:
    virtual ~UvcDeviceIo() = default;
    // A descriptor of `nodePath` opened for reading and writing, or -errno.
    virtual int Open(const std::string& nodePath) = 0;
    // ioctl(descriptor, request, query): 0 on success, or -errno. `query.data`
    // points at `query.size` bytes, read by SET_CUR and written by GET_CUR.
    virtual int Ioctl(int descriptor, unsigned long request, uvc_xu_control_query& query) = 0;
    virtual void Close(int descriptor) = 0;
};

// The real system calls.
class SystemUvcDeviceIo final : public UvcDeviceIo {
public:
    int Open(const std::string& nodePath) override;
    int Ioctl(int descriptor, unsigned long request, uvc_xu_control_query& query) override;
    void Close(int descriptor) override;
};

}  // namespace kestrovane::linux_camera
