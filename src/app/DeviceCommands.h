#pragma once

#include <optional>
#include <string>

#include "app/DialogWindow.h"
#include "camera/CameraClaim.h"
#include "camera/CameraPath.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/WindowList.h"

namespace kestrovane {

// What the main dialog's camera buttons need to choose a camera and talk to it.
struct CameraAccess {
    CameraPort& cameras;
    WindowList& windows;
    Clock& clock;
    CameraPath& cameraPath;
    // Erase takes only a camera whose claim it can hold: another copy's claim
    // (a command line's upload, a register dump) shows in no caption.
    CameraClaims& claims;
};

// Get Version: reads the image and hardware version texts from the EEPROM of
// the camera FindCamera chooses and shows them in statics 1057 and 1058, under
// the wait cursor. Bytes that could not be read show as nothing; the texts'
// 8-bit characters show through the window's ANSI code page.
void ShowDeviceVersions(DialogWindow& window, CameraAccess& access);

// Erase: after the user confirms, overwrites the EEPROM's first two bytes (the
// image's marker) with 0xFF, holding the camera's claim meanwhile. Nothing is
// sent when no camera can be chosen and claimed, and
// "Erase Finished" is shown only when all three erase requests went through.
void EraseDeviceImage(DialogWindow& window, CameraAccess& access);

// The text of static 1010 for an image file: "Bin Version:" and the version
// stored at 0x70, or nothing when the file cannot be opened. A file that ends
// inside the field gives the text of the bytes it has. The version's 8-bit
// characters as `window` shows them (its ANSI code page).
std::optional<std::string> FileBinVersionText(DialogWindow& window, const std::string& path);

}  // namespace kestrovane
