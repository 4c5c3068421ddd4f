#pragma once

#include "app/Dialog.h"
#include "app/UploadDialogIds.h"

namespace kestrovane {

// The About box: the program's icon, name and version; its OK button ends it.
class AboutDialog final : public Dialog {
public:
    AboutDialog() : Dialog(kAboutDialogTemplate) {}
};

}  // namespace kestrovane
