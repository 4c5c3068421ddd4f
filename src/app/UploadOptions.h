#pragma once

namespace kestrovane {

// The four option boxes of the main dialog and how they exclude each other:
// "Verify only" excludes the other three, "Auto upload" and "New bin works"
// exclude each other, "Upload Verify" combines with either of those two.
struct UploadOptions {
    bool verifyAfterWrite = true;
    bool verifyOnly = false;
    bool autoUpload = false;
    bool runNewBin = false;

    friend bool operator==(const UploadOptions&, const UploadOptions&) = default;
};

// The options after a click on a box; `checked` is the box's state after it.
UploadOptions AfterUploadVerifyClicked(UploadOptions options, bool checked);
UploadOptions AfterVerifyOnlyClicked(UploadOptions options, bool checked);
UploadOptions AfterAutoUploadClicked(UploadOptions options, bool checked);
// "New bin works" is set only when the camera speaks a protocol level that can
// jump to a new image; a refused check leaves everything else as it was.
UploadOptions AfterNewBinWorksClicked(UploadOptions options, bool checked, bool cameraSupportsIt);

// The label of the Upload button while no transfer runs.
const char* IdleUploadButtonText(const UploadOptions& options);

}  // namespace kestrovane
