#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "app/AppServices.h"
#include "app/CommandTable.h"
#include "app/DeviceCommands.h"
#include "app/Dialog.h"
#include "app/DialogControls.h"
#include "app/UploadDialogIds.h"
#include "app/UploadOptions.h"
#include "app/UploadReports.h"
#include "camera/CameraClaim.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// The main dialog (template 102, "Pelloric") and the home of the upload state.
//
// The user-interface thread and at most one worker thread share the fields
// below; those both may touch are atomics, the image path is guarded by a
// lock. The dialog owns its worker and never ends before the worker has ended,
// so a worker never reaches a window that is gone.
//
// A message box keeps dispatching the window's messages, so a close or a timer
// tick can arrive inside any box: a close inside a worker's own box does not
// wait for that worker (the worker waits for the box) but is carried out by
// the worker when it ends, a close inside the close-time wait is ignored, and
// a tick starts the camera restart only when no worker is alive.
class UploadDialog : public Dialog {
public:
    explicit UploadDialog(const AppServices& services);
    ~UploadDialog() override;

    // --- Fields, in declaration order. ---
    ComboBoxControl eepromTypeCombo;  // 1080: EEPROM type index 0..4
    ProgressBarControl progressBar;   // 1006: block progress, hidden while idle
private:
    mutable std::mutex binFilePathLock;
    std::string binFilePath;  // 1002: full path of the chosen image file
public:
    std::atomic<uint32_t> blockDelayMs{20};     // 1005: pause after each block
    std::atomic<int32_t> verifyAfterWrite{1};   // 1004 "Upload Verify"
    std::atomic<int32_t> verifyOnly{0};         // 1008 "Verify only"
    std::atomic<int32_t> uploadRunning{0};      // a transfer is active; cleared to stop it
    std::atomic<int32_t> finishCount{0};        // finished uploads, shown in 1009
    std::atomic<int32_t> autoUpload{0};         // 1019 "Auto upload"
    std::atomic<int32_t> runNewBin{0};          // 1063 "New bin works"
    std::atomic<int32_t> currentCameraDone{0};  // auto-upload: this camera is done
    std::atomic<int32_t> restartPending{0};     // worker -> timer: restart and count
    std::atomic<int32_t> forceEepromType{0};    // 1060 "Enable" (hidden)
    std::atomic<int32_t> forcedEepromKind{1};   // 1061 "8k 16k 32k" (1) / 1062 "256B" (0)
    const int appIcon = kAppIconId;

    std::string BinFilePath() const;
    void SetBinFilePath(std::string path);

    // --- Options. ---
    // Sets the option boxes from the fields and, while no transfer runs, the
    // Upload button's label.
    void RefreshOptions();

    // --- Finish counter. ---
    std::string CounterFilePath() const;
    int32_t LoadFinishCount() const;
    void SaveFinishCount(int32_t count);
    void ShowFinishCount();
    // One more finished upload: counted, saved, shown. Safe from the worker.
    void CountFinish();

    // --- Reports of the workers. ---
    // A worker's message box. While it is open a close does not wait for the
    // worker; the dialog ends when the worker has ended, so what it still
    // tells after the box (a notice, a restart's outcome) is shown first.
    int WorkerReport(const MessageReport& message);

    // --- Worker. ---
    // Runs `work` on the dialog's worker thread. A worker still winding down
    // is waited for first, so at most one runs at a time.
    void StartWorker(std::function<void()> work);
    bool WorkerActive() const;
    // True while the dialog is ending and waits for its worker.
    bool Closing() const { return closing_.load(); }
    // The stop-and-wait of every route that ends the dialog: a running
    // transfer is asked to stop and given 500 ms, then the worker is waited
    // for while the window keeps serving it.
    void StopWorkerAndWait();

    // --- Events. ---
    bool OnInitDialog() override;
    // The 500 ms completion timer: finishes a "New bin works" upload.
    void OnTimer(int timerId) override;
    bool OnSysCommand(uint32_t command) override;
    void OnWindowDestroyed() override;

protected:
    bool DispatchBoundCommand(int controlId) override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(DataExchange& exchange) override;

    const AppServices& services() const { return services_; }

private:
    // Button handlers.
    void OnUploadOrStop();
    void OnBrowse();
    void OnUploadVerify();
    void OnVerifyOnly();
    void OnAutoUpload();
    void OnNewBinWorks();
    void OnForceEnable();
    void OnForceKind8k16k32k();
    void OnForceKind256B();
    void OnResetTimes();
    void OnAdvanced();
    void OnGetVersion();
    void OnErase();

    void JoinWorker();
    // The worker's last step: the end of a close that came inside one of its
    // boxes, once everything it still had to tell has been shown.
    void EndIfDeferred();
    // The common start of every route that ends the dialog. False when the
    // dialog must not end now: a close is already under way, or the close
    // came from inside a worker's message box and is carried out by the
    // worker as its last step.
    bool PrepareToEnd(int result);
    // A camera restart asked for and not yet done is done before the dialog
    // ends.
    void FinishRestartBeforeClosing();
    // Restarts the camera of the last "New bin works" upload, reports and
    // counts it, then gives the camera back.
    void CompletePendingRestart();
    bool RestartAwaited();
    // Refuses a camera operation while a worker is alive; true when refused.
    bool RefuseWhileWorking();
    UploadOptions CurrentOptions() const;
    void ApplyOptions(const UploadOptions& options);
    UploadSettings SettingsOfThisClick() const;
    CameraAccess Cameras() const;

    static const CommandBinding<UploadDialog> kCommandTable[];
    static std::span<const CommandBinding<UploadDialog>> CommandTable();

    const AppServices services_;
    std::mutex finishCountLock_;  // a count change and its save go together
    std::thread worker_;
    std::atomic<bool> workerFinished_{true};
    std::atomic<bool> closing_{false};
    bool closeInProgress_ = false;  // user-interface thread only
    // The hand-over of a close that came inside a worker's message box: the
    // box count and the end it defers change together under one lock, so a
    // close is either carried out now or taken by the worker, never lost.
    std::mutex handOverLock_;
    int workerBoxesOpen_ = 0;
    std::optional<int> deferredEnd_;

    // The camera of a "New bin works" upload stays this copy's (caption and
    // claim) until the completion timer has restarted it.
    struct PendingRestart {
        std::shared_ptr<CameraClaim> claim;
        std::string cameraPath;
    };
    std::mutex restartLock_;
    std::optional<PendingRestart> pendingRestart_;
};

}  // namespace kestrovane
