#include "cli/OperationLogging.h"

#include "KestrovaneVersion.h"
#include "cli/CameraSelector.h"
#include "files/AppendedRecord.h"
#include "files/Utf8Path.h"

namespace kestrovane::cli {

namespace {

std::optional<std::string> TextField(const Json& json, const char* name) {
    const auto found = json.find(name);
    if (found == json.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

bool CheckLogFile(Output& output, const std::string& file) {
    std::string why;
    if (AppendRecord(PathFromUtf8(file), "", why)) return true;
    output.Error("The log file " + file + " cannot be written: " + why + ".");
    output.Hint("Nothing was done; name a file this user may append to with --log.");
    return false;
}

OperationLogging::OperationLogging(CliSession& session) : session_(session) {
    if (session.global.logFile.empty()) return;
    log_.emplace(PathFromUtf8(session.global.logFile));
    for (DeviceNote& note : DeviceNotesOf(session)) notes_[note.path] = note;
}

OperationRecord OperationLogging::Begin(const std::string& operation,
                                        const std::string& cameraPath) const {
    OperationRecord record;
    record.tool = std::string("kestrovane-cli ") + KESTROVANE_VERSION;
    record.operation = operation;
    record.camera = cameraPath;
    if (const auto note = notes_.find(cameraPath); note != notes_.end()) {
        record.serial = note->second.serial;
        record.port = note->second.port;
    }
    return record;
}

bool OperationLogging::Finish(OperationRecord record, const Json& cameraJson) {
    if (!log_) return true;
    RecordCameraState(record, {session_.cameras, record.camera});
    record.result = TextField(cameraJson, "result").value_or("failed");
    record.step = TextField(cameraJson, "step").value_or("");
    if (const auto block = cameraJson.find("block");
        block != cameraJson.end() && block->is_number_unsigned()) {
        record.block = block->get<std::size_t>();
    }
    if (const auto restored = cameraJson.find("markerRestored");
        restored != cameraJson.end() && restored->is_boolean()) {
        record.markerRestored = restored->get<bool>();
    }
    if (const auto seconds = cameraJson.find("seconds");
        seconds != cameraJson.end() && seconds->is_number()) {
        record.seconds = seconds->get<double>();
    }
    return Append(record);
}

bool OperationLogging::Append(const OperationRecord& record) {
    if (!log_) return true;
    std::string why;
    if (log_->Append(record, why)) return true;
    session_.output.Error("The record of " + record.camera + " could not be added to the log " +
                          session_.global.logFile + ": " + why + ".");
    return false;
}

}  // namespace kestrovane::cli
