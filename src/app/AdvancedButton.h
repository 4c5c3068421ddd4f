#pragma once

#include <functional>
#include <string>

#include "app/AppServices.h"
#include "app/DialogWindow.h"

namespace kestrovane {

// The main dialog's Advanced button: runs the Advanced dialog modally with a
// copy of the image path and the selected EEPROM type, and when it has closed
// shows the image file's version again in `mainWindow` (the dialog may have
// changed it). `uploadActive` tells whether the main dialog's upload runs.
void RunAdvancedButton(const AppServices& services, DialogWindow& mainWindow,
                       const std::string& binFilePath, int eepromType,
                       std::function<bool()> uploadActive);

}  // namespace kestrovane
