#include "cli/CameraSelector.h"
#include "cli/TerminalText.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "camera/Discovery.h"
#include "cli/SimulatedCameras.h"

namespace kestrovane::cli {

namespace {

std::vector<std::optional<std::string>> ListedPaths(CameraPort& cameras) {
    HResult walked = kS_OK;
    return DevicePaths(cameras, walked);
}

bool IsIndex(const std::string& text) {
    return !text.empty() && text.size() <= 4 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The one attached camera whose note's `field` is `wanted`.
template <typename Field>
std::optional<std::string> ByNote(CliSession& session, const std::string& wanted, Field field,
                                  const std::string& what, std::string& why) {
    std::vector<std::string> matches;
    for (const std::optional<std::string>& path : ListedPaths(session.cameras)) {
        if (!path || !HasCameraVendorMarker(*path)) continue;
        for (const DeviceNote& note : DeviceNotesOf(session)) {
            if (note.path == *path && field(note) == wanted) matches.push_back(*path);
        }
    }
    if (matches.size() == 1) return matches.front();
    why = matches.empty()
              ? "No Tovrine camera with the " + what + " " + TerminalSafe(wanted) +
                    " is attached; `kestrovane-cli list` shows each camera's serial and port."
              : std::to_string(matches.size()) + " cameras have the " + what + " " +
                    TerminalSafe(wanted) + "; name one by its index or path.";
    return std::nullopt;
}

}  // namespace

// The device paths in the order `list` numbers them; none for a device whose
// path cannot be read (it still takes its number).
std::vector<std::optional<std::string>> DevicePaths(CameraPort& cameras, HResult& walked) {
    std::vector<std::optional<std::string>> paths;
    std::unique_ptr<DeviceEnumerator> devices;
    walked = cameras.EnumerateVideoInputs(&devices);
    if (walked != kS_OK || !devices) return paths;
    std::unique_ptr<DeviceEntry> device;
    while (devices->Next(&device) == kS_OK && device) {
        std::string path;
        if (device->ReadDevicePath(&path) == kS_OK) {
            paths.emplace_back(std::move(path));
        } else {
            paths.emplace_back(std::nullopt);
        }
        device.reset();
    }
    return paths;
}

std::vector<DeviceNote> DeviceNotesOf(CliSession& session) {
    if (session.simulated) return session.simulated->Notes();
    if (session.platform) return session.platform->DeviceNotes();
    return {};
}

std::optional<std::string> ResolveCameraName(CliSession& session, const std::string& name,
                                             std::string& why) {
    if (name.rfind("serial:", 0) == 0) {
        return ByNote(
            session, name.substr(7), [](const DeviceNote& note) { return note.serial; }, "serial",
            why);
    }
    if (name.rfind("port:", 0) == 0) {
        return ByNote(
            session, name.substr(5),
            [](const DeviceNote& note) { return note.port.value_or(std::string()); }, "port", why);
    }
    if (!IsIndex(name)) return name;
    const std::vector<std::optional<std::string>> paths = ListedPaths(session.cameras);
    const int index = std::stoi(name);
    if (index < 1 || static_cast<std::size_t>(index) > paths.size()) {
        why = "There is no device " + name + "; `kestrovane-cli list` numbers the " +
              std::to_string(paths.size()) + " attached video devices from 1.";
        return std::nullopt;
    }
    const std::optional<std::string>& path = paths[static_cast<std::size_t>(index) - 1];
    if (!path) {
        why = "The path of device " + name + " cannot be read.";
        return std::nullopt;
    }
    return *path;
}

bool RefuseToGuess(CliSession& session, const std::string& requested) {
    if (!requested.empty()) return false;
    const std::vector<std::optional<std::string>> paths = ListedPaths(session.cameras);
    const std::vector<std::string> titles = session.windows.TopLevelWindowTitles();
    std::map<std::string, DeviceNote> notes;
    for (DeviceNote& note : DeviceNotesOf(session)) notes[note.path] = note;

    Json candidates = Json::array();
    std::vector<std::string> lines;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        const std::optional<std::string>& path = paths[index];
        if (!path || !HasCameraVendorMarker(*path)) continue;
        if (std::any_of(titles.begin(), titles.end(),
                        [&](const std::string& title) { return CheckWindowTitle(title, *path); })) {
            continue;
        }
        // Taken and let go at once: only whether another copy holds it counts.
        if (!session.claims.TryClaim(*path)) continue;
        const DeviceNote note = notes.count(*path) ? notes[*path] : DeviceNote{};
        std::string line = "  " + std::to_string(index + 1) + ": " + TerminalSafe(*path);
        if (!note.serial.empty()) line += ", serial " + TerminalSafe(note.serial);
        if (note.port) line += ", port " + TerminalSafe(*note.port);
        lines.push_back(line);
        candidates.push_back({{"index", index + 1},
                              {"path", *path},
                              {"serial", note.serial.empty() ? Json() : Json(note.serial)},
                              {"port", note.port ? Json(*note.port) : Json()}});
    }
    if (lines.size() < 2) return false;
    Output& output = session.output;
    output.Error(std::to_string(lines.size()) +
                 " free cameras are attached; this command writes to one camera and does not "
                 "guess which:");
    for (const std::string& line : lines) output.Hint(line);
    output.Hint("Name one with --camera (its index, serial:TEXT, port:TEXT or its path), or "
                "use --all where the command has it.");
    output.Document()["candidates"] = candidates;
    return true;
}

}  // namespace kestrovane::cli
