#include "cli/CameraChoice.h"

#include "camera/CameraPath.h"
#include "camera/Discovery.h"
#include "cli/CameraSelector.h"

namespace kestrovane::cli {

namespace {

constexpr std::string_view kNoDevice = "No device";

bool Attached(CameraPort& cameras, const std::string& path) {
    std::unique_ptr<DeviceEnumerator> devices;
    if (cameras.EnumerateVideoInputs(&devices) != kS_OK || !devices) return false;
    std::unique_ptr<DeviceEntry> device;
    while (devices->Next(&device) == kS_OK && device) {
        std::string devicePath;
        if (device->ReadDevicePath(&devicePath) == kS_OK && devicePath == path) return true;
    }
    return false;
}

bool ShownInCaption(WindowList& windows, const std::string& path) {
    for (const std::string& title : windows.TopLevelWindowTitles()) {
        if (CheckWindowTitle(title, path)) return true;
    }
    return false;
}

std::optional<ChosenCamera> Refuse(CliSession& session, const std::string& why) {
    session.output.Error(kNoDevice);
    session.output.Hint(why);
    return std::nullopt;
}

}  // namespace

std::optional<ChosenCamera> ChooseCamera(CliSession& session, const std::string& name,
                                         bool mayBeAbsent) {
    std::string requested = name;
    if (!name.empty()) {
        std::string why;
        std::optional<std::string> path = ResolveCameraName(session, name, why);
        if (!path) return Refuse(session, why);
        requested = *path;
    }
    if (requested.empty()) {
        CameraPath chosen;
        std::unique_ptr<CameraClaim> claim;
        if (FindCamera(session.cameras, session.windows, session.clock, chosen, session.claims,
                       &claim) != 1) {
            return Refuse(session,
                          "No free Tovrine camera was found; `kestrovane-cli list` shows every "
                          "video device and which cameras other copies hold.");
        }
        return ChosenCamera{chosen.Get(), std::move(claim)};
    }
    if (!HasCameraVendorMarker(requested)) {
        return Refuse(session, "The path " + requested +
                                   " carries no Tovrine vendor id (VID_3A5E or VID_0C7B).");
    }
    if (!mayBeAbsent && !Attached(session.cameras, requested)) {
        return Refuse(session, "No camera is attached under " + requested +
                                   "; `kestrovane-cli list` shows the attached ones.");
    }
    std::unique_ptr<CameraClaim> claim;
    if (!ShownInCaption(session.windows, requested)) claim = session.claims.TryClaim(requested);
    if (!claim) {
        return Refuse(session,
                      "The camera " + requested + " is in use by another copy of the program.");
    }
    return ChosenCamera{requested, std::move(claim)};
}

}  // namespace kestrovane::cli
