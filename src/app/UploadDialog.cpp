#include "app/UploadDialog.h"

#include <iterator>
#include <utility>

#include "app/AboutDialog.h"
#include "app/AdvancedButton.h"
#include "app/DataExchange.h"
#include "app/DialogHost.h"
#include "app/DialogUploadHost.h"
#include "app/EepromTypeItems.h"
#include "app/UploadHost.h"
#include "app/UploadWorker.h"
#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane {

namespace {
// How long Stop gives the worker to see its request.
constexpr uint32_t kStopButtonPauseMs = 200;

using message_box::kIconError;

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

// --- Dialog start, system menu, closing ------------------------------------

bool UploadDialog::OnInitDialog() {
    DialogWindow& window = Window();
    for (std::string_view item : kEepromTypeItems) eepromTypeCombo.AddItem(item);
    Dialog::OnInitDialog();  // fields to controls: 1002 "", 1005 "20"

    const std::string aboutEntry = window.ResourceString(kAboutMenuStringId);
    if (!aboutEntry.empty()) window.AppendSystemMenuItem(kAboutSystemCommand, aboutEntry);
    if (services_.simulationMenu != nullptr) {
        window.AppendSystemMenuItem(kUnplugSimulatedCameraCommand, "Unplug simulated camera");
        window.AppendSystemMenuItem(kPlugInSimulatedCameraCommand,
                                    "Plug in a new simulated camera");
    }

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
    if (services_.showAdvancedButton) window.ShowItem(kAdvancedButton, true);
    return true;
}

bool UploadDialog::OnSysCommand(uint32_t command) {
    const uint32_t item = command & 0xFFF0;
    SimulationMenu* simulation = services_.simulationMenu;
    if (simulation != nullptr && item == kUnplugSimulatedCameraCommand) {
        simulation->UnplugCamera();
        return true;
    }
    if (simulation != nullptr && item == kPlugInSimulatedCameraCommand) {
        simulation->PlugInNewCamera();
        return true;
    }
    if (item != kAboutSystemCommand) return false;
    AboutDialog about;
    services_.dialogHost.RunModal(about);
    return true;
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

// --- Upload, Stop and Browse -----------------------------------------------

UploadSettings UploadDialog::SettingsOfThisClick() const {
    UploadSettings settings;
    settings.imagePath = BinFilePath();
    settings.eepromType = eepromTypeCombo.Selection();
    settings.blockDelayMs = blockDelayMs;
    settings.verifyAfterWrite = verifyAfterWrite != 0;
    settings.verifyOnly = verifyOnly != 0;
    settings.runNewBin = runNewBin != 0;
    settings.forceEepromType = forceEepromType != 0;
    settings.forcedEepromKind = forcedEepromKind;
    settings.cameraPath = services_.cameraPath.Get();
    settings.operationLog = services_.operationLogFile;
    return settings;
}

void UploadDialog::OnUploadOrStop() {
    if (!UpdateData(true)) return;
    DialogWindow& window = Window();
    if (uploadRunning != 0) {
        if (window.ShowMessage("Upload E2PROM is in processing, Stop?", "Stop",
                               message_box::kYesNo | message_box::kIconQuestion) !=
            message_box::kIdYes) {
            return;
        }
        // Only a request: the worker finishes its block, reports and gives
        // the button, the caption and so the camera back itself.
        uploadRunning = 0;
        services_.clock.SleepMs(kStopButtonPauseMs);
        currentCameraDone = 0;
        window.SetItemText(kStatusText, "Operation status: Not started");
        return;
    }
    // A worker that is still starting or winding down keeps the camera, and
    // so does a camera whose restart is still to come.
    if (WorkerActive() || RestartAwaited()) return;

    std::unique_ptr<CameraClaim> claim;
    if (FindCamera(services_.cameras, services_.windows, services_.clock, services_.cameraPath,
                   services_.claims, &claim) != 1) {
        window.ShowMessage("No device", "Error", kIconError);
        return;
    }
    const UploadSettings settings = SettingsOfThisClick();
    window.SetCaption(settings.cameraPath);
    // The claim is held until the worker's wind-down has restored the
    // caption, or, after "New bin works", until the camera has restarted.
    std::shared_ptr<CameraClaim> heldClaim = std::move(claim);
    const bool autoRun = autoUpload != 0;
    StartWorker([this, settings, heldClaim, autoRun]() mutable {
        DialogUploadHost host(*this);
        if (autoRun) {
            autoUploadWorker(host, services_.cameras, services_.clock, settings);
        } else {
            uploadWorker(host, services_.cameras, services_.clock, settings);
        }
        if (restartPending != 0) {
            std::lock_guard lock(restartLock_);
            pendingRestart_ = PendingRestart{std::move(heldClaim), settings.cameraPath};
        }
        heldClaim.reset();
    });
}

void UploadDialog::OnBrowse() {
    DialogWindow& window = Window();
    FileChooserRequest request;
    request.flags = file_chooser::kHideReadOnly | file_chooser::kAllowMultiSelect;
    request.filter = "Bin files(*.bin)|*.bin|all files(*.*)|*.*||";
    if (std::optional<std::string> chosen = window.ChooseFile(request)) {
        SetBinFilePath(std::move(*chosen));
        UpdateData(false);
    }
    const std::string path = BinFilePath();
    if (path.empty()) return;
    const std::optional<std::string> versionText = FileBinVersionText(window, path);
    if (!versionText) {
        window.ShowMessage("Can not open file", "Error", kIconError);
        return;
    }
    window.SetItemText(kFileBinVersionText, *versionText);
}

// --- Options ---------------------------------------------------------------

UploadOptions UploadDialog::CurrentOptions() const {
    return {verifyAfterWrite != 0, verifyOnly != 0, autoUpload != 0, runNewBin != 0};
}

void UploadDialog::ApplyOptions(const UploadOptions& options) {
    verifyAfterWrite = options.verifyAfterWrite ? 1 : 0;
    verifyOnly = options.verifyOnly ? 1 : 0;
    autoUpload = options.autoUpload ? 1 : 0;
    runNewBin = options.runNewBin ? 1 : 0;
}

void UploadDialog::RefreshOptions() {
    DialogWindow& window = Window();
    window.SetItemChecked(kUploadVerifyCheck, verifyAfterWrite != 0);
    window.SetItemChecked(kVerifyOnlyCheck, verifyOnly != 0);
    window.SetItemChecked(kAutoUploadCheck, autoUpload != 0);
    window.SetItemChecked(kNewBinWorksCheck, runNewBin != 0);
    // While a worker runs the button keeps the label its worker gave it.
    if (uploadRunning == 0)
        window.SetItemText(kUploadButton, IdleUploadButtonText(CurrentOptions()));
}

void UploadDialog::OnUploadVerify() {
    ApplyOptions(
        AfterUploadVerifyClicked(CurrentOptions(), Window().IsItemChecked(kUploadVerifyCheck)));
    RefreshOptions();
}

void UploadDialog::OnVerifyOnly() {
    ApplyOptions(
        AfterVerifyOnlyClicked(CurrentOptions(), Window().IsItemChecked(kVerifyOnlyCheck)));
    RefreshOptions();
}

void UploadDialog::OnAutoUpload() {
    ApplyOptions(
        AfterAutoUploadClicked(CurrentOptions(), Window().IsItemChecked(kAutoUploadCheck)));
    RefreshOptions();
}

void UploadDialog::OnNewBinWorks() {
    DialogWindow& window = Window();
    // Records the camera that the probe asks.
    FindCamera(services_.cameras, services_.windows, services_.clock, services_.cameraPath);
    const bool checked = window.IsItemChecked(kNewBinWorksCheck);
    const bool supported =
        checked && IsXuProtocolSupported({services_.cameras, services_.cameraPath.Get()}) == 1;
    if (checked && !supported) {
        window.ShowMessage(kFunctionNotSupportedText, "Error", kIconError);
        window.SetItemChecked(kNewBinWorksCheck, false);
    }
    ApplyOptions(AfterNewBinWorksClicked(CurrentOptions(), checked, supported));
    RefreshOptions();
}

void UploadDialog::OnForceEnable() {
    DialogWindow& window = Window();
    forceEepromType = window.IsItemChecked(kForceEnableCheck) ? 1 : 0;
    // Asks the camera the last FindCamera of another handler recorded.
    if (forceEepromType != 0 &&
        IsXuProtocolSupported({services_.cameras, services_.cameraPath.Get()}) != 1) {
        window.ShowMessage(kFunctionNotSupportedText, "Error", kIconError);
        forceEepromType = 0;
        window.SetItemChecked(kForceEnableCheck, false);
    }
}

void UploadDialog::OnForceKind8k16k32k() {
    forcedEepromKind = 1;
}

void UploadDialog::OnForceKind256B() {
    forcedEepromKind = 0;
}

// --- Get Version and Erase -------------------------------------------------

CameraAccess UploadDialog::Cameras() const {
    return {services_.cameras, services_.windows, services_.clock, services_.cameraPath,
            services_.claims};
}

bool UploadDialog::RefuseWhileWorking() {
    if (!WorkerActive()) return false;
    Window().ShowMessage("An upload is in progress. Please wait until it has ended.", "Error",
                         kIconError);
    return true;
}

void UploadDialog::OnGetVersion() {
    if (RefuseWhileWorking()) return;
    CameraAccess access = Cameras();
    ShowDeviceVersions(Window(), access);
}

void UploadDialog::OnErase() {
    if (RefuseWhileWorking()) return;
    CameraAccess access = Cameras();
    EraseDeviceImage(Window(), access);
}

// --- Left to the Advanced dialog --------------------------------------------

void UploadDialog::OnAdvanced() {
    RunAdvancedButton(services_, Window(), BinFilePath(), eepromTypeCombo.Selection(),
                      [this] { return WorkerActive(); });
}

}  // namespace kestrovane
