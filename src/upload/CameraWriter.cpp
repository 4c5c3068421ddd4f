#include "upload/CameraWriter.h"

#include <span>

#include "camera/CommandSet.h"
#include "camera/Transport.h"
#include "image/FieldOffsets.h"
#include "upload/BlockRequests.h"
#include "upload/UploadImage.h"

namespace kestrovane {

namespace {

using Result = UploadOutcome::Result;

UploadStep StepOf(BlockSendResult result) {
    switch (result) {
        case BlockSendResult::SetOffsetFailed:
            return UploadStep::SetOffset;
        case BlockSendResult::DataWordFailed:
            return UploadStep::DataWord;
        case BlockSendResult::EndBlockFailed:
            return UploadStep::EndBlock;
        case BlockSendResult::Ok:
            break;
    }
    return UploadStep::None;
}

UploadStep StepOf(BlockCheckResult result) {
    switch (result) {
        case BlockCheckResult::SetFailed:
            return UploadStep::CheckSet;
        case BlockCheckResult::GetFailed:
            return UploadStep::CheckGet;
        case BlockCheckResult::Mismatch:
            return UploadStep::Mismatch;
        case BlockCheckResult::Match:
            break;
    }
    return UploadStep::None;
}

UploadStep StepOf(XuLink::Step step) {
    switch (step) {
        case XuLink::Step::OpenExtensionUnit:
            return UploadStep::OpenExtensionUnit;
        case XuLink::Step::GetKsControl:
            return UploadStep::GetKsControl;
        default:
            return UploadStep::OpenCamera;
    }
}

class CameraWrite {
public:
    CameraWrite(CameraPort& cameras, Clock& clock, const UploadSettings& settings,
                WriteObserver& observer)
        : target_{cameras, settings.cameraPath},
          clock_(clock),
          settings_(settings),
          observer_(observer) {}

    UploadOutcome Run();

private:
    UploadOutcome Failed(UploadStep step) {
        outcome_.result = Result::Failed;
        outcome_.step = step;
        return outcome_;
    }
    UploadOutcome Ended(Result result) {
        outcome_.result = result;
        return outcome_;
    }
    bool LoadImage();
    std::span<uint8_t> Block(std::size_t index) {
        return std::span<uint8_t>(image_.bytes).subspan(index * image_.blockSize, image_.blockSize);
    }
    bool SendBlocks();
    bool CommitHeader();
    bool StopInBlock(std::size_t index, UploadStep step);
    bool RestoreUnfinishedMarker();
    // Records a failed step; returns false for the caller to pass on.
    bool Stop(UploadStep step) {
        outcome_.result = Result::Failed;
        outcome_.step = step;
        return false;
    }

    const CameraTarget target_;
    Clock& clock_;
    const UploadSettings& settings_;
    WriteObserver& observer_;
    UploadImage image_;
    XuLink link_;
    UploadOutcome outcome_;
};

UploadOutcome CameraWrite::Run() {
    if (!LoadImage()) return Failed(UploadStep::LoadImage);
    if (link_.Open(target_) != XU_OK) return Failed(StepOf(link_.FailedStep()));
    if (MakeEepromWritable(target_) != 1) return Failed(UploadStep::MakeWritable);
    if (settings_.forceEepromType &&
        SetEepromType(target_, static_cast<uint8_t>(settings_.forcedEepromKind & 0xFF)) != XU_OK) {
        return Failed(UploadStep::SetEepromType);
    }
    if (!settings_.verifyOnly) image_.bytes[kMarkerOffset] = kMarkerUploadStarted;
    if (!observer_.BeginBlocks(image_.BlockCount())) return Ended(Result::NotStarted);

    if (!SendBlocks()) return outcome_;
    if (settings_.verifyOnly) return Ended(Result::Verified);
    if (!CommitHeader()) return outcome_;
    return Ended(Result::Committed);
}

bool CameraWrite::LoadImage() {
    image_ = LoadUploadImage(settings_.imagePath, settings_.eepromType);
    outcome_.imageStatus = image_.status;
    outcome_.fileLength = image_.fileLength;
    outcome_.capacity = UploadCapacity(settings_.eepromType);
    outcome_.blockSize = image_.blockSize;
    outcome_.blockCount = image_.BlockCount();
    return image_.status == ImageLoadStatus::Ok;
}

// True when every block went out (and matched, when checked). A stop request
// found at the top of a block ends the loop as Cancelled.
bool CameraWrite::SendBlocks() {
    const bool commit = !settings_.verifyOnly;
    const bool check = settings_.verifyAfterWrite || settings_.verifyOnly;
    for (std::size_t index = 0; index < image_.BlockCount(); ++index) {
        outcome_.block = index;
        if (observer_.StopRequested()) {
            outcome_.result = Result::Cancelled;
            return false;
        }
        observer_.BeginBlock(index);

        const std::span<uint8_t> block = Block(index);
        const auto offset = static_cast<uint16_t>(index * image_.blockSize);
        XuRequest lastDataWord{};
        if (const BlockSendResult sent = SendBlock(link_, offset, block, commit, lastDataWord);
            sent != BlockSendResult::Ok) {
            return StopInBlock(index, StepOf(sent));
        }
        clock_.SleepMs(settings_.blockDelayMs);
        if (!check) continue;
        XuRequest checkRequest = EeCheckBlockRequest(block[0], block[1]);
        if (const BlockCheckResult checked = CheckBlock(link_, checkRequest);
            checked != BlockCheckResult::Match) {
            return StopInBlock(index, StepOf(checked));
        }
    }
    outcome_.block.reset();
    return true;
}

// A block that failed. A commit of block 0 that failed once it went out (its
// EE_END_BLOCK failed, or the camera says the block differs) may have been
// torn: the EEPROM's page write cut off leaves the old marker (an older
// image's 'A') in front of bytes this run changed, or undefined bytes. Block 0
// is then written once more with 'B', as after a failed header.
bool CameraWrite::StopInBlock(std::size_t index, UploadStep step) {
    const bool commitInDoubt = step == UploadStep::EndBlock || step == UploadStep::Mismatch;
    if (index == 0 && !settings_.verifyOnly && commitInDoubt) {
        outcome_.markerRestored = RestoreUnfinishedMarker();
    }
    return Stop(step);
}

// The first block again, now with the marker 'A', and always checked: only a
// header that the camera confirms makes the image count as complete.
bool CameraWrite::CommitHeader() {
    outcome_.inHeader = true;
    const std::span<uint8_t> header = Block(0);
    header[kMarkerOffset] = kMarkerComplete;
    XuRequest lastDataWord{};
    const BlockSendResult sent = SendBlock(link_, 0, header, true, lastDataWord);
    if (sent == BlockSendResult::SetOffsetFailed || sent == BlockSendResult::DataWordFailed) {
        return Stop(StepOf(sent));  // nothing was committed: the marker is still 'B'
    }
    UploadStep failed = StepOf(sent);
    if (sent == BlockSendResult::Ok) {
        clock_.SleepMs(settings_.blockDelayMs);
        XuRequest checkRequest = EeCheckBlockRequest(kMarkerComplete, header[1]);
        failed = StepOf(CheckBlock(link_, checkRequest));
    }
    if (failed == UploadStep::None) return true;
    // 'A' may now stand in front of an image that is not known good: one
    // attempt to put 'B' back, so the camera does not boot it.
    outcome_.markerRestored = RestoreUnfinishedMarker();
    return Stop(failed);
}

// The header block once more with the marker 'B', committed and checked.
bool CameraWrite::RestoreUnfinishedMarker() {
    const std::span<uint8_t> header = Block(0);
    header[kMarkerOffset] = kMarkerUploadStarted;
    XuRequest lastDataWord{};
    if (SendBlock(link_, 0, header, true, lastDataWord) != BlockSendResult::Ok) return false;
    clock_.SleepMs(settings_.blockDelayMs);
    XuRequest checkRequest = EeCheckBlockRequest(kMarkerUploadStarted, header[1]);
    return CheckBlock(link_, checkRequest) == BlockCheckResult::Match;
}

}  // namespace

UploadOutcome WriteCamera(CameraPort& cameras, Clock& clock, const UploadSettings& settings,
                          WriteObserver& observer) {
    CameraWrite write(cameras, clock, settings, observer);
    return write.Run();
}

}  // namespace kestrovane
