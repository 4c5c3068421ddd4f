#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "camera/XuTypes.h"

namespace kestrovane {

// The camera port, shaped like kernel streaming: the video capture devices in
// enumeration order, the capture filter of one of them, its topology and its
// property control. Every object handed out is owned by the receiver; dropping
// it releases the platform object behind it exactly once.

// Sends property requests to one filter.
class PropertyControl {
public:
    virtual ~PropertyControl() = default;
    // One request: `length` bytes of `data` go out (SET) or come back into it
    // (GET). Only kS_OK is success.
    virtual HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                               uint32_t* bytesReturned) = 0;
};

class Topology {
public:
    virtual ~Topology() = default;
    virtual HResult NumNodes(uint32_t* count) = 0;
    virtual HResult NodeType(uint32_t nodeId, Guid* type) = 0;
};

class CaptureFilter {
public:
    virtual ~CaptureFilter() = default;
    // kS_OK with the interface, anything else without it.
    virtual HResult QueryTopology(std::unique_ptr<Topology>* topology) = 0;
    virtual HResult QueryPropertyControl(std::unique_ptr<PropertyControl>* control) = 0;
};

// One video capture device of the enumeration.
class DeviceEntry {
public:
    virtual ~DeviceEntry() = default;
    // kS_OK with the device path as the device reports it; any other value
    // when the path cannot be read.
    virtual HResult ReadDevicePath(std::string* path) = 0;
    // A non-negative result with the bound filter; negative when it does not bind.
    virtual HResult BindFilter(std::unique_ptr<CaptureFilter>* filter) = 0;
};

class DeviceEnumerator {
public:
    virtual ~DeviceEnumerator() = default;
    // kS_OK with the next device; any other value ends the walk.
    virtual HResult Next(std::unique_ptr<DeviceEntry>* entry) = 0;
};

class CameraPort {
public:
    virtual ~CameraPort() = default;
    // kS_OK with an enumerator positioned at the first video capture device.
    // kS_FALSE when the category holds no device, negative on failure.
    virtual HResult EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) = 0;
};

}  // namespace kestrovane
