#include "app/UploadOptions.h"

namespace kestrovane {

UploadOptions AfterUploadVerifyClicked(UploadOptions options, bool checked) {
    options.verifyAfterWrite = checked;
    options.verifyOnly = false;
    return options;
}

UploadOptions AfterVerifyOnlyClicked(UploadOptions options, bool checked) {
    options.verifyOnly = checked;
    options.verifyAfterWrite = false;
    options.autoUpload = false;
    options.runNewBin = false;
    return options;
}

UploadOptions AfterAutoUploadClicked(UploadOptions options, bool checked) {
    options.autoUpload = checked;
    options.verifyOnly = false;
    options.runNewBin = false;
    return options;
}

UploadOptions AfterNewBinWorksClicked(UploadOptions options, bool checked, bool cameraSupportsIt) {
    options.runNewBin = checked && cameraSupportsIt;
    if (options.runNewBin) {
        options.verifyOnly = false;
        options.autoUpload = false;
    }
    return options;
}

const char* IdleUploadButtonText(const UploadOptions& options) {
    return options.verifyOnly ? "Verify" : "Upload";
}

}  // namespace kestrovane
