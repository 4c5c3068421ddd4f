// list: every video device the camera port sees.
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "cli/CameraSelector.h"
#include "cli/Commands.h"
#include "cli/TerminalText.h"

namespace kestrovane::cli {

namespace {

struct ListedDevice {
    std::optional<std::string> path;  // none: the device's path cannot be read
    bool vendorMarker = false;
    bool claimed = false;  // by a window's caption or another copy's claim
    std::optional<XuProtocolLevel> level;
    int probeResult = XU_OK;
    std::optional<DeviceNote> note;
};


bool ShownInCaption(const std::vector<std::string>& titles, const std::string& path) {
    for (const std::string& title : titles) {
        if (CheckWindowTitle(title, path)) return true;
    }
    return false;
}

// The device's serial number and port, at the line's end.
std::string Identity(const ListedDevice& device) {
    if (!device.note) return {};
    std::string text;
    if (!device.note->serial.empty()) text += ", serial " + TerminalSafe(device.note->serial);
    if (device.note->port) text += ", port " + TerminalSafe(*device.note->port);
    return text;
}

std::string DescribeState(const ListedDevice& device) {
    if (!device.path) return "device path unreadable";
    std::string text = device.vendorMarker ? "Tovrine camera" : "other video device";
    if (device.note) {
        if (!device.note->node.empty()) text += ", " + device.note->node;
        if (!device.note->product.empty()) {
            text += ", \"" + TerminalSafe(device.note->product) + "\"";
        }
        if (device.note->accessible == false) text += ", no access";
        if (device.vendorMarker && device.note->extensionUnit == false) {
            text += ", no extension unit";
        }
    }
    if (!device.vendorMarker) return text;
    if (device.claimed) return text + ", claimed";
    text += ", free";
    if (device.level) return text + ", protocol level " + std::to_string(*device.level);
    return text + ", protocol level unknown (" +
           (device.probeResult == XU_NO_DEVICE       ? std::string("cannot be opened")
            : device.probeResult == XU_NOT_SUPPORTED ? std::string("no extension unit")
                                                     : std::string("no answer")) +
           ")";
}

std::string Describe(const ListedDevice& device) {
    return DescribeState(device) + Identity(device);
}

Json DeviceJson(const ListedDevice& device) {
    Json json = Json::object();
    json["path"] = device.path ? Json(*device.path) : Json(nullptr);
    json["vendorMarker"] = device.vendorMarker;
    json["claimed"] = device.vendorMarker ? Json(device.claimed) : Json(nullptr);
    json["protocolLevel"] = device.level ? Json(*device.level) : Json(nullptr);
    json["serial"] =
        device.note && !device.note->serial.empty() ? Json(device.note->serial) : Json(nullptr);
    json["port"] = device.note && device.note->port ? Json(*device.note->port) : Json(nullptr);
    if (device.note) {
        json["node"] = device.note->node;
        json["product"] = device.note->product;
        json["accessible"] = device.note->accessible ? Json(*device.note->accessible) : Json();
        json["extensionUnit"] =
            device.note->extensionUnit ? Json(*device.note->extensionUnit) : Json();
    }
    return json;
}

}  // namespace

ExitCode RunList(CliSession& session) {
    Output& output = session.output;
    HResult walked = kS_OK;
    const std::vector<std::optional<std::string>> paths = DevicePaths(session.cameras, walked);
    if (walked < 0) {
        char status[16];
        std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(walked));
        output.Error("The video devices could not be listed (status " + std::string(status) + ").");
        return ExitCode::Failed;
    }
    std::map<std::string, DeviceNote> notes;
    for (DeviceNote& note : DeviceNotesOf(session)) notes[note.path] = note;
    const std::vector<std::string> titles = session.windows.TopLevelWindowTitles();

    std::vector<ListedDevice> listed;
    std::size_t cameras = 0;
    std::size_t inaccessible = 0;
    for (const std::optional<std::string>& path : paths) {
        ListedDevice device;
        device.path = path;
        if (path) {
            device.vendorMarker = HasCameraVendorMarker(*path);
            if (auto note = notes.find(*path); note != notes.end()) device.note = note->second;
        }
        if (device.note && device.note->accessible == false) ++inaccessible;
        if (device.vendorMarker) {
            ++cameras;
            // Only a camera this copy can claim is asked for its level; a
            // claimed one may be in the middle of an upload.
            std::unique_ptr<CameraClaim> claim;
            if (!ShownInCaption(titles, *path)) claim = session.claims.TryClaim(*path);
            device.claimed = claim == nullptr;
            if (claim) {
                XuProtocolLevel level = 0;
                device.probeResult = QueryXuProtocol({session.cameras, *path}, level);
                if (device.probeResult == XU_OK) device.level = level;
            }
        }
        listed.push_back(std::move(device));
    }

    Json devices = Json::array();
    // Each device's number is what --camera N takes.
    for (std::size_t index = 0; index < listed.size(); ++index) {
        const ListedDevice& device = listed[index];
        output.Line(std::to_string(index + 1) + ": " +
                    (device.path ? TerminalSafe(*device.path) : "(unknown path)"));
        output.Line("    " + Describe(device));
        Json json = DeviceJson(device);
        json["index"] = index + 1;
        devices.push_back(json);
    }
    output.Document()["devices"] = devices;
    output.Document()["cameras"] = cameras;
    if (cameras == 0) {
        output.Error(listed.empty() ? "No camera: no video device was found."
                                    : "No camera: none of the " + std::to_string(listed.size()) +
                                          " video devices carries a Tovrine vendor id "
                                          "(VID_3A5E or VID_0C7B).");
        if (inaccessible > 0) {
            output.Hint(
                "Some video devices cannot be opened by this user; see the README on "
                "camera access.");
        }
        return ExitCode::NoCamera;
    }
    if (inaccessible > 0) {
        output.Notice(std::to_string(inaccessible) +
                      " device(s) cannot be opened by this user; see the README on camera "
                      "access (the udev rule, or the group video).");
    }
    return ExitCode::Done;
}

}  // namespace kestrovane::cli
