#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FakeDialogWindow.h"
#include "ScheduledClock.h"
#include "TempFolder.h"
#include "UploadTestFixture.h"
#include "app/UploadReports.h"
#include "camera/sim/SimulatedMachine.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;

// A production line on virtual time: cameras plugged in and out under one
// path at set moments while an auto run serves them. A pass over a camera
// takes 100 ms (the look) + 2000 ms (settling) + the blocks; the first camera
// present from the start is written at 2100 ms.
class AutoUploadTest : public ::testing::Test {
protected:
    AutoUploadTest() : folder_("kestrovane_auto_" + TestName()) {
        first = machine.AttachCamera(path, 16384, 2);
        settings.imagePath = (folder_.Path() / "image.bin").string();
        settings.eepromType = kEeprom24C64;  // 32-byte blocks
        settings.cameraPath = path;
        WriteImage(0x10);
    }

    static std::string TestName() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // A two-block image whose bytes start at `seed`.
    void WriteImage(uint8_t seed) {
        std::vector<char> bytes(64);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(seed + i);
        std::ofstream(settings.imagePath, std::ios::binary).write(bytes.data(), 64);
    }
    std::shared_ptr<sim::SimulatedController> SwapCameraAt(uint64_t unplugMs, uint64_t plugMs) {
        auto next = std::make_shared<sim::SimulatedController>(16384, 2);
        clock.At(unplugMs, [this] { machine.Detach(path); });
        clock.At(plugMs, [this, next] { machine.AttachController(path, next); });
        return next;
    }
    void StopAt(uint64_t ms) {
        clock.At(ms, [this] { host.uploadRunning = 0; });
    }
    void ExpectStatusAt(uint64_t ms, std::string text) {
        clock.At(ms, [this, ms, text] {
            EXPECT_EQ(host.window.Control(kStatusText).text, text) << "at " << ms << " ms";
        });
    }
    void Run() { autoUploadWorker(host, machine, clock, settings); }

    void ExpectWoundDown() {
        EXPECT_EQ(host.window.Caption(), "Pelloric");
        EXPECT_EQ(host.window.Control(kUploadButton).text, "Upload");
        EXPECT_FALSE(host.window.Control(kProgressBar).visible);
        EXPECT_EQ(host.uploadRunning, 0);
    }
    // Blocks the camera was sent (EE_SET_OFFSET requests, header included).
    static std::size_t BlocksSent(const sim::SimulatedController& camera) {
        std::size_t blocks = 0;
        for (const auto& transfer : camera.TransferLog()) {
            if (!transfer.isGet && transfer.selector == EepromChannel &&
                transfer.bytes[0] == EE_SET_OFFSET) {
                ++blocks;
            }
        }
        return blocks;
    }

    ScheduledClock clock;
    sim::SimulatedMachine machine{clock};
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "7&line&0&0000");
    std::shared_ptr<sim::SimulatedController> first;
    FakeUploadHost host;
    UploadSettings settings;

private:
    TempFolder folder_;
};

TEST_F(AutoUploadTest, ServesEachCameraOnceAndTheNextOneUnderTheSamePath) {
    const auto second = SwapCameraAt(5000, 6000);
    ExpectStatusAt(4000, "Operation status: Upload successfully");
    ExpectStatusAt(5500, "Operation status: No camera");
    StopAt(12000);
    clock.At(5000, [this] { EXPECT_EQ(BlocksSent(*first), 3u) << "written again"; });
    Run();

    EXPECT_EQ(first->EepromByte(kMarkerOffset), kMarkerComplete);
    EXPECT_EQ(second->EepromByte(kMarkerOffset), kMarkerComplete);
    EXPECT_EQ(second->EepromByte(1), 0x11);
    EXPECT_EQ(BlocksSent(*second), 3u);
    EXPECT_EQ(host.finishCount, 2);
    EXPECT_TRUE(host.window.Messages().empty());  // no "Upload finish" in an auto run
    EXPECT_EQ(host.window.Control(kStatusText).text, "Operation status: Upload successfully");
    ExpectWoundDown();
}

// With --log every camera of the stream gets its own line.
TEST_F(AutoUploadTest, EachCameraServedGetsALogLine) {
    const TempFolder logFolder("kestrovane_auto_log_" + TestName());
    settings.operationLog = (logFolder.Path() / "station.log").string();
    SwapCameraAt(5000, 6000);
    StopAt(12000);
    Run();
    std::ifstream log(settings.operationLog);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) {
        EXPECT_NE(line.find("\"operation\":\"auto\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"result\":\"committed\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"marker\":\"complete\""), std::string::npos) << line;
    }
}

TEST_F(AutoUploadTest, AFailingCameraIsRetriedWhileItStaysAttached) {
    // Every check fails until 7000 ms: attempts at 2100, about 4220 and 6340
    // ms fail at their first block; the one at about 8460 ms succeeds.
    first->FailRequestFromBlock(sim::RequestKind::CheckBlock, 1);
    clock.At(7000, [this] { first->ClearFaults(); });
    ExpectStatusAt(3000, "Operation status: verify read failed");
    ExpectStatusAt(6000, "Operation status: verify read failed");
    clock.At(8000, [this] { EXPECT_EQ(BlocksSent(*first), 3u); });
    StopAt(12000);
    Run();

    EXPECT_EQ(BlocksSent(*first), 3u + 3u);
    EXPECT_EQ(first->EepromByte(kMarkerOffset), kMarkerComplete);
    EXPECT_EQ(host.finishCount, 1);
    EXPECT_TRUE(host.window.Messages().empty());
}

// Each way a pass can fail, as the auto run reports it: its own text in the
// status line, or, for a check request that could not be sent, the box
// "write end faild" with the status line left as it was. Transfers of a pass:
// 10 to make the EEPROM writable, then 20 per checked block.
struct PassFault {
    const char* name;
    void (*arrange)(const std::string& path, sim::SimulatedMachine&, UploadSettings&,
                    const std::shared_ptr<sim::SimulatedController>&);
    const char* status;
    const char* box;  // none: no message box
};

class AutoPassFaultTest : public AutoUploadTest, public ::testing::WithParamInterface<PassFault> {};

const PassFault kPassFaults[] = {
    {"CheckSet", [](auto&, auto&, auto&, auto& c) { c->FailNthTransfer(10 + 20 + 19); },
     "Operation status: Upload is going...", "write end faild"},
    {"NoPropertyControl",
     [](auto& path, auto& machine, auto&, auto& camera) {
         machine.Detach(path);
         sim::SimulatedDevice device;
         device.path = path;
         device.nodeTypes = sim::TovrineCameraNodes();
         device.hasPropertyControl = false;
         device.controller = camera;
         camera->Replug();
         machine.AddDevice(device);
     },
     "Operation status: Device not support", nullptr},
    {"ImageMissing", [](auto&, auto&, auto& settings, auto&) { settings.imagePath += ".gone"; },
     "Operation status: Open file Error", nullptr},
    {"DataWord",
     [](auto&, auto&, auto&, auto& c) { c->FailRequestFromBlock(sim::RequestKind::DataWord, 2); },
     "Operation status: Upload failed", nullptr},
    {"Mismatch", [](auto&, auto&, auto&, auto& c) { c->MismatchCheckOfBlock(2); },
     "Operation status: verify failed", nullptr},
};

TEST_P(AutoPassFaultTest, IsReportedAsTheAutoRunReportsIt) {
    const PassFault& fault = GetParam();
    fault.arrange(path, machine, settings, first);
    ExpectStatusAt(2900, fault.status);
    StopAt(3000);
    Run();
    const auto messages = host.window.Messages();
    if (fault.box == nullptr) {
        EXPECT_TRUE(messages.empty());
    } else {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, fault.box);
        EXPECT_EQ(messages[0].caption, "Fail");
        EXPECT_EQ(messages[0].style, kIconError);
    }
    EXPECT_EQ(host.finishCount, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, AutoPassFaultTest, ::testing::ValuesIn(kPassFaults),
                         [](const auto& info) { return info.param.name; });

// An image the run cannot hold in memory: the status says so.
TEST(AutoPassReportTest, AnImageWithoutMemoryIsReportedInTheStatusLine) {
    UploadOutcome outcome;
    outcome.step = UploadStep::LoadImage;
    outcome.imageStatus = ImageLoadStatus::NoMemory;
    const AutoRunReport report = AutoPassReport(outcome);
    EXPECT_EQ(report.status, "Operation status: No memory");
    EXPECT_FALSE(report.message.has_value());
    EXPECT_FALSE(report.endsRun);
}

TEST_F(AutoUploadTest, ACameraThatRefusesWritesEndsTheRunWithOneMessage) {
    first->FailNthTransfer(1);  // the first step of making the EEPROM writable
    StopAt(60000);              // only in case the run went on
    Run();

    ASSERT_EQ(host.window.Messages().size(), 1u);
    EXPECT_EQ(host.window.Messages()[0].text, "Set EEPROM writeable error");
    EXPECT_EQ(host.window.Messages()[0].caption, "Error");
    EXPECT_EQ(host.window.Messages()[0].style, kIconError);
    EXPECT_LT(clock.NowMs(), 3000u);
    ExpectWoundDown();
}

TEST_F(AutoUploadTest, EveryCameraGetsTheForcedTypeAndARefusalIsRetried) {
    settings.forceEepromType = true;
    settings.forcedEepromKind = 0;
    const auto second = SwapCameraAt(5000, 6000);
    // The second camera refuses its first type request (after the 10
    // transfers that make the EEPROM writable).
    clock.At(6000, [&] { second->FailNthTransfer(11); });
    ExpectStatusAt(8500, "Operation status: Set EEPROM Type Error");
    StopAt(14000);
    Run();

    EXPECT_EQ(first->EepromTypeRequests(), std::vector<uint8_t>{0x00});
    EXPECT_EQ(second->EepromTypeRequests(), std::vector<uint8_t>{0x00});
    EXPECT_EQ(second->EepromByte(kMarkerOffset), kMarkerComplete);
    EXPECT_EQ(host.finishCount, 2);
}

TEST_F(AutoUploadTest, AStopWhileTheCameraSettlesNeverReachesIt) {
    StopAt(1000);
    Run();
    EXPECT_EQ(first->TransferCount(), 0u);
    EXPECT_FALSE(first->EepromWritable());
    ExpectWoundDown();
}

TEST_F(AutoUploadTest, AStopAtABlockCancelsAndLeavesTheUnfinishedMarker) {
    StopAt(2110);  // while block 0 waits its 20 ms
    Run();
    EXPECT_EQ(host.window.Control(kStatusText).text, "Operation status: Operation cancelled");
    EXPECT_EQ(first->EepromByte(kMarkerOffset), kMarkerUploadStarted);
    EXPECT_EQ(host.finishCount, 0);
    ExpectWoundDown();
}

TEST_F(AutoUploadTest, EachRunStartsCleanAndReadsTheImageForEachCamera) {
    host.currentCameraDone = 1;  // left over from an earlier run
    const auto second = SwapCameraAt(5000, 6000);
    clock.At(5500, [this] { WriteImage(0x40); });  // a new image for the next camera
    StopAt(12000);
    Run();
    EXPECT_EQ(first->EepromByte(1), 0x11);
    EXPECT_EQ(second->EepromByte(1), 0x41);
    EXPECT_EQ(host.finishCount, 2);
}

}  // namespace
}  // namespace kestrovane::testing
