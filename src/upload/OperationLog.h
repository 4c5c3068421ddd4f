#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "camera/Discovery.h"
#include "upload/UploadOutcome.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// One camera operation as the log keeps it: which camera got which image,
// how it ended and what the camera holds afterwards. Empty texts and absent
// values are written as null.
struct OperationRecord {
    std::chrono::system_clock::time_point time = std::chrono::system_clock::now();
    std::string host;
    std::string tool;       // the program and its version
    std::string operation;  // "upload", "verify", "erase", "read", "dryRun", "auto"
    std::string camera;     // the device path
    std::string serial;
    std::optional<std::string> port;
    // The image: its path, size and SHA-256, and the version texts it carries.
    std::string image;
    std::optional<uint64_t> imageBytes;
    std::string imageSha256;
    std::optional<std::string> imageBinVersion;
    std::optional<std::string> imageHwVersion;
    // The version texts and marker read from the camera after the operation.
    std::optional<std::string> cameraBinVersion;
    std::optional<std::string> cameraHwVersion;
    std::string marker;  // "complete", "incomplete", "erased", "unknown"; empty: not read
    std::string result;  // as the JSON documents name it ("committed", "failed", ...)
    std::string step;    // for a failure, the step that failed
    std::optional<std::size_t> block;
    std::optional<bool> markerRestored;
    double seconds = 0;
};

// The record as one line of JSON, ending in a line feed.
std::string OperationLogLine(const OperationRecord& record);

// A time as the log writes it: UTC, ISO 8601 with milliseconds
// ("2026-12-08T04:05:06.789Z").
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

// The result, failed step and block of an upload's outcome, by the names the
// JSON documents use.
void RecordOutcome(OperationRecord& record, const UploadOutcome& outcome);

// The image's path, size, SHA-256 and version texts; only the path when the
// file cannot be read.
void RecordImage(OperationRecord& record, const std::string& imagePath);

// The version texts and the marker the camera holds now; left absent for a
// camera that cannot be read.
void RecordCameraState(OperationRecord& record, const CameraTarget& camera);

// The marker byte's meaning: 'A' complete, 'B' incomplete, 0xFF erased.
std::string MarkerStateName(uint8_t marker);

// The record of one camera's run under `settings` (the image, the outcome,
// what the camera holds afterwards), appended to `settings.operationLog`;
// nothing when that is empty. `operation` is "upload", "verify" or "auto";
// `tool` the program and its version. False when the record could not be
// written, with the reason in `why`.
bool LogUploadRun(const UploadSettings& settings, CameraPort& cameras,
                  const UploadOutcome& outcome, const std::string& operation,
                  const std::string& tool, double seconds, std::string& why);

// A log file the records are appended to, one line each, whole.
class OperationLog {
public:
    explicit OperationLog(std::filesystem::path file) : file_(std::move(file)) {}
    // Appends the record with the host filled in; false, with the system's
    // reason in `why`, when it could not.
    bool Append(OperationRecord record, std::string& why) const;
    const std::filesystem::path& File() const { return file_; }

private:
    std::filesystem::path file_;
};

}  // namespace kestrovane
