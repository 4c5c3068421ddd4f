#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#endif

#include "camera/Clock.h"

namespace kestrovane {

void SystemClock::SleepMs(uint32_t milliseconds) {
#ifdef _WIN32
    // The system's own wait: the C++ library's sleep_for goes through the
    // thread library's emulation and came out some 0.3 ms longer per pause
    // (the block pause of an upload is taken hundreds of times). The timer
    // resolution is raised for the wait alone, so a 20 ms pause is not
    // stretched to the next 15.6 ms tick of the default resolution.
    timeBeginPeriod(1);
    Sleep(milliseconds);
    timeEndPeriod(1);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#endif
}

void SystemClock::SleepUs(uint32_t microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

uint64_t SystemClock::NowMs() const {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace kestrovane
