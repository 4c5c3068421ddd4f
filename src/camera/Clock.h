#pragma once

#include <cstdint>

namespace kestrovane {

// The passing of time as the program sees it: pauses between camera requests,
// the block pause of an upload, the waits of the close step. Tests and the
// simulated camera run on a virtual clock, so a 2000 ms pause costs nothing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void SleepMs(uint32_t milliseconds) = 0;
    // Pauses shorter than a millisecond (the latency of one USB transfer).
    virtual void SleepUs(uint32_t microseconds) { SleepMs((microseconds + 999) / 1000); }
    // Milliseconds since an arbitrary fixed start.
    virtual uint64_t NowMs() const = 0;
};

// Wall-clock time of the running machine.
class SystemClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override;
    void SleepUs(uint32_t microseconds) override;
    uint64_t NowMs() const override;
};

}  // namespace kestrovane
