#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "VirtualClock.h"

namespace kestrovane::testing {

// Virtual time with things that happen at set moments: a pause that reaches
// an action's moment runs it (in the order of their moments), as if a person
// at the bench acted then. Pauses of the same thread only; an action may
// schedule further actions.
class ScheduledClock final : public Clock {
public:
    void At(uint64_t ms, std::function<void()> action) {
        std::lock_guard lock(mutex_);
        actions_.emplace(ms, std::move(action));
    }
    void SleepMs(uint32_t milliseconds) override {
        time_.SleepMs(milliseconds);
        RunDue();
    }
    void SleepUs(uint32_t microseconds) override {
        time_.SleepUs(microseconds);
        RunDue();
    }
    uint64_t NowMs() const override { return time_.NowMs(); }

private:
    void RunDue() {
        for (;;) {
            std::function<void()> action;
            {
                std::lock_guard lock(mutex_);
                const auto due = actions_.begin();
                if (due == actions_.end() || due->first > time_.NowMs()) return;
                action = std::move(due->second);
                actions_.erase(due);
            }
            action();
        }
    }

    VirtualClock time_;
    std::mutex mutex_;
    std::multimap<uint64_t, std::function<void()>> actions_;
};

}  // namespace kestrovane::testing
