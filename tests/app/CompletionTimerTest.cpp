#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "AppTestFixture.h"
#include "app/FinishCounter.h"
#include "app/UploadDialog.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using Step = sim::SimulatedDeviceInstaller::Step;

// "New bin works": the upload jumps to the new image, and the 500 ms timer
// restarts the camera, reports and counts.
class CompletionTimerTest : public AppTest {
protected:
    CompletionTimerTest() { camera_ = machine_.AttachCamera(path_, 16384, 2); }

    std::string WriteImage() {
        const std::string file = (CounterFile().parent_path() / "image.bin").string();
        std::ofstream(file, std::ios::binary) << std::string(96, '\x5A');
        return file;
    }

    // Uploads with "New bin works" and waits for the worker: the restart is
    // then owed to the timer.
    void UploadNewImage(UploadDialog& dialog, FakeDialogWindow& window) {
        window.SetItemText(kBinFileEdit, WriteImage());
        dialog.runNewBin = 1;
        dialog.OnCommand(kUploadButton);
        ASSERT_TRUE(window.ServeUntil([&] { return !dialog.WorkerActive(); }));
        ASSERT_EQ(dialog.restartPending, 1);
    }
    void Tick(UploadDialog& dialog, FakeDialogWindow& window) {
        dialog.OnTimer(kCompletionTimerId);
        ASSERT_TRUE(window.ServeUntil([&] { return !dialog.WorkerActive(); }));
    }
    std::vector<std::string> Texts(const FakeDialogWindow& window) {
        std::vector<std::string> texts;
        for (const auto& message : window.Messages()) texts.push_back(message.text);
        return texts;
    }

    const std::string path_ = sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000");
    std::shared_ptr<sim::SimulatedController> camera_;
};

TEST_F(CompletionTimerTest, RestartsThenReportsThenCountsThenGivesTheCameraBack) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog&, FakeDialogWindow& window) {
        UploadNewImage(dialog, window);
        // The camera stays this copy's until it has restarted; nothing new starts.
        EXPECT_EQ(window.Caption(), path_);
        EXPECT_TRUE(claims_.IsClaimed(path_));
        dialog.OnCommand(kUploadButton);
        EXPECT_FALSE(dialog.WorkerActive());
        EXPECT_EQ(camera_->RestartCount(), 0);

        window.ScriptWhileMessageOpen([&] {
            // Inside "Upload finish": restarted, not yet counted, still held.
            EXPECT_EQ(camera_->RestartCount(), 1);
            EXPECT_TRUE(camera_->RunningNewImage());
            EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:0");
            EXPECT_EQ(window.Caption(), path_);
            EXPECT_TRUE(claims_.IsClaimed(path_));
            // A tick meanwhile restarts nothing; a click starts nothing.
            dialog.OnTimer(kCompletionTimerId);
            dialog.OnCommand(kUploadButton);
            // The user changes an option while the box is open.
            window.SetItemChecked(kVerifyOnlyCheck, true);
            dialog.OnCommand(kVerifyOnlyCheck);
        });
        Tick(dialog, window);
        dialog.OnTimer(kCompletionTimerId);  // nothing owed any more

        EXPECT_EQ(Texts(window), std::vector<std::string>{"Upload finish"});
        EXPECT_EQ(camera_->RestartCount(), 1);
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
        EXPECT_EQ(window.Control(kUploadButton).text, "Verify");  // as the options say
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_FALSE(claims_.IsClaimed(path_));
        EXPECT_EQ(window.Control(kStatusText).text, "");  // the status before the restart
    });
    host_.RunModal(dialog);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
}

TEST_F(CompletionTimerTest, ARestartThatFailedIsToldAfterTheCount) {
    installer_.FailStep(Step::CallInstaller, DeviceStateChange::Enable);
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog&, FakeDialogWindow& window) {
        UploadNewImage(dialog, window);
        Tick(dialog, window);
        const auto messages = window.Messages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].text, "Upload finish");
        EXPECT_NE(messages[1].text.find("stays disabled"), std::string::npos);
        EXPECT_EQ(messages[1].caption, "Error");
        EXPECT_EQ(messages[1].style, kIconError);
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
        EXPECT_FALSE(camera_->Present());
    });
    host_.RunModal(dialog);
}

// Every restart that did not go as it should is told after "Upload finish",
// in its own words; the upload is counted all the same.
TEST_F(CompletionTimerTest, EveryRestartTroubleHasItsNotice) {
    struct Trouble {
        const char* name;
        void (*arrange)(sim::SimulatedDeviceInstaller&);
        const char* text;
        std::optional<std::string> caption;
        uint32_t style;
    };
    const Trouble troubles[] = {
        {"no device list", [](auto& i) { i.FailStep(Step::List); },
         "The camera could not be restarted: the system's list of devices could not be read.",
         "Error", kIconError},
        {"disable failed",
         [](auto& i) { i.FailStep(Step::CallInstaller, DeviceStateChange::Disable); },
         "The camera could not be restarted: the system did not stop it.", "Error", kIconError},
        {"reboot", [](auto& i) { i.SetNeedsReboot(true); },
         "The system asks for a restart of the computer before the camera runs its new image.",
         std::nullopt, message_box::kIconExclamation},
    };
    for (const Trouble& trouble : troubles) {
        SCOPED_TRACE(trouble.name);
        installer_.ClearFaults();
        installer_.SetNeedsReboot(false);
        trouble.arrange(installer_);
        UploadDialog dialog(services_);
        host_.SetScript(kUploadDialogTemplate, [&](Dialog&, FakeDialogWindow& window) {
            UploadNewImage(dialog, window);
            Tick(dialog, window);
            const auto messages = window.Messages();
            ASSERT_EQ(messages.size(), 2u);
            EXPECT_EQ(messages[0].text, "Upload finish");
            EXPECT_EQ(messages[1].text.rfind(trouble.text, 0), 0u) << messages[1].text;
            EXPECT_EQ(messages[1].caption, trouble.caption);
            EXPECT_EQ(messages[1].style, trouble.style);
        });
        host_.RunModal(dialog);
    }
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 3);
}

TEST_F(CompletionTimerTest, AWindowClosedBeforeTheTickStillRestartsAndCounts) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        UploadNewImage(dialog, window);
        d.OnClose();
        EXPECT_EQ(window.EndResult(), kIdCancel);
        EXPECT_EQ(camera_->RestartCount(), 1);
        EXPECT_EQ(Texts(window), std::vector<std::string>{"Upload finish"});
    });
    host_.RunModal(dialog);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
    EXPECT_FALSE(claims_.IsClaimed(path_));
}

TEST_F(CompletionTimerTest, ACloseInsideTheFinishBoxEndsTheDialogOnceTheBoxReturns) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        UploadNewImage(dialog, window);
        window.ScriptWhileMessageOpen([&] {
            d.OnClose();  // must not wait for the worker that waits for this box
            EXPECT_FALSE(window.EndResult().has_value());
        });
        Tick(dialog, window);
        EXPECT_EQ(window.EndResult(), kIdCancel);
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
    });
    host_.RunModal(dialog);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
}

// A close inside "Upload finish" ends the dialog only after the restart's
// notice has been shown: a camera left disabled is never kept from the user.
TEST_F(CompletionTimerTest, ACloseInsideTheFinishBoxStillShowsTheRestartNotice) {
    installer_.FailStep(Step::CallInstaller, DeviceStateChange::Enable);
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        UploadNewImage(dialog, window);
        window.ScriptWhileMessageOpen([&] { d.OnClose(); });
        dialog.OnTimer(kCompletionTimerId);
        ASSERT_TRUE(window.ServeUntil([&] { return window.EndResult().has_value(); }));
        const auto messages = window.Messages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].text, "Upload finish");
        EXPECT_NE(messages[1].text.find("stays disabled"), std::string::npos);
        EXPECT_EQ(messages[1].caption, "Error");
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:1");
        EXPECT_EQ(window.EndResult(), kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 1);
    EXPECT_FALSE(claims_.IsClaimed(path_));
}

}  // namespace
}  // namespace kestrovane::testing
