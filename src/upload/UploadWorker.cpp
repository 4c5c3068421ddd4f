#include "upload/UploadWorker.h"

#include <optional>
#include <span>
#include <string>

#include "app/UploadDialogIds.h"
#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "image/FieldOffsets.h"
#include "upload/BlockRequests.h"
#include "upload/UploadImage.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kOk;

constexpr std::string_view kIdleCaption = "Pelloric";

class UploadRun {
public:
    UploadRun(UploadHost& host, CameraPort& cameras, Clock& clock, const UploadSettings& settings)
        : host_(host),
          window_(host.Window()),
          clock_(clock),
          settings_(settings),
          target_{cameras, settings.cameraPath} {}

    void Execute();
    void WindDown();

private:
    // A report of this run; without a caption the box shows the program's name.
    void Report(std::string_view text, std::optional<std::string> caption = std::nullopt,
                uint32_t style = kOk) {
        window_.ShowMessage(text, std::move(caption), style);
    }
    void Fail(std::string_view text) { Report(text, "Fail", kIconError); }

    bool LoadImage();
    bool PrepareCamera();
    void BeginBlocks();
    bool SendBlocks();
    bool CommitHeader();
    void Finish();
    std::span<uint8_t> Block(std::size_t index) {
        return std::span<uint8_t>(image_.bytes).subspan(index * image_.blockSize, image_.blockSize);
    }

    UploadHost& host_;
    DialogWindow& window_;
    Clock& clock_;
    const UploadSettings& settings_;
    const CameraTarget target_;
    UploadImage image_;
    XuLink link_;
};

void UploadRun::Execute() {
    window_.InitializeCom();
    if (!LoadImage() || !PrepareCamera()) return;
    if (!settings_.verifyOnly) image_.bytes[kMarkerOffset] = kMarkerUploadStarted;
    // A dialog that is ending gets no new transfer; it waits for this worker.
    // The flag goes up before the look: a close that comes after the look
    // finds the flag and clears it, so either way no block goes out.
    host_.UploadRunning() = 1;
    if (host_.Closing()) return;
    BeginBlocks();
    if (!SendBlocks()) return;
    if (settings_.verifyOnly) {
        Report("Verify finished, All match");
        window_.SetItemText(kUploadButton, "Verify");
        return;
    }
    if (!CommitHeader()) return;
    Finish();
}

bool UploadRun::LoadImage() {
    image_ = LoadUploadImage(settings_.imagePath, settings_.eepromType);
    switch (image_.status) {
        case ImageLoadStatus::Ok:
            return true;
        case ImageLoadStatus::CannotOpen:
            Report("Open File Error", "Error", kIconError);
            return false;
        case ImageLoadStatus::Empty:
            Report("The bin file is empty, nothing to upload", "Error", kIconError);
            return false;
        case ImageLoadStatus::TooLarge:
            Report("The bin file (" + std::to_string(image_.fileLength) +
                       " bytes) is larger than the selected EEPROM type (" +
                       std::to_string(UploadCapacity(settings_.eepromType)) + " bytes)",
                   "Error", kIconError);
            return false;
        case ImageLoadStatus::NoMemory:
            Fail("No Memory");
            return false;
    }
    return false;
}

bool UploadRun::PrepareCamera() {
    if (link_.Open(target_) != XU_OK) {
        switch (link_.FailedStep()) {
            case XuLink::Step::OpenExtensionUnit:
                Report("Get node id error");
                break;
            case XuLink::Step::GetKsControl:
                Report("Get IKsControl error");
                break;
            default:
                Report("No Device");
                break;
        }
        return false;
    }
    if (MakeEepromWritable(target_) != 1) {
        Report("Set EEPROM writeable error", "Error", kIconError);
        return false;
    }
    if (settings_.forceEepromType &&
        SetEepromType(target_, static_cast<uint8_t>(settings_.forcedEepromKind & 0xFF)) != XU_OK) {
        Report("Set EEPROM Type Error");
        return false;
    }
    return true;
}

void UploadRun::BeginBlocks() {
    window_.SetProgressRange(kProgressBar, 1, static_cast<int>(image_.BlockCount() & 0xFFFF));
    window_.SetProgressStep(kProgressBar, 1);
    window_.ShowItem(kProgressBar, true);
    window_.SetItemText(kUploadButton, "Stop");
}

bool UploadRun::SendBlocks() {
    const bool commit = !settings_.verifyOnly;
    const bool check = settings_.verifyAfterWrite || settings_.verifyOnly;
    for (std::size_t index = 0; index < image_.BlockCount(); ++index) {
        if (host_.UploadRunning() == 0) {
            Report("Upload operation was canceled");
            return false;
        }
        window_.SetProgressPosition(kProgressBar, static_cast<int>(index + 1));

        const std::span<uint8_t> block = Block(index);
        const auto offset = static_cast<uint16_t>(index * image_.blockSize);
        XuRequest lastDataWord{};
        switch (SendBlock(link_, offset, block, commit, lastDataWord)) {
            case BlockSendResult::Ok:
                break;
            case BlockSendResult::SetOffsetFailed:
                Fail("set offset faild");
                return false;
            case BlockSendResult::DataWordFailed:
                Fail("write E2prom  faild");
                return false;
            case BlockSendResult::EndBlockFailed:
                Fail("write end faild");
                return false;
        }
        clock_.SleepMs(settings_.blockDelayMs);
        if (!check) continue;

        XuRequest checkRequest = EeCheckBlockRequest(block[0], block[1]);
        switch (CheckBlock(link_, checkRequest)) {
            case BlockCheckResult::Match:
                break;
            case BlockCheckResult::SetFailed:
                Fail("write end faild");
                return false;
            case BlockCheckResult::GetFailed:
                Fail("read E2prom  faild");
                return false;
            case BlockCheckResult::Mismatch:
                Fail("Verify fail, block index = " + std::to_string(index));
                return false;
        }
    }
    return true;
}

// The first block again, now with the marker 'A', and always checked: only a
// header that the camera confirms makes the image count as complete.
bool UploadRun::CommitHeader() {
    const std::span<uint8_t> header = Block(0);
    header[kMarkerOffset] = kMarkerComplete;
    XuRequest lastDataWord{};
    switch (SendBlock(link_, 0, header, true, lastDataWord)) {
        case BlockSendResult::Ok:
            break;
        case BlockSendResult::SetOffsetFailed:
            Fail("set header offset faild");
            return false;
        case BlockSendResult::DataWordFailed:
            Fail("write E2prom  faild");
            return false;
        case BlockSendResult::EndBlockFailed:
            Fail("write header E2prom end faild");
            return false;
    }
    clock_.SleepMs(settings_.blockDelayMs);

    XuRequest checkRequest = EeCheckBlockRequest(kMarkerComplete, header[1]);
    switch (CheckBlock(link_, checkRequest)) {
        case BlockCheckResult::Match:
            return true;
        case BlockCheckResult::SetFailed:
            Fail("write end faild");
            return false;
        case BlockCheckResult::GetFailed:
            Fail("read E2prom for header faild");
            return false;
        case BlockCheckResult::Mismatch:
            Fail("Verify header fail");
            return false;
    }
    return false;
}

void UploadRun::Finish() {
    if (settings_.runNewBin) {
        if (JumpToNewImage(target_) != XU_OK) {
            Report("Jump error");
            return;
        }
        uint16_t unused = 0;
        ReadRegister(target_, 0, unused, SENSOR_LEVEL1);
        // The completion timer restarts the camera, reports and counts.
        host_.RestartPending() = 1;
        return;
    }
    Report("Upload finish");
    host_.CountFinish();
    window_.SetItemText(kUploadButton, "Upload");
}

void UploadRun::WindDown() {
    link_.Close();
    window_.SetProgressStep(kProgressBar, 1);
    window_.ShowItem(kProgressBar, false);
    host_.UploadRunning() = 0;
    window_.SetItemText(kUploadButton, host_.VerifyOnlySelected() ? "Verify" : "Upload");
    window_.SetCaption(kIdleCaption);
}

}  // namespace

int uploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                 const UploadSettings& settings) {
    UploadRun run(host, cameras, clock, settings);
    run.Execute();
    run.WindDown();
    return 0;
}

}  // namespace kestrovane
