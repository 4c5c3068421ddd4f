// v4l2-probe NODE: what any V4L2 program asks a capture node first (its
// capabilities, formats, frame sizes, and the brightness control with its
// range), printed one fact a line for the kernel test. Querying a control
// makes the UVC driver ask the camera's processing unit for its limits.
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int Query(int node, unsigned long request, void* argument) {
    int result;
    do {
        result = ::ioctl(node, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: v4l2-probe NODE\n");
        return 2;
    }
    const int node = ::open(argv[1], O_RDWR | O_CLOEXEC);
    if (node < 0) {
        std::fprintf(stderr, "v4l2-probe: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    v4l2_capability capability{};
    if (Query(node, VIDIOC_QUERYCAP, &capability) != 0) {
        std::fprintf(stderr, "v4l2-probe: VIDIOC_QUERYCAP: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("driver %s\n", reinterpret_cast<const char*>(capability.driver));
    std::printf("capture %s\n", (capability.device_caps & V4L2_CAP_VIDEO_CAPTURE) ? "yes" : "no");
    for (unsigned index = 0;; ++index) {
        v4l2_fmtdesc format{};
        format.index = index;
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Query(node, VIDIOC_ENUM_FMT, &format) != 0) break;
        const unsigned code = format.pixelformat;
        std::printf("format %c%c%c%c\n", code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF,
                    code >> 24);
        v4l2_frmsizeenum size{};
        size.pixel_format = code;
        for (size.index = 0; Query(node, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                std::printf("size %ux%u\n", size.discrete.width, size.discrete.height);
            }
        }
    }
    v4l2_queryctrl control{};
    control.id = V4L2_CID_BRIGHTNESS;
    int status = 0;
    if (Query(node, VIDIOC_QUERYCTRL, &control) == 0) {
        std::printf("brightness %d..%d step %d default %d\n", control.minimum, control.maximum,
                    control.step, control.default_value);
        v4l2_control value{V4L2_CID_BRIGHTNESS, 0};
        if (Query(node, VIDIOC_G_CTRL, &value) == 0) {
            std::printf("brightness now %d\n", value.value);
        } else {
            std::printf("brightness read failed: %s\n", std::strerror(errno));
            status = 1;
        }
    } else {
        std::printf("brightness missing: %s\n", std::strerror(errno));
        status = 1;
    }
    ::close(node);
    return status;
}
