#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "VirtualClock.h"
#include "camera/Discovery.h"
#include "camera/sim/SimulatedHotPlug.h"

namespace kestrovane::testing {
namespace {

bool Attached(sim::SimulatedMachine& machine, const std::string& path) {
    std::unique_ptr<CaptureFilter> filter;
    return OpenCamera({machine, path}, &filter) == XU_OK;
}

TEST(SimulatedHotPlug, SwapsTheCameraForAFreshOneUnderTheSamePath) {
    VirtualClock clock;
    sim::SimulatedMachine machine(clock);
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "bench");
    sim::SimulatedHotPlug hands(machine, path, 256, 2);
    const auto first = hands.Camera();
    first->WriteEeprom(0, {'A'});
    ASSERT_TRUE(Attached(machine, path));

    hands.PlugInNew();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (hands.Camera() == first && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(clock.NowMs(), sim::SimulatedHotPlug::kSwapGapMs);  // the gap was kept
    EXPECT_FALSE(first->Present());
    EXPECT_TRUE(Attached(machine, path));
    EXPECT_EQ(hands.Camera()->EepromByte(0), 0xFF);

    hands.Unplug();
    EXPECT_FALSE(Attached(machine, path));
    hands.PlugInNew();  // nothing attached: at once
    EXPECT_TRUE(Attached(machine, path));
}

}  // namespace
}  // namespace kestrovane::testing
