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

#include "camera/Clock.h"
#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"
#include "camera/sim/SimulatedMachine.h"
#include "upload/CameraWriter.h"

namespace kestrovane {
namespace {

const std::string kCameraPath = sim::UsbCameraPath("3a5e", "2b01", "bench");

// The simulated camera's transfer time, kept to the microsecond: the device
// takes its 0.5 ms, not what the operating system's sleep adds to it. The
// host's own pauses use the system clock.
class ExactDeviceClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override { SleepUs(milliseconds * 1000); }
    void SleepUs(uint32_t microseconds) override {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
        while (std::chrono::steady_clock::now() < until) {
        }
    }
    uint64_t NowMs() const override { return system_.NowMs(); }

private:
    SystemClock system_;
};

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

}  // namespace
}  // namespace kestrovane

BENCHMARK_MAIN();
