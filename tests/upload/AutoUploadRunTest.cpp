#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "ScheduledClock.h"
#include "TempFolder.h"
#include "camera/sim/SimulatedMachine.h"
#include "upload/AutoUploadRun.h"

namespace kestrovane::testing {
namespace {

using State = AutoUploadState;

// Records what an auto run tells its front end, with the virtual time.
class RecordingObserver final : public AutoUploadObserver {
public:
    RecordingObserver(std::atomic<int32_t>& running, Clock& clock)
        : running_(running), clock_(clock) {}

    void StateChanged(State state) override { states.push_back(state); }
    bool BeginBlocks(std::size_t) override { return true; }
    void BeginBlock(std::size_t) override {}
    bool StopRequested() override { return running_ == 0; }
    bool CameraServed(const UploadOutcome& outcome) override {
        servedAtMs.push_back(clock_.NowMs());
        outcomes.push_back(outcome);
        return true;
    }

    std::vector<State> states;
    std::vector<uint64_t> servedAtMs;
    std::vector<UploadOutcome> outcomes;

private:
    std::atomic<int32_t>& running_;
    Clock& clock_;
};

TEST(AutoUploadRun, WaitsSettlesWritesAndWaitsForTheNextCamera) {
    TempFolder folder("kestrovane_auto_run_states");
    UploadSettings settings;
    settings.imagePath = (folder.Path() / "image.bin").string();
    std::ofstream(settings.imagePath, std::ios::binary) << std::string(16, 'x');
    settings.eepromType = kEeprom24C02;  // 8-byte blocks: 2 blocks
    settings.blockDelayMs = 0;
    settings.cameraPath = "\\\\?\\usb#vid_3a5e&pid_2b01&mi_00#line#{guid}\\global";

    ScheduledClock clock;
    sim::SimulatedMachine machine(clock);
    std::atomic<int32_t> running{1};
    std::atomic<int32_t> done{0};
    RecordingObserver observer(running, clock);
    // Nothing under the path at first; a camera from 1000 to 5000 ms, another
    // from 6000 ms on; the run stops at 9000 ms.
    clock.At(1000, [&] { machine.AttachCamera(settings.cameraPath, 256, 2); });
    clock.At(5000, [&] { machine.Detach(settings.cameraPath); });
    clock.At(6000, [&] { machine.AttachCamera(settings.cameraPath, 256, 2); });
    clock.At(9000, [&] { running = 0; });
    RunAutoUpload(machine, clock, settings, {running, done}, observer);

    EXPECT_EQ(observer.states, (std::vector<State>{State::Waiting, State::Settling, State::Writing,
                                                   State::Done, State::Waiting, State::Settling,
                                                   State::Writing, State::Done, State::Ended}));
    // Each camera is written after the look that found it and 2000 ms.
    EXPECT_EQ(observer.servedAtMs, (std::vector<uint64_t>{3000, 8000}));
    ASSERT_EQ(observer.outcomes.size(), 2u);
    EXPECT_EQ(observer.outcomes[1].result, UploadOutcome::Result::Committed);
    EXPECT_EQ(done, 1);
}

}  // namespace
}  // namespace kestrovane::testing
