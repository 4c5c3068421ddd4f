#include "cli/TracingCameraPort.h"

#include <atomic>
#include <cstdio>

namespace kestrovane::cli {

// Shared by the port and every object it hands out, which may outlive it.
struct TraceSink {
    VerboseLines lines;
    std::atomic<bool> showPaths{false};

    void Write(const std::string& path, const std::string& line) const {
        if (!lines) return;
        lines(showPaths ? path + ": " + line : line);
    }
};

namespace {

class TracingControl final : public PropertyControl {
public:
    TracingControl(std::unique_ptr<PropertyControl> traced, std::shared_ptr<TraceSink> sink,
                   std::string path)
        : traced_(std::move(traced)), sink_(std::move(sink)), path_(std::move(path)) {}

    HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                       uint32_t* bytesReturned) override {
        const HResult result = traced_->KsProperty(request, data, length, bytesReturned);
        sink_->Write(path_, TraceLine(request, data, length, result));
        return result;
    }

private:
    std::unique_ptr<PropertyControl> traced_;
    std::shared_ptr<TraceSink> sink_;
    std::string path_;
};

class TracingFilter final : public CaptureFilter {
public:
    TracingFilter(std::unique_ptr<CaptureFilter> traced, std::shared_ptr<TraceSink> sink,
                  std::string path)
        : traced_(std::move(traced)), sink_(std::move(sink)), path_(std::move(path)) {}

    HResult QueryTopology(std::unique_ptr<Topology>* topology) override {
        return traced_->QueryTopology(topology);
    }
    HResult QueryPropertyControl(std::unique_ptr<PropertyControl>* control) override {
        std::unique_ptr<PropertyControl> traced;
        const HResult result = traced_->QueryPropertyControl(&traced);
        if (traced) *control = std::make_unique<TracingControl>(std::move(traced), sink_, path_);
        return result;
    }

private:
    std::unique_ptr<CaptureFilter> traced_;
    std::shared_ptr<TraceSink> sink_;
    std::string path_;
};

class TracingEntry final : public DeviceEntry {
public:
    TracingEntry(std::unique_ptr<DeviceEntry> traced, std::shared_ptr<TraceSink> sink)
        : traced_(std::move(traced)), sink_(std::move(sink)) {}

    HResult ReadDevicePath(std::string* path) override {
        const HResult result = traced_->ReadDevicePath(path);
        if (result == kS_OK) path_ = *path;
        return result;
    }
    HResult BindFilter(std::unique_ptr<CaptureFilter>* filter) override {
        std::unique_ptr<CaptureFilter> traced;
        const HResult result = traced_->BindFilter(&traced);
        if (traced) *filter = std::make_unique<TracingFilter>(std::move(traced), sink_, path_);
        return result;
    }

private:
    std::unique_ptr<DeviceEntry> traced_;
    std::shared_ptr<TraceSink> sink_;
    std::string path_;
};

class TracingEnumerator final : public DeviceEnumerator {
public:
    TracingEnumerator(std::unique_ptr<DeviceEnumerator> traced, std::shared_ptr<TraceSink> sink)
        : traced_(std::move(traced)), sink_(std::move(sink)) {}

    HResult Next(std::unique_ptr<DeviceEntry>* entry) override {
        std::unique_ptr<DeviceEntry> traced;
        const HResult result = traced_->Next(&traced);
        if (traced) *entry = std::make_unique<TracingEntry>(std::move(traced), sink_);
        return result;
    }

private:
    std::unique_ptr<DeviceEnumerator> traced_;
    std::shared_ptr<TraceSink> sink_;
};

}  // namespace

TracingCameraPort::TracingCameraPort(CameraPort& traced, VerboseLines lines)
    : traced_(traced), sink_(std::make_shared<TraceSink>()) {
    sink_->lines = std::move(lines);
}

TracingCameraPort::~TracingCameraPort() = default;

void TracingCameraPort::ShowPaths(bool show) {
    sink_->showPaths = show;
}

HResult TracingCameraPort::EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) {
    std::unique_ptr<DeviceEnumerator> traced;
    const HResult result = traced_.EnumerateVideoInputs(&traced);
    if (traced) *enumerator = std::make_unique<TracingEnumerator>(std::move(traced), sink_);
    return result;
}

std::string TraceLine(const NodePropertyRequest& request, const uint8_t* data, uint32_t length,
                      HResult result) {
    const bool get = (request.flags & KSPROPERTY_TYPE_GET) != 0;
    const char* channel = request.id == EepromChannel    ? "EepromChannel"
                          : request.id == CommandChannel ? "CommandChannel"
                                                         : "selector?";
    char text[96];
    int used = std::snprintf(text, sizeof text, "%s %-14s", get ? "GET" : "SET", channel);
    for (uint32_t k = 0; k < length && k < 3 && data != nullptr && used > 0 &&
                         static_cast<std::size_t>(used) < sizeof text;
         ++k) {
        used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), " %02X",
                              data[k]);
    }
    std::string line = text;
    if (result != kS_OK) {
        char status[48];
        std::snprintf(status, sizeof status, "  failed (status 0x%08X)",
                      static_cast<unsigned>(result));
        line += status;
    }
    return line;
}

}  // namespace kestrovane::cli
