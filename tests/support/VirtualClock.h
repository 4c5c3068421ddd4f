#pragma once

#include <atomic>
#include <cstdint>

#include "camera/Clock.h"

namespace kestrovane::testing {

// Time that moves only when somebody sleeps: every pause returns at once and
// adds its length to the clock, so tests can check how long the code waited.
class VirtualClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override {
        nowUs_ += uint64_t{milliseconds} * 1000;
        ++sleeps_;
    }
    void SleepUs(uint32_t microseconds) override {
        nowUs_ += microseconds;
        ++sleeps_;
    }
    uint64_t NowMs() const override { return nowUs_ / 1000; }
    uint64_t NowUs() const { return nowUs_; }
    uint64_t SleepCount() const { return sleeps_; }
    void Advance(uint64_t milliseconds) { nowUs_ += milliseconds * 1000; }

private:
    std::atomic<uint64_t> nowUs_{0};
    std::atomic<uint64_t> sleeps_{0};
};

}  // namespace kestrovane::testing
