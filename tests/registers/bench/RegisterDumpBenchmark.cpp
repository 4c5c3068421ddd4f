// A chip register dump (0x0000 to 0x00FF) into a file, over a simulated camera
// that takes 0.5 ms per transfer and 20 ms to open, against its floor: the
// transfers and one open. For comparison, the same requests with the camera
// opened for each of them, as the single-register commands do.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ExactDeviceClock.h"
#include "camera/Clock.h"
#include "camera/CommandSet.h"
#include "camera/sim/SimulatedMachine.h"
#include "registers/RegisterDump.h"
#include "registers/ReplacingTextFile.h"

namespace kestrovane {
namespace {

const std::string kCameraPath = sim::UsbCameraPath("3a5e", "2b01", "bench");
constexpr double kTransferMs = 0.5;
constexpr double kOpenMs = 20;
constexpr double kRegisters = 256;
// The probe's SET and GET, then an address request and its reply per register.
constexpr double kTransfers = 2 + 2 * kRegisters;

using testing::ExactDeviceClock;

std::unique_ptr<sim::SimulatedMachine> BenchMachine(Clock& clock) {
    auto machine = std::make_unique<sim::SimulatedMachine>(clock);
    machine->AttachCamera(kCameraPath, 16384, 2)
        ->SetLatencyUs(static_cast<uint32_t>(kTransferMs * 1000));
    machine->SetOpenLatencyUs(static_cast<uint32_t>(kOpenMs * 1000));
    return machine;
}

void Report(benchmark::State& state, double totalMs, double floorMs) {
    const double meanMs = totalMs / static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs;
    state.counters["dump_ms"] = meanMs;
    state.counters["ratio"] = meanMs / floorMs;
}

void ChipDumpToFile(benchmark::State& state) {
    ExactDeviceClock deviceClock;
    const std::string path =
        (std::filesystem::temp_directory_path() / "kestrovane_bench_TovrinRegs.txt").string();
    double totalMs = 0;
    for (auto _ : state) {
        const auto machine = BenchMachine(deviceClock);
        const auto start = std::chrono::steady_clock::now();
        ReplacingTextFile file;
        RegisterSession session;
        if (!file.Create(path) || session.Open({*machine, kCameraPath}) != XU_OK) {
            state.SkipWithError("no file or no simulated camera");
            return;
        }
        const RegisterRunResult result = DumpRegisters(
            session, RegisterKind::Chip, *DumpRange(RegisterKind::Chip, 0, session.AddressLimit()),
            [&](uint16_t address, uint16_t value) {
                file.WriteLine(FormatRegisterLine(address, value));
            });
        if (result.code != XU_OK || result.done != kRegisters || !file.Commit()) {
            state.SkipWithError("the dump did not finish");
            return;
        }
        totalMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    std::filesystem::remove(path);
    Report(state, totalMs, kTransfers * kTransferMs + kOpenMs);
}
BENCHMARK(ChipDumpToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same probe and reads, each command opening the camera anew.
void ChipDumpOpeningPerRequest(benchmark::State& state) {
    ExactDeviceClock deviceClock;
    double totalMs = 0;
    for (auto _ : state) {
        const auto machine = BenchMachine(deviceClock);
        const CameraTarget camera{*machine, kCameraPath};
        const auto start = std::chrono::steady_clock::now();
        XuProtocolLevel level = 0;
        QueryXuProtocol(camera, level);
        for (uint16_t address = 0; address < kRegisters; ++address) {
            uint16_t value = 0;
            benchmark::DoNotOptimize(ReadRegister(camera, address, value, CHIP_LEVEL2));
        }
        totalMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    Report(state, totalMs, kTransfers * kTransferMs + kOpenMs);
}
BENCHMARK(ChipDumpOpeningPerRequest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kestrovane

BENCHMARK_MAIN();
