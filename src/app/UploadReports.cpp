#include "app/UploadReports.h"

#include "app/DialogWindow.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kOk;
using Result = UploadOutcome::Result;

MessageReport Plain(std::string text) {
    return {std::move(text), std::nullopt, kOk};
}
MessageReport Refusal(std::string text) {
    return {std::move(text), "Error", kIconError};
}
MessageReport Failure(std::string text) {
    return {std::move(text), "Fail", kIconError};
}

MessageReport ImageRefusal(const UploadOutcome& outcome) {
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

MessageReport TransferFailure(const UploadOutcome& outcome) {
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

}  // namespace

std::optional<MessageReport> SingleRunReport(const UploadOutcome& outcome) {
    switch (outcome.result) {
        case Result::Committed:
            return Plain("Upload finish");
        case Result::Verified:
            return Plain("Verify finished, All match");
        case Result::Cancelled:
            return Plain("Upload operation was canceled");
        case Result::NotStarted:
            return std::nullopt;
        case Result::Failed:
            break;
    }
    switch (outcome.step) {
        case UploadStep::LoadImage:
            return ImageRefusal(outcome);
        case UploadStep::OpenCamera:
            return Plain("No Device");
        case UploadStep::OpenExtensionUnit:
            return Plain("Get node id error");
        case UploadStep::GetKsControl:
            return Plain("Get IKsControl error");
        case UploadStep::MakeWritable:
            return Refusal("Set EEPROM writeable error");
        case UploadStep::SetEepromType:
            return Plain("Set EEPROM Type Error");
        default:
            return TransferFailure(outcome);
    }
}

std::optional<MessageReport> IncompleteImageNotice(const UploadOutcome& outcome) {
    if (!outcome.markerRestored) return std::nullopt;
    if (*outcome.markerRestored) {
        return Refusal(
            "The camera now holds an incomplete image. Its first byte was set back to 'B', so "
            "the camera will not start it. Upload the image again.");
    }
    return Refusal(
        "The camera now holds an incomplete image, and its first byte could not be set back "
        "to 'B': the camera may try to start it. Upload the image again before you use the "
        "camera.");
}

AutoRunReport AutoPassReport(const UploadOutcome& outcome) {
    const auto status = [](std::string text) {
        return AutoRunReport{"Operation status: " + text, std::nullopt, false};
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

}  // namespace kestrovane
