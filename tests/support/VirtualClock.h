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
        now_ += milliseconds;
        ++sleeps_;
    }
    uint64_t NowMs() const override { return now_; }
    uint64_t SleepCount() const { return sleeps_; }
    void Advance(uint64_t milliseconds) { now_ += milliseconds; }

private:
    std::atomic<uint64_t> now_{0};
    std::atomic<uint64_t> sleeps_{0};
};

}  // namespace kestrovane::testing
