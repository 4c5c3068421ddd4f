#include "app/UploaderApp.h"

#include "app/UploadDialog.h"

namespace kestrovane {

bool UploaderApp::InitInstance() {
    UploadDialog dialog(services_);
    services_.dialogHost.RunModal(dialog);  // the dialog's result is not needed
    return false;
}

}  // namespace kestrovane
