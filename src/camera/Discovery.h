#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "camera/CameraClaim.h"
#include "camera/CameraPath.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/WindowList.h"

namespace kestrovane {

// The camera an operation talks to: the device enumeration to walk and the
// device path to look for. Each operation names its camera explicitly, so a
// worker keeps the path recorded at its start while the dialog chooses anew.
struct CameraTarget {
    CameraPort& cameras;
    std::string path;
};

// Vendor ids that mark a Tovrine camera, tried in this order.
inline constexpr std::array<std::string_view, 2> cameraVendorMarkers{"VID_3A5E", "VID_0C7B"};

std::string ToUpperAscii(std::string_view text);

// True when `text`, upper-cased, contains one of the vendor markers anywhere.
bool HasCameraVendorMarker(std::string_view text);

// True when a top-level window with this title claims the camera at
// `cameraPath`: the title equals the path exactly, letter case included.
bool CheckWindowTitle(std::string_view windowTitle, std::string_view cameraPath);

// Chooses the first camera with a vendor marker that no window claims and
// stores its path in `cameraPath`. Returns 1 when a camera was chosen, 0
// otherwise; `cameraPath` changes only when a camera was chosen.
int FindCamera(CameraPort& cameras, WindowList& windows, Clock& clock, CameraPath& cameraPath);

// FindCamera for a caller that goes on to claim the camera (the Upload
// button): a camera is chosen only when its claim could be taken as well, and
// the claim is handed over in `claim`. A camera whose claim another copy holds
// is passed over like one whose path a window shows.
int FindCamera(CameraPort& cameras, WindowList& windows, Clock& clock, CameraPath& cameraPath,
               CameraClaims& claims, std::unique_ptr<CameraClaim>* claim);

// A camera chosen together with its claim.
struct ClaimedCamera {
    std::string path;
    std::unique_ptr<CameraClaim> claim;
};

// Every camera FindCamera with claims could choose, in enumeration order, each
// claimed: the cameras with a vendor marker that no window claims and whose
// claim could be taken. One walk over the devices serves them all, so a
// caller that works many cameras at once does not walk again for each.
std::vector<ClaimedCamera> FindAllCameras(CameraPort& cameras, WindowList& windows, Clock& clock,
                                          CameraClaims& claims);

// Binds the capture filter of the camera at `camera.path`. Returns XU_OK with
// `*filter` set, or XU_NO_DEVICE with `*filter` untouched. A device whose path
// cannot be read is passed over.
int OpenCamera(const CameraTarget& camera, std::unique_ptr<CaptureFilter>* filter);

}  // namespace kestrovane
