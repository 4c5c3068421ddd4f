#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "AppTestFixture.h"
#include "app/FinishCounter.h"
#include "app/UploadReports.h"
#include "app/UploadDialog.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

// Virtual time in which every pause lets the other threads run, so the
// worker's requests and the user's clicks really interleave: the test the
// ThreadSanitizer build runs for the handlers a user may click during a run.
class YieldingClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override {
        time_.SleepMs(milliseconds);
        std::this_thread::yield();
    }
    void SleepUs(uint32_t microseconds) override {
        time_.SleepUs(microseconds);
        std::this_thread::yield();
    }
    uint64_t NowMs() const override { return time_.NowMs(); }

private:
    VirtualClock time_;
};

using UploadDialogConcurrencyTest = AppTest;

// An auto run serves a stream of three cameras while the user clicks every
// handler that a running upload allows, then closes the dialog during the
// run: every camera is served once and counted once, nothing but the
// refusals of the camera operations is shown, and the close winds the run
// down and gives the camera back.
TEST_F(UploadDialogConcurrencyTest, ClicksDuringAnAutoRunOverAStreamOfCameras) {
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000");
    std::shared_ptr<sim::SimulatedController> camera = machine_.AttachCamera(path, 16384, 2);
    const std::string image = (CounterFile().parent_path() / "image.bin").string();
    std::ofstream(image, std::ios::binary) << std::string(200, '\x33');

    YieldingClock clock;
    AppServices services{host_,   services_.programPath, clock,     machine_, machine_,
                         claims_, cameraPath_,           installer_};
    UploadDialog dialog(services);
    constexpr int kCameras = 3;
    std::vector<uint8_t> markers;
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        window.SetItemText(kBinFileEdit, image);
        window.SetItemChecked(kAutoUploadCheck, true);
        d.OnCommand(kAutoUploadCheck);
        d.OnCommand(kUploadButton);
        ASSERT_TRUE(dialog.WorkerActive());

        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool verify = true;
        while (static_cast<int>(markers.size()) < kCameras) {
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << markers.size() << " served";
            verify = !verify;
            window.SetItemChecked(kUploadVerifyCheck, verify);
            d.OnCommand(kUploadVerifyCheck);
            window.ScriptFileChoice(image);
            d.OnCommand(kBrowseButton);
            d.OnTimer(kCompletionTimerId);
            d.OnCommand(kGetVersionButton);  // refused while the worker runs
            window.ServePending();
            const std::string served = FinishCountText(static_cast<int32_t>(markers.size()) + 1);
            if (!camera && window.Control(kStatusText).text == kStatusNoCamera) {
                // The run has seen the path empty: the next camera.
                camera = machine_.AttachCamera(path, 16384, 2);
            } else if (camera && window.Control(kFinishCountText).text == served) {
                markers.push_back(camera->EepromByte(kMarkerOffset));
                machine_.Detach(path);
                camera.reset();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        d.OnCommand(kIdCancel);
        EXPECT_FALSE(dialog.WorkerActive());
        EXPECT_EQ(dialog.uploadRunning, 0);
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_FALSE(claims_.IsClaimed(path));
        EXPECT_EQ(window.EndResult(), kIdCancel);
        for (const RecordedMessage& message : window.Messages()) {
            EXPECT_EQ(message.text, "An upload is in progress. Please wait until it has ended.");
        }
    });
    host_.RunModal(dialog);
    EXPECT_EQ(markers, std::vector<uint8_t>(kCameras, kMarkerComplete));
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), kCameras);
}

}  // namespace
}  // namespace kestrovane::testing
