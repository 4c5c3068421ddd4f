#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "app/AppServices.h"
#include "app/CommandTable.h"
#include "app/Dialog.h"
#include "app/DialogControls.h"
#include "app/UploadDialogIds.h"
#include "upload/CameraAccess.h"
#include "upload/UploadOptions.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// The main dialog (template 102, "Pelloric") and the home of the upload state.
//
// The user-interface thread and at most one worker thread share the fields
// below; those both may touch are atomics, the image path is guarded by a
// lock. The dialog owns its worker and never ends before the worker has ended,
// so a worker never reaches a window that is gone.
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
    void OnTimer(int timerId) override;
    bool OnSysCommand(uint32_t command) override;
    void OnClose() override;
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
};

}  // namespace kestrovane
