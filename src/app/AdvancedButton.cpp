#include "app/AdvancedButton.h"

#include "app/AdvancedDialog.h"
#include "app/UploadDialogIds.h"
#include "app/DeviceCommands.h"

namespace kestrovane {

void RunAdvancedButton(const AppServices& services, DialogWindow& mainWindow,
                       const std::string& binFilePath, int eepromType,
                       std::function<bool()> uploadActive) {
    {
        AdvancedDialog advanced(services, binFilePath, eepromType, std::move(uploadActive));
        services.dialogHost.RunModal(advanced);
    }
    if (binFilePath.empty()) return;
    // Only bytes the file has are shown: a file that ends inside the field
    // gives the text of what is there.
    const std::optional<std::string> versionText = FileBinVersionText(mainWindow, binFilePath);
    if (!versionText) {
        mainWindow.ShowMessage("Can not open file", "Error", message_box::kIconError);
        return;
    }
    mainWindow.SetItemText(kFileBinVersionText, *versionText);
}

}  // namespace kestrovane
