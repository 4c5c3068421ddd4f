#pragma once

#include "camera/CameraPort.h"

namespace kestrovane::win32 {

// The camera port over DirectShow's video-input device enumeration and the
// kernel-streaming interfaces of the capture filters. COM is initialised on
// whatever thread enumerates, as every camera operation starts with it.
class DirectShowCameraPort final : public CameraPort {
public:
    HResult EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) override;
};

}  // namespace kestrovane::win32
