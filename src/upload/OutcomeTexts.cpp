#include "upload/OutcomeTexts.h"

namespace kestrovane {

namespace {

using Result = UploadOutcome::Result;

OutcomeText Notice(std::string text) {
    return {std::move(text), ReportTone::Notice};
}
OutcomeText Refusal(std::string text) {
    return {std::move(text), ReportTone::Refusal};
}
OutcomeText Failure(std::string text) {
    return {std::move(text), ReportTone::Failure};
}

OutcomeText ImageRefusal(const UploadOutcome& outcome) {
    switch (outcome.imageStatus) {
        case ImageLoadStatus::Empty:
            return Refusal("The bin file is empty, nothing to upload");
        case ImageLoadStatus::TooLarge:
            return Refusal("The bin file (" + std::to_string(outcome.fileLength) +
                           " bytes) is larger than the selected EEPROM type (" +
                           std::to_string(outcome.capacity) + " bytes)");
        case ImageLoadStatus::NoMemory:
            return Failure("No Memory");
        case ImageLoadStatus::CannotOpen:
        case ImageLoadStatus::Ok:
            break;
    }
    return Refusal("Open File Error");
}

OutcomeText TransferFailure(const UploadOutcome& outcome) {
    const bool header = outcome.inHeader;
    switch (outcome.step) {
        case UploadStep::SetOffset:
            return Failure(header ? "set header offset faild" : "set offset faild");
        case UploadStep::DataWord:
            return Failure("write E2prom  faild");
        case UploadStep::EndBlock:
            return Failure(header ? "write header E2prom end faild" : "write end faild");
        case UploadStep::CheckSet:
            return Failure("write end faild");
        case UploadStep::CheckGet:
            return Failure(header ? "read E2prom for header faild" : "read E2prom  faild");
        case UploadStep::Mismatch:
            return Failure(header ? "Verify header fail"
                                  : "Verify fail, block index = " +
                                        std::to_string(outcome.block.value_or(0)));
        default:
            break;
    }
    return Failure("write E2prom  faild");
}

constexpr std::string_view kReplug =
    " Unplug the camera and plug it in again to run the new image.";

}  // namespace

std::optional<OutcomeText> SingleRunText(const UploadOutcome& outcome) {
    switch (outcome.result) {
        case Result::Committed:
            return Notice("Upload finish");
        case Result::Verified:
            return Notice("Verify finished, All match");
        case Result::Cancelled:
            return Notice("Upload operation was canceled");
        case Result::NotStarted:
            return std::nullopt;
        case Result::Failed:
            break;
    }
    switch (outcome.step) {
        case UploadStep::LoadImage:
            return ImageRefusal(outcome);
        case UploadStep::OpenCamera:
            return Notice("No Device");
        case UploadStep::OpenExtensionUnit:
            return Notice("Get node id error");
        case UploadStep::GetKsControl:
            return Notice("Get IKsControl error");
        case UploadStep::MakeWritable:
            return Refusal("Set EEPROM writeable error");
        case UploadStep::SetEepromType:
            return Notice("Set EEPROM Type Error");
        default:
            return TransferFailure(outcome);
    }
}

std::optional<OutcomeText> IncompleteImageText(const UploadOutcome& outcome) {
    if (!outcome.markerRestored) return std::nullopt;
    if (*outcome.markerRestored) {
        return OutcomeText{
            "The camera now holds an incomplete image. Its first byte was set back to 'B', so "
            "the camera will not start it. Upload the image again.",
            ReportTone::Refusal};
    }
    // The camera did not confirm 'B', and whether the failed commit reached
    // the EEPROM is not known: it may hold the complete image, an incomplete
    // one, or one with 'A' in front of bytes that are not the image's.
    return OutcomeText{
        "The camera may hold an incomplete image, and its first byte could not be set back "
        "to 'B': the camera may try to start it. Upload the image again before you use the "
        "camera.",
        ReportTone::Refusal};
}

AutoPassText AutoPassOutcomeText(const UploadOutcome& outcome) {
    const auto status = [](std::string text) {
        return AutoPassText{std::move(text), std::nullopt, false};
    };
    switch (outcome.result) {
        case Result::Committed:
        case Result::Verified:
            return status("Upload successfully");
        case Result::Cancelled:
        case Result::NotStarted:
            return status("Operation cancelled");
        case Result::Failed:
            break;
    }
    switch (outcome.step) {
        case UploadStep::LoadImage:
            if (outcome.imageStatus == ImageLoadStatus::NoMemory) return status("No memory");
            if (outcome.imageStatus == ImageLoadStatus::CannotOpen)
                return status("Open file Error");
            return status(ImageRefusal(outcome).text);
        case UploadStep::OpenCamera:
            return status("No camera");
        case UploadStep::OpenExtensionUnit:
        case UploadStep::GetKsControl:
            return status("Device not support");
        case UploadStep::MakeWritable:
            // The one failure that ends the run: the camera refuses writes.
            return {std::nullopt, Refusal("Set EEPROM writeable error"), true};
        case UploadStep::SetEepromType:
            return status("Set EEPROM Type Error");
        case UploadStep::CheckSet:
            return {std::nullopt, Failure("write end faild"), false};
        case UploadStep::CheckGet:
            return status("verify read failed");
        case UploadStep::Mismatch:
            return status("verify failed");
        default:
            return status("Upload failed");
    }
}

std::string_view VersionReadFailureText(int code) {
    switch (code) {
        case XU_TRANSFER_FAILED:
            return "Read version";
        case XU_NOT_SUPPORTED:
            return "Device not support the operation";
        default:
            return "No device";
    }
}

std::string_view EraseResultText(EraseResult result) {
    switch (result) {
        case EraseResult::Erased:
            return "Erase Finished";
        case EraseResult::NotWritable:
            return "Set EEPROM writeable error";
        case EraseResult::NoDevice:
            return "No device";
        case EraseResult::NotSupported:
            return "Device not support";
        case EraseResult::TransferFailed:
            break;
    }
    return "Erase E2prom  faild";
}

std::optional<std::string> RestartNoticeText(const RestartOutcome& outcome) {
    using Restart = RestartOutcome::Result;
    switch (outcome.result) {
        case Restart::NoDeviceList:
            return "The camera could not be restarted: the system's list of devices could "
                   "not be read." +
                   std::string(kReplug);
        case Restart::NoMatchingDevice:
            return "The camera could not be restarted: it was not found among the "
                   "system's devices." +
                   std::string(kReplug);
        case Restart::DisableFailed:
            return "The camera could not be restarted: the system did not stop it." +
                   std::string(kReplug);
        case Restart::LeftDisabled:
            return "The camera was stopped but could not be started again. It stays "
                   "disabled until you enable it again in the system's device manager.";
        case Restart::Restarted:
            break;
    }
    if (outcome.needsReboot) {
        return "The system asks for a restart of the computer before the camera runs its new "
               "image.";
    }
    return std::nullopt;
}

}  // namespace kestrovane
