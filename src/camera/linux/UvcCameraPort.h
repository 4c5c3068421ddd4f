#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "camera/CameraPort.h"
#include "camera/linux/SystemError.h"
#include "camera/linux/UvcDeviceIo.h"

namespace kestrovane::linux_camera {

struct UvcCameraPortOptions {
    // Where sysfs is mounted; tests point it at a synthetic tree.
    std::filesystem::path sysfsRoot = "/sys";
    // Where the video nodes are.
    std::filesystem::path deviceFolder = "/dev";
    // The system calls on a video node; null: the real ones.
    std::shared_ptr<UvcDeviceIo> io;
    VerboseSink verbose;
};

struct UvcPortContext;

// One video capture device as the command line lists it.
struct CaptureDevice {
    std::string devicePath;  // the camera port's path
    std::string videoNode;   // "/dev/video0"
    std::string product;     // the USB product text; empty when the device has none
    std::string serial;      // the USB serial number; empty when the device has none
    std::string port;        // the bus and port chain ("1-2.3")
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool vendorMarker = false;   // a Tovrine camera by its vendor id
    bool extensionUnit = false;  // its descriptors carry the vendor's extension unit
    bool accessible = false;     // this user may open the node for reading and writing
};

// The camera port over the kernel's UVC driver. The video capture devices are
// the video4linux nodes of USB interfaces, the first node of each interface
// (its index 0; the metadata nodes that follow are passed over), in order of
// node number. A bound filter holds its node open; its topology has one node
// per extension unit of the camera's VideoControl interface, and the unit
// whose GUID is the vendor's property set is the node of type
// KSNODETYPE_DEV_SPECIFIC. Its property control sends each request as a
// UVCIOC_CTRL_QUERY (SET_CUR, GET_CUR) to that unit's id as the descriptors
// give it.
class UvcCameraPort final : public CameraPort {
public:
    explicit UvcCameraPort(UvcCameraPortOptions options = {});

    HResult EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) override;

    // Every video capture device of the machine, in enumeration order, with
    // what a user needs to know to pick one or to mend its access.
    std::vector<CaptureDevice> CaptureDevices();

private:
    std::shared_ptr<const UvcPortContext> context_;
};

}  // namespace kestrovane::linux_camera
