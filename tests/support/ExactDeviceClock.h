#pragma once

#include <chrono>
#include <cstdint>

#include "camera/Clock.h"

namespace kestrovane::testing {

// A simulated device's own time in the benchmarks, kept to the microsecond:
// the device takes exactly its latency (0.5 ms per transfer, 20 ms per open),
// not what the operating system's sleep adds to it. It waits on the steady
// clock instead of sleeping; the host's own pauses use the system clock.
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

}  // namespace kestrovane::testing
