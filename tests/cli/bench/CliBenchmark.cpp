// The command line's parallel upload: `upload --all` over four simulated
// cameras that each take 0.5 ms per transfer, independently of each other,
// against `upload` to one such camera; and what `--readback` adds to an
// upload. Every run goes through the whole program, from its arguments to
// its exit status, on the system clock. The images are patterns, not
// firmware, so the runs pass `--force` past the image checks.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "camera/Clock.h"
#include "cli/CommandLine.h"

namespace kestrovane {
namespace {

constexpr uint32_t kTransferUs = 500;
constexpr std::size_t kImageBytes = 16384;  // a 24C128, 512 blocks of 32 bytes

// Per block: offset, 16 data words, end, the check's SET and GET; 513 blocks
// with the header commit, 10 transfers to make the EEPROM writable, the
// 20 ms pauses; the 100 ms look at the window list per camera considered.
constexpr double kUploadFloorMs = 513 * (20 + 20 * 0.5) + 10 * 0.5 + 100;
// The read-back: the probe, then a request and its reply per 16-bit word.
constexpr double kReadBackFloorMs = (2 + 2 * kImageBytes / 2) * 0.5;

std::string ImageFile() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "kestrovane_cli_bench_image.bin";
    std::vector<char> bytes(kImageBytes);
    for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
        bytes[offset] = static_cast<char>(offset * 37 + 11);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
    return path.string();
}

// One run of the program; its wall time in ms, or a negative value when it failed.
double RunMs(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    std::atomic<int32_t> stop{0};
    cli::Console console{out, err, false, false, false, {}, stop};
    SystemClock clock;
    cli::CliEnvironment environment{console, clock, {}, kTransferUs};
    const auto start = std::chrono::steady_clock::now();
    const int code = cli::RunCommandLine(arguments, environment);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return code == 0 ? ms : -1;
}

void Measure(benchmark::State& state, const std::vector<std::string>& arguments, double floorMs) {
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = RunMs(arguments);
        if (ms < 0) state.SkipWithError("the upload failed");
        totalMs += ms;
    }
    const double meanMs = totalMs / static_cast<double>(state.iterations());
    state.counters["wall_ms"] = meanMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = meanMs / floorMs;
}

void UploadOneCamera(benchmark::State& state) {
    Measure(state,
            {"--simulate", "--quiet", "upload", "--force", ImageFile(), "--eeprom", "24C128"},
            kUploadFloorMs);
}
BENCHMARK(UploadOneCamera)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Four cameras, each written by a thread of its own; the goal is a wall time
// within 10 % of one camera's. Their floor is one camera's: the walk that
// finds them pauses once after its look at the window list.
void UploadAllFourCameras(benchmark::State& state) {
    Measure(state,
            {"--simulate-cameras", "4", "--quiet", "upload", "--force", "--all", ImageFile(),
             "--eeprom", "24C128"},
            kUploadFloorMs);
}
BENCHMARK(UploadAllFourCameras)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// `upload --all` over 1, 4, 8 and 16 cameras, an 8 KiB image onto the default
// 24C64 with the default block pause, in one run; `to_one` is each count's
// wall time over the one camera's (goal: 8 cameras within 1.03, 16 within
// 1.05). The cameras are written in parallel, so the only time that may grow
// with their number is the walk that finds and claims them.
std::string SmallImageFile() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "kestrovane_cli_bench_image_8k.bin";
    std::vector<char> bytes(8192);
    for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
        bytes[offset] = static_cast<char>(offset * 37 + 11);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
    return path.string();
}

double oneCameraMs = 0;

void UploadAllCameras(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = RunMs({"--simulate-cameras", std::to_string(count), "--quiet", "upload",
                                 "--force", "--all", SmallImageFile()});
        if (ms < 0) state.SkipWithError("the upload failed");
        totalMs += ms;
    }
    const double meanMs = totalMs / static_cast<double>(state.iterations());
    if (count == 1) oneCameraMs = meanMs;
    state.counters["wall_ms"] = meanMs;
    state.counters["to_one"] = oneCameraMs > 0 ? meanMs / oneCameraMs : 0;
}
BENCHMARK(UploadAllCameras)
    ->Arg(1)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void UploadWithReadBack(benchmark::State& state) {
    Measure(state,
            {"--simulate", "--quiet", "upload", "--force", ImageFile(), "--eeprom", "24C128",
             "--readback"},
            kUploadFloorMs + kReadBackFloorMs);
}
BENCHMARK(UploadWithReadBack)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kestrovane

BENCHMARK_MAIN();
