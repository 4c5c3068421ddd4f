#include "app/UploadDialog.h"

#include <iterator>
#include <utility>

#include "app/AboutDialog.h"
#include "app/DataExchange.h"
#include "app/DialogHost.h"
#include "app/EepromTypeItems.h"
#include "app/FinishCounter.h"

namespace kestrovane {

namespace {
// How long a running transfer is given to see the stop request before the
// dialog goes on ending.
constexpr uint32_t kStopPauseMs = 500;
}  // namespace

const CommandBinding<UploadDialog> UploadDialog::kCommandTable[] = {
    {kUploadButton, &UploadDialog::OnUploadOrStop},
    {kBrowseButton, &UploadDialog::OnBrowse},
    {kUploadVerifyCheck, &UploadDialog::OnUploadVerify},
    {kVerifyOnlyCheck, &UploadDialog::OnVerifyOnly},
    {kAutoUploadCheck, &UploadDialog::OnAutoUpload},
    {kNewBinWorksCheck, &UploadDialog::OnNewBinWorks},
    {kForceEnableCheck, &UploadDialog::OnForceEnable},
    {kForceKind8k16k32kRadio, &UploadDialog::OnForceKind8k16k32k},
    {kForceKind256BRadio, &UploadDialog::OnForceKind256B},
    {kResetTimesButton, &UploadDialog::OnResetTimes},
    {kAdvancedButton, &UploadDialog::OnAdvanced},
    {kGetVersionButton, &UploadDialog::OnGetVersion},
    {kEraseButton, &UploadDialog::OnErase},
};

std::span<const CommandBinding<UploadDialog>> UploadDialog::CommandTable() {
    return {kCommandTable, std::size(kCommandTable)};
}

UploadDialog::UploadDialog(const AppServices& services)
    : Dialog(kUploadDialogTemplate),
      eepromTypeCombo(*this, kEepromTypeCombo),
      progressBar(*this, kProgressBar),
      services_(services) {}

UploadDialog::~UploadDialog() {
    // Normally the worker has been waited for when the window closed; this
    // covers a dialog whose window never opened.
    uploadRunning = 0;
    JoinWorker();
}

std::string UploadDialog::BinFilePath() const {
    std::lock_guard lock(binFilePathLock);
    return binFilePath;
}

void UploadDialog::SetBinFilePath(std::string path) {
    std::lock_guard lock(binFilePathLock);
    binFilePath = std::move(path);
}

std::string UploadDialog::CounterFilePath() const {
    return kestrovane::CounterFilePath(services_.programPath.FullPath());
}

int32_t UploadDialog::LoadFinishCount() const {
    return ReadFinishCount(CounterFilePath());
}

void UploadDialog::SaveFinishCount(int32_t count) {
    // The count outlives the run; a counter file that cannot be written only
    // loses the count for the next start.
    WriteFinishCount(CounterFilePath(), count);
}

void UploadDialog::ShowFinishCount() {
    Window().SetItemText(kFinishCountText, FinishCountText(finishCount.load()));
}

// --- Worker ----------------------------------------------------------------

void UploadDialog::StartWorker(std::function<void()> work) {
    JoinWorker();
    workerFinished_ = false;
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        workerFinished_ = true;
    });
}

bool UploadDialog::WorkerActive() const {
    return !workerFinished_.load();
}

void UploadDialog::JoinWorker() {
    if (!worker_.joinable()) return;
    // The worker may be waiting for the window to carry out one of its calls;
    // the window keeps serving those until the worker is through.
    Window().WaitWhileServing([this] { return workerFinished_.load(); });
    worker_.join();
}

void UploadDialog::StopWorkerAndWait() {
    if (uploadRunning.exchange(0) != 0) services_.clock.SleepMs(kStopPauseMs);
    JoinWorker();
}

// --- Dialog start, system menu, closing ------------------------------------

bool UploadDialog::OnInitDialog() {
    DialogWindow& window = Window();
    for (std::string_view item : kEepromTypeItems) eepromTypeCombo.AddItem(item);
    Dialog::OnInitDialog();  // fields to controls: 1002 "", 1005 "20"

    const std::string aboutEntry = window.ResourceString(kAboutMenuStringId);
    if (!aboutEntry.empty()) window.AppendSystemMenuItem(kAboutSystemCommand, aboutEntry);

    window.SetIcon(appIcon);
    window.InitializeCom();
    uploadRunning = 0;
    finishCount = LoadFinishCount();
    ShowFinishCount();
    eepromTypeCombo.Select(kDefaultEepromType);

    window.SetItemChecked(kUploadVerifyCheck, verifyAfterWrite != 0);
    window.SetItemChecked(kVerifyOnlyCheck, verifyOnly != 0);
    window.SetItemChecked(kAutoUploadCheck, autoUpload != 0);
    window.SetItemChecked(kForceEnableCheck, forceEepromType != 0);
    window.SetItemChecked(kNewBinWorksCheck, runNewBin != 0);
    window.CheckRadio(kForceKind8k16k32kRadio, kForceKind256BRadio,
                      forcedEepromKind != 0 ? kForceKind8k16k32kRadio : kForceKind256BRadio);

    window.StartTimer(kCompletionTimerId, kCompletionTimerPeriodMs);
    return true;
}

bool UploadDialog::OnSysCommand(uint32_t command) {
    if ((command & 0xFFF0) != kAboutSystemCommand) return false;
    AboutDialog about;
    services_.dialogHost.RunModal(about);
    return true;
}

void UploadDialog::OnClose() {
    StopWorkerAndWait();
    Dialog::OnClose();
}

void UploadDialog::OnOK() {
    StopWorkerAndWait();
    Dialog::OnOK();
}

void UploadDialog::OnCancel() {
    StopWorkerAndWait();
    Dialog::OnCancel();
}

void UploadDialog::OnWindowDestroyed() {
    // The window is gone: a worker still running only meets a window that
    // does nothing, and is waited for here at the latest.
    uploadRunning = 0;
    JoinWorker();
}

void UploadDialog::DoDataExchange(DataExchange& exchange) {
    std::string path = BinFilePath();
    exchange.Text(kBinFileEdit, path);
    if (exchange.Saving() && !exchange.Failed()) SetBinFilePath(std::move(path));
    exchange.Unsigned(kBlockDelayEdit, blockDelayMs);
}

bool UploadDialog::DispatchBoundCommand(int controlId) {
    return DispatchCommand(CommandTable(), *this, controlId);
}

// --- Handlers filled in by the upload, option and timer work ----------------

void UploadDialog::OnTimer(int /*timerId*/) {}  // completes a "New bin works" upload
void UploadDialog::OnUploadOrStop() {}          // starts or stops a transfer
void UploadDialog::OnBrowse() {}                // chooses the image file
void UploadDialog::OnUploadVerify() {}          // option "Upload Verify"
void UploadDialog::OnVerifyOnly() {}            // option "Verify only"
void UploadDialog::OnAutoUpload() {}            // option "Auto upload"
void UploadDialog::OnNewBinWorks() {}           // option "New bin works"
void UploadDialog::OnForceEnable() {}           // option "EEPROM force write" / "Enable"
void UploadDialog::OnForceKind8k16k32k() {}     // forced EEPROM kind 1
void UploadDialog::OnForceKind256B() {}         // forced EEPROM kind 0
void UploadDialog::OnResetTimes() {}            // resets the finish count
void UploadDialog::OnAdvanced() {}              // opens the Advanced dialog
void UploadDialog::OnGetVersion() {}            // reads the device's versions
void UploadDialog::OnErase() {}                 // erases the device image

}  // namespace kestrovane
