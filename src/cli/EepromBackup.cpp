// read FILE, and the backup that upload --backup takes before it writes.
#include "cli/EepromBackup.h"

#include <filesystem>

#include "cli/CameraChoice.h"
#include "files/FileReplacement.h"
#include "files/Utf8Path.h"
#include "upload/EepromDump.h"
#include "upload/OutcomeTexts.h"
#include "upload/UploadImage.h"

namespace kestrovane::cli {

ExitCode SaveEeprom(CliSession& session, const std::string& cameraPath, std::size_t size,
                    const std::string& file, const std::string& label, Json& json) {
    Output& output = session.output;
    const std::filesystem::path target = PathFromUtf8(file);
    json["file"] = file;
    json["bytes"] = 0;
    // The temporary file first: a folder that cannot take the file is found
    // before the camera is read for a minute.
    FileReplacement replacement;
    if (!replacement.Begin(target)) {
        output.Error("The file " + file +
                     " cannot be written (a folder, or no file can be created beside it).");
        json["result"] = "fileFailed";
        return ExitCode::Failed;
    }
    const int task = output.BeginProgress(label, size, 1, "bytes");
    const EepromDump dump = ReadWholeEeprom({session.cameras, cameraPath}, size,
                                            [&](std::size_t bytesRead) {
                                                output.AdvanceProgress(task, bytesRead);
                                                return !session.StopRequested();
                                            });
    output.EndProgress(task);
    json["bytes"] = dump.bytes.size();
    json["protocolLevel"] = dump.level;
    switch (dump.result) {
        case EepromDump::Result::Read:
            break;
        case EepromDump::Result::NotSupported:
            output.Error(kFunctionNotSupportedText);
            output.Hint("This camera's firmware has no EEPROM reads (protocol level " +
                        std::to_string(dump.level) + "), so its EEPROM cannot be saved.");
            json["result"] = "notSupported";
            return ExitCode::Failed;
        case EepromDump::Result::Cancelled:
            output.Error(label + " stopped after " + std::to_string(dump.bytes.size()) +
                         " bytes; " + file + " was left as it was.");
            json["result"] = "cancelled";
            return ExitCode::Failed;
        case EepromDump::Result::Failed:
            output.Error(label + " failed after " + std::to_string(dump.bytes.size()) +
                         " bytes: " + std::string(VersionReadFailureText(dump.code)) + "; " +
                         file + " was left as it was.");
            json["result"] = "failed";
            return dump.code == XU_NO_DEVICE ? ExitCode::NoCamera : ExitCode::Failed;
    }
    if (!replacement.Write(std::span<const uint8_t>(dump.bytes)) || !replacement.Commit()) {
        output.Error("The EEPROM was read, but " + file + " could not be written; it was left " +
                     "as it was.");
        json["result"] = "fileFailed";
        return ExitCode::Failed;
    }
    json["result"] = "saved";
    output.Notice(label + ": " + std::to_string(dump.bytes.size()) + " bytes saved to " + file);
    return ExitCode::Done;
}

ExitCode RunRead(CliSession& session, const ReadRequest& request) {
    Output& output = session.output;
    std::size_t size = UploadCapacity(request.eeprom);
    if (!request.image.empty()) {
        const UploadImage image = LoadUploadImage(request.image, request.eeprom);
        if (image.status != ImageLoadStatus::Ok) {
            output.Error("The image " + request.image +
                         " cannot be read or does not fit the EEPROM type.");
            return ExitCode::BadInput;
        }
        size = image.bytes.size();
    }
    OperationLogging logging(session);
    std::optional<ChosenCamera> camera = ChooseCamera(session, request.camera);
    if (!camera) return ExitCode::NoCamera;
    Json& json = output.Document();
    json["camera"] = camera->path;
    OperationRecord record = logging.Begin("read", camera->path);
    record.image = request.file;
    const uint64_t startedMs = session.clock.NowMs();
    const ExitCode code = SaveEeprom(session, camera->path, size, request.file, "Read", json);
    json["seconds"] = static_cast<double>(session.clock.NowMs() - startedMs) / 1000.0;
    if (logging.Enabled()) {
        Json logged = json;
        logged.erase("bytes");
        if (!logging.Finish(record, logged) && code == ExitCode::Done) return ExitCode::Failed;
    }
    return code;
}

}  // namespace kestrovane::cli
