// The main dialog's finish counter: the count of finished uploads, kept in
// the counter file that every copy of the program beside it shares.
#include "app/FinishCounter.h"
#include "app/UploadDialog.h"

namespace kestrovane {

std::string UploadDialog::CounterFilePath() const {
    return kestrovane::CounterFilePath(services_.programPath.FullPath());
}

int32_t UploadDialog::LoadFinishCount() const {
    return ReadFinishCount(CounterFilePath());
}

void UploadDialog::SaveFinishCount(int32_t count) {
    // The count outlives the run; a counter file that cannot be written keeps
    // its old count whole, and only this change is lost for the next start.
    SaveCounterFile(CounterFilePath(), count);
}

void UploadDialog::ShowFinishCount() {
    Window().SetItemText(kFinishCountText, FinishCountText(finishCount.load()));
}

void UploadDialog::CountFinish() {
    {
        // Other copies count into the same file: the file is read again and
        // its count + 1 stored under the lock they all take, and that is the
        // count shown. The lock here orders a worker's count and Reset Times
        // within this copy.
        std::lock_guard lock(finishCountLock_);
        finishCount = AddFinishToCounterFile(CounterFilePath(), finishCount.load()).count;
    }
    ShowFinishCount();
}

void UploadDialog::OnResetTimes() {
    {
        std::lock_guard lock(finishCountLock_);
        finishCount = 0;
        ResetCounterFile(CounterFilePath());
    }
    ShowFinishCount();
}

}  // namespace kestrovane
