#pragma once

#include <memory>
#include <string>

#include "camera/CameraPort.h"
#include "cli/CliPlatform.h"

namespace kestrovane::cli {

struct TraceSink;

// --verbose: a camera port that passes everything on to the real one and
// writes every extension-unit request with its bytes as the simulated
// session prints them ("SET EepromChannel  00 40 00"; a GET shows the reply),
// with the status of a request that failed.
class TracingCameraPort final : public CameraPort {
public:
    TracingCameraPort(CameraPort& traced, VerboseLines lines);
    ~TracingCameraPort() override;

    // With several cameras at work, each line begins with its camera's path.
    void ShowPaths(bool show);

    HResult EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) override;

private:
    CameraPort& traced_;
    std::shared_ptr<TraceSink> sink_;
};

// One request as the trace shows it.
std::string TraceLine(const NodePropertyRequest& request, const uint8_t* data, uint32_t length,
                      HResult result);

}  // namespace kestrovane::cli
