#pragma once

#include <cstdint>
#include <string>

#include "image/EepromType.h"

namespace kestrovane {

// What an upload run works with, recorded when the Upload button is clicked.
// The run uses these values from start to end: changing an option in the
// dialog meanwhile only affects the next run.
struct UploadSettings {
    std::string imagePath;
    EepromType eepromType = kNoEepromType;  // the combo's selection, -1 for none
    uint32_t blockDelayMs = 20;
    bool verifyAfterWrite = true;
    bool verifyOnly = false;
    bool runNewBin = false;
    bool forceEepromType = false;
    int32_t forcedEepromKind = 1;  // its low byte goes to the camera
    std::string cameraPath;        // the camera claimed at the click
    // A log to append one record to per camera the run serves; empty: none.
    std::string operationLog;
};

}  // namespace kestrovane
