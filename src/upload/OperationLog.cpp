#include "upload/OperationLog.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "camera/CommandSet.h"
#include "files/AppendedRecord.h"
#include "files/HostName.h"
#include "files/Utf8Path.h"
#include "image/FieldOffsets.h"
#include "image/VersionText.h"
#include "upload/DeviceVersion.h"
#include "upload/Sha256.h"

namespace kestrovane {

namespace {

// A JSON string: quotes, backslashes and control characters escaped; bytes
// that are not UTF-8 are escaped as the code points of Latin-1, so that every
// line stays valid JSON whatever a camera or a file holds.
std::string Quoted(const std::string& text) {
    std::string json = "\"";
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
            continue;
        }
        std::size_t length = 0;
        if (byte >= 0xC2 && byte <= 0xDF) length = 2;
        else if (byte >= 0xE0 && byte <= 0xEF) length = 3;
        else if (byte >= 0xF0 && byte <= 0xF4) length = 4;
        bool sequence = length > 0 && at + length <= text.size();
        for (std::size_t k = 1; sequence && k < length; ++k) {
            sequence = (static_cast<unsigned char>(text[at + k]) & 0xC0) == 0x80;
        }
        if (sequence) {
            json.append(text, at, length);
            at += length - 1;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += static_cast<char>(byte);
        }
    }
    return json + "\"";
}

std::string Text(const std::string& text) { return text.empty() ? "null" : Quoted(text); }
std::string Text(const std::optional<std::string>& text) {
    return text ? Quoted(*text) : "null";
}

template <typename Value>
std::string Number(const std::optional<Value>& value) {
    return value ? std::to_string(*value) : "null";
}

std::string_view ResultName(UploadOutcome::Result result) {
    switch (result) {
        case UploadOutcome::Result::Committed:
            return "committed";
        case UploadOutcome::Result::Verified:
            return "verified";
        case UploadOutcome::Result::Cancelled:
            return "cancelled";
        case UploadOutcome::Result::NotStarted:
            return "notStarted";
        case UploadOutcome::Result::Failed:
            break;
    }
    return "failed";
}

std::string_view StepName(UploadStep step) {
    static constexpr std::array<std::string_view, 13> kNames = {
        "",         "loadImage", "openCamera", "openExtensionUnit", "getKsControl",
        "makeWritable", "setEepromType", "setOffset", "dataWord", "endBlock",
        "checkSet", "checkGet", "mismatch"};
    const auto index = static_cast<std::size_t>(step);
    return index < kNames.size() ? kNames[index] : "";
}

}  // namespace

std::string UtcTimestamp(std::chrono::system_clock::time_point time) {
    const auto sinceEpoch = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count();
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &whole);
#else
    gmtime_r(&whole, &utc);
#endif
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

std::string OperationLogLine(const OperationRecord& record) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", record.seconds);
    std::string line = "{";
    line += "\"time\":" + Quoted(UtcTimestamp(record.time));
    line += ",\"host\":" + Text(record.host);
    line += ",\"tool\":" + Text(record.tool);
    line += ",\"operation\":" + Text(record.operation);
    line += ",\"camera\":" + Text(record.camera);
    line += ",\"serial\":" + Text(record.serial);
    line += ",\"port\":" + Text(record.port);
    line += ",\"image\":" + Text(record.image);
    line += ",\"imageBytes\":" + Number(record.imageBytes);
    line += ",\"imageSha256\":" + Text(record.imageSha256);
    line += ",\"imageBinVersion\":" + Text(record.imageBinVersion);
    line += ",\"imageHwVersion\":" + Text(record.imageHwVersion);
    line += ",\"cameraBinVersion\":" + Text(record.cameraBinVersion);
    line += ",\"cameraHwVersion\":" + Text(record.cameraHwVersion);
    line += ",\"marker\":" + Text(record.marker);
    line += ",\"result\":" + Text(record.result);
    line += ",\"step\":" + Text(record.step);
    line += ",\"block\":" + Number(record.block);
    line += ",\"markerRestored\":" +
            std::string(record.markerRestored ? (*record.markerRestored ? "true" : "false")
                                              : "null");
    line += ",\"seconds\":" + std::string(seconds);
    return line + "}\n";
}

void RecordOutcome(OperationRecord& record, const UploadOutcome& outcome) {
    record.result = std::string(ResultName(outcome.result));
    record.step = outcome.result == UploadOutcome::Result::Failed
                      ? std::string(StepName(outcome.step))
                      : std::string();
    const bool stopped = outcome.result == UploadOutcome::Result::Failed ||
                         outcome.result == UploadOutcome::Result::Cancelled;
    record.block = stopped ? outcome.block : std::nullopt;
    record.markerRestored = outcome.markerRestored;
}

void RecordImage(OperationRecord& record, const std::string& imagePath) {
    record.image = imagePath;
    std::ifstream file(PathFromUtf8(imagePath),
                       std::ios::binary);
    if (!file) return;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    if (file.bad()) return;
    record.imageBytes = bytes.size();
    record.imageSha256 = Sha256::HexOf(bytes);
    const std::span<const uint8_t> all(bytes);
    if (bytes.size() >= kHwVersionOffset + kVersionFieldLength) {
        record.imageBinVersion = decodeVersionText(all.subspan(kBinVersionOffset, kVersionFieldLength));
        record.imageHwVersion = decodeVersionText(all.subspan(kHwVersionOffset, kVersionFieldLength));
    }
}

std::string MarkerStateName(uint8_t marker) {
    if (marker == kMarkerComplete) return "complete";
    if (marker == kMarkerUploadStarted) return "incomplete";
    if (marker == 0xFF) return "erased";
    return "unknown";
}

void RecordCameraState(OperationRecord& record, const CameraTarget& camera) {
    const DeviceVersions versions = ReadDeviceVersions(camera);
    if (!versions.supported || versions.result != XU_OK) return;
    record.cameraBinVersion = versions.binVersion;
    record.cameraHwVersion = versions.hwVersion;
    std::array<uint8_t, 2> marker{};
    if (ReadEepromBlock(camera, marker, kMarkerOffset) == XU_OK) {
        record.marker = MarkerStateName(marker[0]);
    }
}

bool LogUploadRun(const UploadSettings& settings, CameraPort& cameras,
                  const UploadOutcome& outcome, const std::string& operation,
                  const std::string& tool, double seconds, std::string& why) {
    if (settings.operationLog.empty()) return true;
    OperationRecord record;
    record.tool = tool;
    record.operation = operation;
    record.camera = settings.cameraPath;
    RecordImage(record, settings.imagePath);
    RecordOutcome(record, outcome);
    record.seconds = seconds;
    RecordCameraState(record, {cameras, settings.cameraPath});
    const std::string& file = settings.operationLog;
    return OperationLog(PathFromUtf8(file))
        .Append(std::move(record), why);
}

bool OperationLog::Append(OperationRecord record, std::string& why) const {
    if (record.host.empty()) record.host = HostName();
    return AppendRecord(file_, OperationLogLine(record), why);
}

}  // namespace kestrovane
