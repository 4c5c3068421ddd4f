#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "AppTestFixture.h"
#include "app/FinishCounter.h"
#include "app/UploadDialog.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using message_box::kIdYes;

// Virtual time whose block pauses (20 ms) can be held shut, so a test can act
// while a worker is in the middle of its blocks.
class GateClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override {
        time_.SleepMs(milliseconds);
        if (milliseconds != kBlockPauseMs) return;
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    uint64_t NowMs() const override { return time_.NowMs(); }

    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits (bounded) until a worker sits in a block pause.
    bool WaitForPause() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return waiting_ > 0; });
    }

    static constexpr uint32_t kBlockPauseMs = 20;

private:
    VirtualClock time_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int waiting_ = 0;
};

class UploadDialogTest : public AppTest {
protected:
    UploadDialogTest() { controller_ = machine_.AttachCamera(cameraPath_String, 16384, 2); }

    // Writes a 200-byte image whose version field reads "KV-1.0".
    std::string WriteImage() {
        std::vector<char> bytes(200, 0x33);
        const std::string version = "KV-1.0";
        for (std::size_t i = 0; i < kVersionFieldLength && 0x70 + i < bytes.size(); ++i) {
            bytes[0x70 + i] = i < version.size() ? version[i] : 0;
        }
        const std::string path = (CounterFile().parent_path() / "image.bin").string();
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        return path;
    }

    // Serves the worker's message boxes, as the window's thread does, until
    // the worker has ended.
    static void WaitUntilIdle(UploadDialog& dialog, FakeDialogWindow& window) {
        window.ServeUntil([&] { return !dialog.WorkerActive(); });
        ASSERT_FALSE(dialog.WorkerActive());
    }

    const std::string cameraPath_String = sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000");
    std::shared_ptr<sim::SimulatedController> controller_;
};

TEST_F(UploadDialogTest, BrowseThenUploadCountsTheFinishAndFreesTheCamera) {
    const std::string image = WriteImage();
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        window.ScriptFileChoice(image);
        d.OnCommand(kBrowseButton);
        EXPECT_EQ(window.Control(kBinFileEdit).text, image);
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "Bin Version:KV-1.0");
        const FileChooserRequest request = window.FileRequests().at(0);
        EXPECT_EQ(request.filter, "Bin files(*.bin)|*.bin|all files(*.*)|*.*||");
        EXPECT_EQ(request.flags, file_chooser::kHideReadOnly | file_chooser::kAllowMultiSelect);

        d.OnCommand(kUploadButton);
        WaitUntilIdle(dialog, window);
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].text, "Upload finish");
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_EQ(window.Control(kUploadButton).text, "Upload");
        EXPECT_FALSE(claims_.IsClaimed(cameraPath_String));

        // Cancelled Browse shows the chosen file's version again.
        window.SetItemText(kFileBinVersionText, "");
        d.OnCommand(kBrowseButton);
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "Bin Version:KV-1.0");

        // A chosen file that cannot be opened: said so, the version shown stays.
        window.ScriptFileChoice(image + ".missing");
        d.OnCommand(kBrowseButton);
        EXPECT_EQ(window.Messages().back().text, "Can not open file");
        EXPECT_EQ(window.Messages().back().caption, "Error");
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "Bin Version:KV-1.0");
    });
    host_.RunModal(dialog);
    EXPECT_EQ(controller_->EepromByte(kMarkerOffset), kMarkerComplete);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
}

TEST_F(UploadDialogTest, StopOnlyAsksTheWorkerWhichGivesTheCameraBackItself) {
    GateClock clock;
    AppServices services{host_,   services_.programPath, clock,     machine_, machine_,
                         claims_, cameraPath_,           installer_};
    UploadDialog dialog(services);
    dialog.SetBinFilePath(WriteImage());
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        d.OnCommand(kUploadButton);
        ASSERT_TRUE(clock.WaitForPause());
        EXPECT_EQ(window.Caption(), cameraPath_String);
        EXPECT_EQ(window.Control(kUploadButton).text, "Stop");

        // An option changed now is for the next run; the button keeps "Stop".
        window.SetItemChecked(kVerifyOnlyCheck, true);
        d.OnCommand(kVerifyOnlyCheck);
        EXPECT_EQ(window.Control(kUploadButton).text, "Stop");

        // Camera operations wait for the worker.
        d.OnCommand(kGetVersionButton);
        d.OnCommand(kEraseButton);
        ASSERT_EQ(window.Messages().size(), 2u);
        EXPECT_EQ(window.Messages()[0].caption, "Error");
        EXPECT_EQ(window.Messages()[0].style, kIconError);

        window.ScriptAnswer(kIdYes);
        const uint64_t beforeStop = clock.NowMs();
        d.OnCommand(kUploadButton);
        EXPECT_EQ(clock.NowMs() - beforeStop, 200u);
        EXPECT_EQ(window.Messages().back().text, "Upload E2PROM is in processing, Stop?");
        EXPECT_EQ(window.Messages().back().caption, "Stop");
        EXPECT_EQ(dialog.uploadRunning, 0);
        EXPECT_EQ(window.Control(kStatusText).text, "Operation status: Not started");
        // The worker still holds the camera until its wind-down.
        EXPECT_EQ(window.Caption(), cameraPath_String);
        EXPECT_TRUE(claims_.IsClaimed(cameraPath_String));

        // A click meanwhile starts nothing.
        const std::size_t messages = window.Messages().size();
        d.OnCommand(kUploadButton);
        EXPECT_EQ(window.Messages().size(), messages);

        clock.Open();
        WaitUntilIdle(dialog, window);
        EXPECT_EQ(window.Messages().back().text, "Upload operation was canceled");
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_EQ(window.Control(kUploadButton).text, "Verify");  // the option chosen meanwhile
        EXPECT_FALSE(claims_.IsClaimed(cameraPath_String));
        EXPECT_EQ(controller_->EepromByte(kMarkerOffset), kMarkerUploadStarted);
    });
    host_.RunModal(dialog);
}

TEST_F(UploadDialogTest, AutoUploadServesTheCameraUntilStopThenGivesItBack) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        window.SetItemText(kBinFileEdit, WriteImage());
        window.SetItemChecked(kAutoUploadCheck, true);
        d.OnCommand(kAutoUploadCheck);
        d.OnCommand(kUploadButton);
        ASSERT_TRUE(window.ServeUntil([&] {
            return window.Control(kStatusText).text == "Operation status: Upload successfully";
        }));
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
        EXPECT_EQ(window.Control(kUploadButton).text, "Stop");
        EXPECT_EQ(window.Caption(), cameraPath_String);
        EXPECT_TRUE(window.Messages().empty());

        window.ScriptAnswer(kIdYes);
        d.OnCommand(kUploadButton);
        WaitUntilIdle(dialog, window);
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_EQ(window.Control(kUploadButton).text, "Upload");
        EXPECT_EQ(dialog.uploadRunning, 0);
        EXPECT_FALSE(claims_.IsClaimed(cameraPath_String));
        EXPECT_EQ(controller_->EepromByte(kMarkerOffset), kMarkerComplete);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
}

// With a simulated camera the system menu can unplug it and plug a new one in.
TEST_F(UploadDialogTest, SimulatedCamerasHaveTheirSystemMenuItems) {
    struct RecordingMenu final : SimulationMenu {
        void UnplugCamera() override { calls.push_back("unplug"); }
        void PlugInNewCamera() override { calls.push_back("plug"); }
        std::vector<std::string> calls;
    } menu;
    AppServices services = services_;
    services.simulationMenu = &menu;
    UploadDialog dialog(services);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        const auto items = window.SystemMenuItems();
        ASSERT_EQ(items.size(), 6u);  // About, then both, each after a separator
        EXPECT_EQ(items[3], std::make_pair(0x0210, std::string("Unplug simulated camera")));
        EXPECT_EQ(items[5], std::make_pair(0x0220, std::string("Plug in a new simulated camera")));
        EXPECT_TRUE(d.OnSysCommand(0x0210));
        EXPECT_TRUE(d.OnSysCommand(0x0220));
    });
    host_.RunModal(dialog);
    EXPECT_EQ(menu.calls, (std::vector<std::string>{"unplug", "plug"}));
}

TEST_F(UploadDialogTest, WithoutAFreeCameraNothingStarts) {
    machine_.OpenWindow(cameraPath_String);  // another copy shows its path
    UploadDialog dialog(services_);
    dialog.SetBinFilePath(WriteImage());
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        d.OnCommand(kUploadButton);
        EXPECT_FALSE(dialog.WorkerActive());
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].text, "No device");
        EXPECT_EQ(window.Messages()[0].caption, "Error");
        EXPECT_EQ(window.Caption(), "Pelloric");
    });
    host_.RunModal(dialog);
    EXPECT_EQ(controller_->TransferCount(), 0u);
}

// The exclusion table itself is the upload engine's; here the camera's say.
TEST_F(UploadDialogTest, NewBinWorksAsksTheCamera) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        const auto click = [&](int id, bool checked) {
            window.SetItemChecked(id, checked);
            d.OnCommand(id);
        };
        click(kVerifyOnlyCheck, true);
        EXPECT_EQ(window.Control(kUploadButton).text, "Verify");
        click(kNewBinWorksCheck, true);  // the camera speaks level 2
        EXPECT_FALSE(window.Control(kVerifyOnlyCheck).checked);
        EXPECT_EQ(window.Control(kUploadButton).text, "Upload");

        controller_->SetProtocolLevel(0);
        click(kNewBinWorksCheck, false);
        click(kAutoUploadCheck, true);
        click(kNewBinWorksCheck, true);
        EXPECT_FALSE(window.Control(kNewBinWorksCheck).checked);
        EXPECT_TRUE(window.Control(kAutoUploadCheck).checked);
        EXPECT_EQ(dialog.runNewBin, 0);
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].text, "Function not supported by current BIN");
    });
    host_.RunModal(dialog);
}

TEST_F(UploadDialogTest, EnableIsRefusedBeforeAnyCameraWasChosen) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        window.SetItemChecked(kForceEnableCheck, true);
        d.OnCommand(kForceEnableCheck);
        EXPECT_EQ(dialog.forceEepromType, 0);
        EXPECT_FALSE(window.Control(kForceEnableCheck).checked);
        EXPECT_EQ(window.Messages().size(), 1u);

        d.OnCommand(kGetVersionButton);  // chooses the camera
        window.SetItemChecked(kForceEnableCheck, true);
        d.OnCommand(kForceEnableCheck);
        EXPECT_EQ(dialog.forceEepromType, 1);
        window.SetItemChecked(kForceEnableCheck, false);
        d.OnCommand(kForceEnableCheck);
        EXPECT_EQ(dialog.forceEepromType, 0);
        EXPECT_EQ(window.Messages().size(), 1u);
    });
    host_.RunModal(dialog);
}

TEST_F(UploadDialogTest, ResetTimesStoresAndShowsZero) {
    WriteCounterFile({0x05, 0x00, 0x00, 0x00});
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:5");
        d.OnCommand(kResetTimesButton);
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:0");
    });
    host_.RunModal(dialog);
    EXPECT_EQ(std::filesystem::file_size(CounterFile()), 4u);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 0);
}

TEST_F(UploadDialogTest, GetVersionShowsTheDevicesTextsUnderTheWaitCursor) {
    controller_->WriteEeprom(0x70, {'D', 'E', 'V', '-', '2', 0});
    controller_->WriteEeprom(0x80, {'H', 'W', '7', 0});
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        d.OnCommand(kGetVersionButton);
        EXPECT_EQ(window.Control(kDeviceBinVersionText).text, "Device Bin Version:DEV-2");
        EXPECT_EQ(window.Control(kHwVersionText).text, "HW Version:HW7");
        EXPECT_EQ(window.Cursor(), CursorShape::Arrow);
    });
    host_.RunModal(dialog);
}

}  // namespace
}  // namespace kestrovane::testing
