#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "AppTestFixture.h"
#include "app/DataExchange.h"
#include "app/UploadDialog.h"

namespace kestrovane::testing {
namespace {

using CloseTest = AppTest;

// Ends the dialog by one route and reports the result and the pause taken.
struct CloseRoute {
    const char* name;
    void (*close)(Dialog&);
    int result;
};

const CloseRoute kRoutes[] = {
    {"Close button / Enter", [](Dialog& d) { d.OnCommand(kIdOk); }, kIdOk},
    {"Escape", [](Dialog& d) { d.OnCommand(kIdCancel); }, kIdCancel},
    {"close box / Alt+F4", [](Dialog& d) { d.OnClose(); }, kIdCancel},
};

TEST_F(CloseTest, WithoutAWorkerEveryRouteClosesAtOnce) {
    for (const CloseRoute& route : kRoutes) {
        SCOPED_TRACE(route.name);
        UploadDialog dialog(services_);
        host_.SetScript(kUploadDialogTemplate,
                        [&](Dialog& d, FakeDialogWindow&) { route.close(d); });
        EXPECT_EQ(host_.RunModal(dialog), route.result);
        EXPECT_EQ(clock_.NowMs(), 0u);
        EXPECT_EQ(clock_.SleepCount(), 0u);
    }
}

// A worker like the upload's: polls the stop request once per block and
// writes to the window from its own thread.
void StartBlockWorker(UploadDialog& dialog, std::atomic<int>& blocks, std::atomic<bool>& ended) {
    dialog.uploadRunning = 1;
    dialog.StartWorker([&dialog, &blocks, &ended] {
        while (dialog.uploadRunning != 0) {
            dialog.progressBar.StepIt();
            dialog.Window().SetItemText(kStatusText, "block " + std::to_string(++blocks));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // Wind-down after the stop request, still talking to the window.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        dialog.progressBar.Show(false);
        dialog.Window().SetItemText(kUploadButton, "Upload");
        ended = true;
    });
}

TEST_F(CloseTest, WithAWorkerEveryRouteStopsPausesAndWaitsForIt) {
    for (const CloseRoute& route : kRoutes) {
        SCOPED_TRACE(route.name);
        VirtualClock clock;
        AppServices services{host_,
                             services_.programPath,
                             clock,
                             services_.cameras,
                             services_.windows,
                             services_.claims,
                             services_.cameraPath,
                             services_.installer};
        UploadDialog dialog(services);
        std::atomic<int> blocks{0};
        std::atomic<bool> ended{false};
        host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
            StartBlockWorker(dialog, blocks, ended);
            while (blocks < 3) std::this_thread::yield();
            route.close(d);
            EXPECT_TRUE(ended) << "the dialog ended before its worker";
            EXPECT_FALSE(dialog.WorkerActive());
            EXPECT_EQ(window.Control(kUploadButton).text, "Upload");
            EXPECT_GE(window.ServingWaits(), 1);
        });
        EXPECT_EQ(host_.RunModal(dialog), route.result);
        EXPECT_EQ(dialog.uploadRunning, 0);
        EXPECT_EQ(clock.NowMs(), 500u);
        EXPECT_EQ(clock.SleepCount(), 1u);
    }
}

// A message box keeps dispatching messages: a close can arrive inside the
// worker's own box, where waiting for the worker would wait for the box.
TEST_F(CloseTest, ACloseInsideAWorkersMessageBoxEndsTheDialogWhenTheBoxReturns) {
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "7&close&0&0000");
    machine_.AttachCamera(path, 16384, 2)->MismatchCheckOfBlock(1);
    const std::string image = (CounterFile().parent_path() / "image.bin").string();
    std::ofstream(image, std::ios::binary) << std::string(64, 'x');
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        window.SetItemText(kBinFileEdit, image);
        window.ScriptWhileMessageOpen([&] {
            EXPECT_EQ(window.Messages().back().text, "Verify fail, block index = 0");
            d.OnClose();
            d.OnCommand(kIdOk);  // a second close from inside the same box
            EXPECT_FALSE(window.EndResult().has_value());
        });
        d.OnCommand(kUploadButton);
        ASSERT_TRUE(window.ServeUntil([&] { return window.EndResult().has_value(); }));
        EXPECT_EQ(window.EndResult(), kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_FALSE(dialog.WorkerActive());
    EXPECT_FALSE(claims_.IsClaimed(path));
}

// The hand-over of a close and a worker's box that returns at the same moment:
// the close lands on the window's thread just as the box has returned and the
// worker goes on, round after round. Whichever comes first, the close is
// carried out and the dialog ends once the worker has.
TEST_F(CloseTest, ACloseAsAWorkersBoxReturnsIsNeverLost) {
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        UploadDialog dialog(services_);
        host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
            std::atomic<bool> boxAsked{false};
            dialog.StartWorker([&] {
                boxAsked = true;
                dialog.WorkerReport({"write end faild", "Fail", message_box::kIconError});
                for (volatile int spin = 0; spin < round % 7 * 50; ++spin) {
                }
            });
            while (!boxAsked) std::this_thread::yield();
            ASSERT_TRUE(window.ServeUntil([&] { return !window.Messages().empty(); }));
            d.OnClose();
            ASSERT_TRUE(window.ServeUntil([&] { return window.EndResult().has_value(); }))
                << "the close was lost";
            EXPECT_EQ(window.EndResult(), kIdCancel);
        });
        host_.RunModal(dialog);
        EXPECT_FALSE(dialog.WorkerActive());
    }
}

// Another program's close can arrive while the close-time wait serves the
// window: it must neither wait a second time nor end the dialog twice.
TEST_F(CloseTest, ASecondCloseDuringTheCloseTimeWaitIsHarmless) {
    UploadDialog dialog(services_);
    std::atomic<int> blocks{0};
    std::atomic<bool> ended{false};
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        StartBlockWorker(dialog, blocks, ended);
        while (blocks < 3) std::this_thread::yield();
        window.ScriptWhileWaiting([&] { d.OnClose(); });
        d.OnClose();
        EXPECT_TRUE(ended);
        EXPECT_EQ(window.EndResult(), kIdCancel);
    });
    EXPECT_EQ(host_.RunModal(dialog), kIdCancel);
    EXPECT_EQ(clock_.NowMs(), 500u);  // one stop pause, not two
}

TEST_F(CloseTest, AWorkerWindingDownIsWaitedForWithoutAPause) {
    UploadDialog dialog(services_);
    std::atomic<bool> ended{false};
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow&) {
        dialog.StartWorker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            dialog.Window().SetItemText(kStatusText, "done");
            ended = true;
        });
        d.OnClose();
        EXPECT_TRUE(ended);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(clock_.SleepCount(), 0u);
}

TEST_F(CloseTest, OneWorkerAtATime) {
    UploadDialog dialog(services_);
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    auto work = [&] {
        const int now = ++running;
        if (now > mostAtOnce) mostAtOnce = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --running;
    };
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow&) {
        dialog.StartWorker(work);
        dialog.StartWorker(work);
        dialog.StartWorker(work);
        d.OnClose();
    });
    host_.RunModal(dialog);
    EXPECT_EQ(mostAtOnce, 1);
    EXPECT_EQ(running, 0);
}

TEST_F(CloseTest, AWindowThatIsGoneIgnoresTheDialog) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate,
                    [](Dialog& d, FakeDialogWindow&) { d.OnCommand(kIdOk); });
    host_.RunModal(dialog);
    const FakeDialogWindow& window = *host_.LastWindow(kUploadDialogTemplate);
    dialog.Window().SetItemText(kStatusText, "late");
    dialog.progressBar.Show(true);
    dialog.ShowFinishCount();
    EXPECT_EQ(window.Control(kStatusText).text, "");
    EXPECT_TRUE(window.ShownControls().empty());
    EXPECT_EQ(dialog.eepromTypeCombo.Selection(), -1);
    EXPECT_EQ(dialog.Window().ShowMessage("late", std::nullopt, 0), message_box::kIdCancel);
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(CloseTest, ABadBlockDelayKeepsTheDialogOpenWithAPrompt) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        for (const char* bad : {"abc", "", "-5", "4294967296", "12x", "1 2"}) {
            SCOPED_TRACE(bad);
            window.SetItemText(kBlockDelayEdit, bad);
            d.OnCommand(kIdOk);
            EXPECT_FALSE(window.EndResult().has_value());
            ASSERT_FALSE(window.Messages().empty());
            EXPECT_EQ(window.Messages().back().text, kUnsignedPrompt);
            EXPECT_FALSE(window.Messages().back().caption.has_value());
            EXPECT_EQ(dialog.blockDelayMs, 20u);
        }
        window.SetItemText(kBlockDelayEdit, " 4294967295 ");
        window.SetItemText(kBinFileEdit, "C:\\bins\\cam.bin");
        d.OnCommand(kIdOk);
        EXPECT_EQ(window.EndResult(), kIdOk);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(dialog.blockDelayMs, 4294967295u);
    EXPECT_EQ(dialog.BinFilePath(), "C:\\bins\\cam.bin");
}

TEST_F(CloseTest, UnboundCommandsDoNothingAndBoundOnesDoNotEndTheDialog) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        for (int id : {9999, kStatusText, kUploadButton, kBrowseButton, kResetTimesButton,
                       kGetVersionButton}) {
            d.OnCommand(id);
        }
        EXPECT_FALSE(window.EndResult().has_value());
        window.EndDialog(kIdCancel);
    });
    EXPECT_EQ(host_.RunModal(dialog), kIdCancel);
}

}  // namespace
}  // namespace kestrovane::testing
