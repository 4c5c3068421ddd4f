// The upload engine's own cost: per extension-unit request over a simulated
// camera that answers at once, and a whole 16 KiB upload against its floor,
// the time the camera and the block pauses alone take.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ExactDeviceClock.h"
#include "camera/Clock.h"
#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"
#include "camera/sim/SimulatedMachine.h"
#include "upload/AutoUploadRun.h"
#include "upload/CameraWriter.h"

namespace kestrovane {
namespace {

const std::string kCameraPath = sim::UsbCameraPath("3a5e", "2b01", "bench");

using testing::ExactDeviceClock;

// A run nobody watches and nobody stops.
class SilentObserver final : public WriteObserver {
public:
    bool BeginBlocks(std::size_t) override { return true; }
    void BeginBlock(std::size_t) override {}
    bool StopRequested() override { return false; }
};

void HostCostPerRequest(benchmark::State& state) {
    SystemClock clock;
    sim::SimulatedMachine machine(clock);
    machine.AttachCamera(kCameraPath, 16384, 2);
    XuLink link;
    if (link.Open({machine, kCameraPath}) != XU_OK) {
        state.SkipWithError("no simulated camera");
        return;
    }
    for (auto _ : state) {
        XuRequest request = EeSetOffsetRequest(0x0120);
        benchmark::DoNotOptimize(link.Set(EepromChannel, request));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HostCostPerRequest);

void Upload16KiB(benchmark::State& state) {
    constexpr std::size_t kImageBytes = 16384;
    constexpr std::size_t kBlockBytes = 32;
    constexpr uint32_t kPauseMs = 20;
    constexpr double kTransferMs = 0.5;
    // Per block: offset, 16 data words, end, and the check's SET and GET.
    constexpr double kTransfersPerBlock = 1 + kBlockBytes / 2 + 1 + 2;
    // The image's blocks, the header commit, and the 10 transfers that make
    // the EEPROM writable.
    constexpr double kBlocks = kImageBytes / kBlockBytes + 1;
    constexpr double kFloorMs =
        kBlocks * (kPauseMs + kTransfersPerBlock * kTransferMs) + 10 * kTransferMs;

    const std::filesystem::path image =
        std::filesystem::temp_directory_path() / "kestrovane_bench_image.bin";
    {
        std::vector<char> bytes(kImageBytes, 0x5A);
        std::ofstream(image, std::ios::binary).write(bytes.data(), std::ssize(bytes));
    }
    ExactDeviceClock deviceClock;
    SystemClock hostClock;
    UploadSettings settings;
    settings.imagePath = image.string();
    settings.eepromType = kEeprom24C128;
    settings.blockDelayMs = kPauseMs;
    settings.verifyAfterWrite = true;
    settings.cameraPath = kCameraPath;

    double totalMs = 0;
    for (auto _ : state) {
        sim::SimulatedMachine machine(deviceClock);
        machine.AttachCamera(kCameraPath, kImageBytes, 2)
            ->SetLatencyUs(static_cast<uint32_t>(kTransferMs * 1000));
        SilentObserver observer;
        const auto start = std::chrono::steady_clock::now();
        const UploadOutcome outcome = WriteCamera(machine, hostClock, settings, observer);
        totalMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (outcome.result != UploadOutcome::Result::Committed) {
            state.SkipWithError("the upload did not finish");
        }
    }
    std::filesystem::remove(image);
    const double meanMs = totalMs / static_cast<double>(state.iterations());
    state.counters["floor_ms"] = kFloorMs;
    state.counters["upload_ms"] = meanMs;
    state.counters["ratio"] = meanMs / kFloorMs;
}
BENCHMARK(Upload16KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// An auto run over a stream of cameras: as soon as one camera is served it is
// unplugged, and once the run has seen the path empty the next one is
// plugged in under it. Each camera's time runs from its plug-in to its
// success; its floor is the run's next look (100 ms), the settling (2000 ms)
// and the floor of the upload itself.
class StreamObserver final : public AutoUploadObserver {
public:
    StreamObserver(sim::SimulatedMachine& machine, std::atomic<int32_t>& running, int cameras)
        : machine_(machine), running_(running), left_(cameras) {}
    void StateChanged(AutoUploadState state) override {
        if (state == AutoUploadState::Waiting && left_ > 0 && running_ != 0) PlugInNext();
    }
    bool BeginBlocks(std::size_t) override { return true; }
    void BeginBlock(std::size_t) override {}
    bool StopRequested() override { return running_ == 0; }
    bool CameraServed(const UploadOutcome& outcome) override {
        if (outcome.result != UploadOutcome::Result::Committed) {
            failed = true;
            running_ = 0;
            return false;
        }
        perCameraMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - pluggedAt_)
                .count());
        machine_.Detach(kCameraPath);
        if (--left_ == 0) running_ = 0;
        return true;
    }

    std::vector<double> perCameraMs;
    bool failed = false;

private:
    void PlugInNext() {
        machine_.AttachCamera(kCameraPath, 16384, 2)->SetLatencyUs(500);
        pluggedAt_ = std::chrono::steady_clock::now();
    }

    sim::SimulatedMachine& machine_;
    std::atomic<int32_t>& running_;
    int left_;
    std::chrono::steady_clock::time_point pluggedAt_;
};

void AutoUploadStream(benchmark::State& state) {
    constexpr int kCameras = 3;
    constexpr double kUploadFloorMs = 513 * (20 + 20 * 0.5) + 10 * 0.5;
    constexpr double kFloorMs = kAutoLookPauseMs + kAutoSettleMs + kUploadFloorMs;
    const std::filesystem::path image =
        std::filesystem::temp_directory_path() / "kestrovane_bench_stream.bin";
    {
        std::vector<char> bytes(16384, 0x5A);
        std::ofstream(image, std::ios::binary).write(bytes.data(), std::ssize(bytes));
    }
    UploadSettings settings;
    settings.imagePath = image.string();
    settings.eepromType = kEeprom24C128;
    settings.verifyAfterWrite = true;
    settings.cameraPath = kCameraPath;

    ExactDeviceClock deviceClock;
    SystemClock hostClock;
    double worstMs = 0;
    double meanMs = 0;
    for (auto _ : state) {
        sim::SimulatedMachine machine(deviceClock);
        std::atomic<int32_t> running{1};
        std::atomic<int32_t> done{0};
        StreamObserver observer(machine, running, kCameras);
        RunAutoUpload(machine, hostClock, settings, {running, done}, observer);
        if (observer.failed || observer.perCameraMs.size() != kCameras) {
            state.SkipWithError("a camera was not served");
            break;
        }
        for (const double ms : observer.perCameraMs) {
            worstMs = std::max(worstMs, ms);
            meanMs += ms / kCameras;
        }
    }
    std::filesystem::remove(image);
    state.counters["floor_ms"] = kFloorMs;
    state.counters["per_camera_ms"] = meanMs;
    state.counters["worst_ms"] = worstMs;
    state.counters["ratio"] = meanMs / kFloorMs;
}
BENCHMARK(AutoUploadStream)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kestrovane

BENCHMARK_MAIN();
