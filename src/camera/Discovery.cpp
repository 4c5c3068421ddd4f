#include "camera/Discovery.h"

#include <algorithm>
#include <cctype>

namespace kestrovane {

namespace {

// Pause after looking at the window list, so that a copy that is just setting
// its caption has time to show it.
constexpr uint32_t kClaimCheckPauseMs = 100;

}  // namespace

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

bool HasCameraVendorMarker(std::string_view text) {
    const std::string upper = ToUpperAscii(text);
    return std::any_of(
        cameraVendorMarkers.begin(), cameraVendorMarkers.end(),
        [&](std::string_view marker) { return upper.find(marker) != std::string::npos; });
}

bool CheckWindowTitle(std::string_view windowTitle, std::string_view cameraPath) {
    return windowTitle == cameraPath;
}

namespace {

// Whether a walk over the cameras goes on after one of them.
enum class Walk { Continue, Stop };

// Walks the devices and offers each camera that no window claims to `take`,
// which claims it or passes it over, and ends the walk when it has enough.

template <typename Take>
void WalkUnclaimedCameras(CameraPort& cameras, WindowList& windows, Clock& clock, Take take) {
    std::unique_ptr<DeviceEnumerator> devices;
    if (cameras.EnumerateVideoInputs(&devices) != kS_OK || !devices) return;

    std::unique_ptr<DeviceEntry> device;
    while (devices->Next(&device) == kS_OK && device) {
        std::string path;
        if (device->ReadDevicePath(&path) != kS_OK) continue;
        if (!HasCameraVendorMarker(path)) continue;

        bool pathUnclaimed = true;
        for (const std::string& title : windows.TopLevelWindowTitles()) {
            if (CheckWindowTitle(title, path)) pathUnclaimed = false;
        }
        clock.SleepMs(kClaimCheckPauseMs);
        if (!pathUnclaimed) continue;
        if (take(path) == Walk::Stop) return;
    }
}

int FindUnclaimedCamera(CameraPort& cameras, WindowList& windows, Clock& clock,
                        CameraPath& cameraPath, CameraClaims* claims,
                        std::unique_ptr<CameraClaim>* claim) {
    int found = 0;
    WalkUnclaimedCameras(cameras, windows, clock, [&](const std::string& path) {
        if (claims) {
            std::unique_ptr<CameraClaim> held = claims->TryClaim(path);
            if (!held) return Walk::Continue;
            *claim = std::move(held);
        }
        cameraPath.Set(path);
        found = 1;
        return Walk::Stop;
    });
    return found;
}

}  // namespace

int FindCamera(CameraPort& cameras, WindowList& windows, Clock& clock, CameraPath& cameraPath) {
    return FindUnclaimedCamera(cameras, windows, clock, cameraPath, nullptr, nullptr);
}

int FindCamera(CameraPort& cameras, WindowList& windows, Clock& clock, CameraPath& cameraPath,
               CameraClaims& claims, std::unique_ptr<CameraClaim>* claim) {
    return FindUnclaimedCamera(cameras, windows, clock, cameraPath, &claims, claim);
}

std::vector<ClaimedCamera> FindAllCameras(CameraPort& cameras, WindowList& windows, Clock& clock,
                                          CameraClaims& claims) {
    // One look at the window list for the whole walk, then one pause for all
    // of the cameras it found free, then their claims: a copy that is just
    // setting its caption gets the same time as with one camera, and the
    // pause is not paid once per camera, one after another.
    std::unique_ptr<DeviceEnumerator> devices;
    if (cameras.EnumerateVideoInputs(&devices) != kS_OK || !devices) return {};
    const std::vector<std::string> titles = windows.TopLevelWindowTitles();
    std::vector<std::string> candidates;
    bool sawCamera = false;
    std::unique_ptr<DeviceEntry> device;
    while (devices->Next(&device) == kS_OK && device) {
        std::string path;
        if (device->ReadDevicePath(&path) != kS_OK) continue;
        if (!HasCameraVendorMarker(path)) continue;
        sawCamera = true;
        const bool shown = std::any_of(titles.begin(), titles.end(), [&](const std::string& title) {
            return CheckWindowTitle(title, path);
        });
        if (!shown) candidates.push_back(std::move(path));
    }
    devices.reset();
    if (sawCamera) clock.SleepMs(kClaimCheckPauseMs);
    std::vector<ClaimedCamera> found;
    for (std::string& path : candidates) {
        if (std::unique_ptr<CameraClaim> held = claims.TryClaim(path)) {
            found.push_back({std::move(path), std::move(held)});
        }
    }
    return found;
}

int OpenCamera(const CameraTarget& camera, std::unique_ptr<CaptureFilter>* filter) {
    std::unique_ptr<DeviceEnumerator> devices;
    if (camera.cameras.EnumerateVideoInputs(&devices) != kS_OK || !devices) return XU_NO_DEVICE;

    std::unique_ptr<DeviceEntry> device;
    while (devices->Next(&device) == kS_OK && device) {
        std::string path;
        if (device->ReadDevicePath(&path) != kS_OK) continue;
        if (!HasCameraVendorMarker(path) || path != camera.path) continue;

        std::unique_ptr<CaptureFilter> bound;
        if (Succeeded(device->BindFilter(&bound)) && bound) {
            *filter = std::move(bound);
            return XU_OK;
        }
    }
    return XU_NO_DEVICE;
}

}  // namespace kestrovane
