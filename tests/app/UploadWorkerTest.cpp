#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "UploadTestFixture.h"
#include "camera/XuRequests.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using message_box::kOk;

// An EEPROM that already holds a complete image, as a camera from the shelf.
std::vector<uint8_t> OldImage() {
    std::vector<uint8_t> old(64, 0x77);
    old[0] = kMarkerComplete;
    return old;
}

TEST_F(UploadTest, UploadStoresTheImagePaddedToWholeBlocksAndCommitsTheMarkerLast) {
    const std::vector<uint8_t> file = WriteImage(33);  // 32-byte blocks: 2 blocks
    Run();

    const std::vector<uint8_t> eeprom = controller->Eeprom();
    EXPECT_EQ(eeprom[0], kMarkerComplete);
    for (std::size_t i = 1; i < 33; ++i) EXPECT_EQ(eeprom[i], file[i]) << i;
    for (std::size_t i = 33; i < 64; ++i) EXPECT_EQ(eeprom[i], 0x00) << i;
    EXPECT_EQ(eeprom[64], 0xFF);  // nothing past the padded image
    EXPECT_EQ(ReadImageFile(), file);

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Upload finish");
    EXPECT_EQ(Messages()[0].caption, std::nullopt);
    EXPECT_EQ(Messages()[0].style, kOk);
    EXPECT_EQ(host.finishCount, 1);
    EXPECT_TRUE(host.window.ComInitialized());
    EXPECT_EQ(host.window.Control(kProgressBar).progressLow, 1);
    EXPECT_EQ(host.window.Control(kProgressBar).progressHigh, 2);
    EXPECT_EQ(host.window.Control(kProgressBar).progressPosition, 2);
    EXPECT_TRUE(host.window.ShownControls().contains(kProgressBar));
    ExpectWoundDown();
}

TEST_F(UploadTest, BlockSizeFollowsTheEepromTypeSelectedAtTheClick) {
    WriteImage(64);  // a whole number of blocks of either size: no padding
    const std::vector<std::pair<EepromType, std::size_t>> cases{{kNoEepromType, 8},
                                                                {kEeprom24C02, 8},
                                                                {kEeprom24C08, 8},
                                                                {kEeprom24C64, 32},
                                                                {kEeprom24C128, 32}};
    for (const auto& [type, blockSize] : cases) {
        controller->ClearTransferLog();
        settings.eepromType = type;
        Run();
        const std::size_t blocks = 64 / blockSize;
        EXPECT_EQ(CountSent(EE_SET_OFFSET), blocks + 1) << type;  // + header commit
        EXPECT_EQ(CountSent(EE_END_BLOCK), blocks + 1) << type;
    }
}

// The whole request sequence of a two-block upload with and without the
// per-block check: block 0 carries 'B', the header commit 'A' and is checked.
TEST_F(UploadTest, UploadRequestsFollowTheBlockOrder) {
    const std::vector<uint8_t> file = WriteImage(16);
    settings.eepromType = kEeprom24C02;  // 8-byte blocks
    for (const bool verify : {true, false}) {
        controller->ClearTransferLog();
        workerClock.pauses = 0;
        settings.verifyAfterWrite = verify;
        Run();

        std::vector<XuRequest> expected;
        const auto block = [&](uint16_t offset, uint8_t first) {
            expected.push_back({EE_SET_OFFSET, static_cast<uint8_t>(offset), 0});
            std::vector<uint8_t> bytes(file.begin() + offset, file.begin() + offset + 8);
            bytes[0] = first == 0 ? bytes[0] : first;
            for (int k = 0; k < 4; ++k)
                expected.push_back({EE_DATA_WORD, bytes[2 * k], bytes[2 * k + 1]});
            expected.push_back({EE_END_BLOCK, bytes[6], bytes[7]});
            return bytes;
        };
        auto first = block(0, kMarkerUploadStarted);
        if (verify) expected.push_back({EE_CHECK_BLOCK, first[0], first[1]});
        auto second = block(8, 0);
        if (verify) expected.push_back({EE_CHECK_BLOCK, second[0], second[1]});
        block(0, kMarkerComplete);
        expected.push_back({EE_CHECK_BLOCK, kMarkerComplete, file[1]});

        const std::vector<XuRequest> sent = SentRequests(EepromChannel);
        ASSERT_GE(sent.size(), expected.size());
        const std::vector<XuRequest> own(sent.end() - static_cast<long>(expected.size()),
                                         sent.end());
        EXPECT_EQ(own, expected) << "verify " << verify;
        EXPECT_EQ(workerClock.pauses, 3);
    }
}

TEST_F(UploadTest, VerifyOnlyChecksEveryBlockAndChangesNothing) {
    std::vector<uint8_t> file = WriteImage(64);
    file[0] = kMarkerComplete;
    WriteImageBytes(file);
    controller->WriteEeprom(0, file);
    const std::vector<uint8_t> before = controller->Eeprom();
    settings.verifyOnly = true;
    settings.verifyAfterWrite = false;
    host.verifyOnlyNow = true;
    Run();

    EXPECT_EQ(controller->Eeprom(), before);
    EXPECT_EQ(CountSent(EE_END_BLOCK), 0u);
    EXPECT_EQ(CountSent(EE_SET_OFFSET), 2u);  // no header commit
    const std::vector<XuRequest> sent = SentRequests(EepromChannel);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), XuRequest{EE_DATA_WORD, 'A', file[1]}), 2);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Verify finished, All match");
    EXPECT_EQ(Messages()[0].caption, std::nullopt);
    EXPECT_EQ(host.finishCount, 0);
    ExpectWoundDown("Verify");
}

TEST_F(UploadTest, VerifyOnlyReportsTheFirstDifferingBlock) {
    WriteImage(256);
    controller->WriteEeprom(0, ReadImageFile());
    controller->WriteEeprom(5 * 32 + 7, {0x00});
    settings.verifyOnly = true;
    Run();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Verify fail, block index = 5");
    EXPECT_EQ(Messages()[0].caption, "Fail");
    EXPECT_EQ(host.window.Control(kProgressBar).progressPosition, 6);
}

TEST_F(UploadTest, StopAtAnyBlockLeavesTheUnfinishedMarker) {
    WriteImage(5 * 32);
    for (int stopBefore = 1; stopBefore <= 4; ++stopBefore) {
        controller->WriteEeprom(0, OldImage());
        workerClock.pauses = 0;
        workerClock.actAtPause = stopBefore;  // while block stopBefore - 1 waits
        workerClock.action = [this] { host.uploadRunning = 0; };
        const std::size_t messagesBefore = Messages().size();
        Run();

        EXPECT_EQ(controller->EepromByte(0), kMarkerUploadStarted) << stopBefore;
        ASSERT_EQ(Messages().size(), messagesBefore + 1);
        EXPECT_EQ(Messages().back().text, "Upload operation was canceled");
        EXPECT_EQ(Messages().back().caption, std::nullopt);
        EXPECT_EQ(host.window.Control(kProgressBar).progressPosition, stopBefore);
        EXPECT_EQ(host.finishCount, 0);
        ExpectWoundDown();
    }
}

TEST_F(UploadTest, StopAfterTheLastBlockNoLongerChangesTheRun) {
    WriteImage(64);
    workerClock.actAtPause = 3;  // the header commit's pause
    workerClock.action = [this] { host.uploadRunning = 0; };
    Run();
    EXPECT_EQ(controller->EepromByte(0), kMarkerComplete);
    EXPECT_EQ(Messages().back().text, "Upload finish");
}

TEST_F(UploadTest, ImageIsCheckedBeforeTheCameraIsTouched) {
    settings.forceEepromType = true;
    struct Case {
        std::function<void()> prepare;
        std::string textStart;
    };
    const std::vector<Case> cases{
        {[&] { settings.imagePath = (folderPath_ / "missing.bin").string(); }, "Open File Error"},
        {[&] { settings.imagePath = folderPath_.string(); }, "Open File Error"},
        {[&] { settings.imagePath.clear(); }, "Open File Error"},
        {[&] { WriteImage(0); }, "The bin file is empty"},
        {[&] {
             settings.eepromType = kEeprom24C02;
             WriteImage(257);
         },
         "The bin file (257 bytes) is larger than the selected EEPROM type (256 bytes)"},
        {[&] {
             settings.eepromType = kEeprom24C128;
             WriteImage(16385);
         },
         "The bin file (16385 bytes)"},
    };
    for (const Case& testCase : cases) {
        const std::string keptPath = settings.imagePath;
        testCase.prepare();
        Run();
        EXPECT_EQ(controller->TransferCount(), 0u) << testCase.textStart;
        ASSERT_FALSE(Messages().empty());
        EXPECT_TRUE(Messages().back().text.starts_with(testCase.textStart))
            << Messages().back().text;
        EXPECT_EQ(Messages().back().caption, "Error");
        EXPECT_EQ(Messages().back().style, kIconError);
        ExpectWoundDown();
        settings.imagePath = keptPath;
    }
    EXPECT_FALSE(controller->EepromWritable());
    EXPECT_TRUE(controller->EepromTypeRequests().empty());
}

TEST_F(UploadTest, AnImageFillingTheEepromExactlyIsAccepted) {
    settings.eepromType = kEeprom24C128;
    WriteImage(16384);
    Run();
    EXPECT_EQ(Messages().back().text, "Upload finish");
    EXPECT_EQ(controller->EepromByte(16383), static_cast<uint8_t>(0x10 + 16383));
}

TEST_F(UploadTest, ForcedTypeSendsTheKindsLowByteBeforeAnyBlock) {
    WriteImage(32);
    settings.forceEepromType = true;
    settings.forcedEepromKind = 0x100;
    Run();
    EXPECT_EQ(controller->EepromTypeRequests(), std::vector<uint8_t>{0x00});
    EXPECT_EQ(Messages().back().text, "Upload finish");
}

TEST_F(UploadTest, NewBinWorksJumpsAndLeavesTheFinishToTheTimer) {
    WriteImage(64);
    settings.runNewBin = true;
    Run();
    EXPECT_EQ(controller->JumpRequests(), 1);
    EXPECT_EQ(controller->TransferLog().back().selector, CommandChannel);
    EXPECT_EQ(controller->TransferLog().back().isGet, true);  // the register read
    EXPECT_EQ(host.restartPending, 1);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(host.finishCount, 0);
    EXPECT_EQ(controller->EepromByte(0), kMarkerComplete);
    // The camera stays claimed until the timer has restarted it.
    EXPECT_EQ(host.window.Caption(), "camera path");
    EXPECT_EQ(host.window.Control(kUploadButton).text, "Upload");
    EXPECT_FALSE(host.window.Control(kProgressBar).visible);
    EXPECT_EQ(host.uploadRunning, 0);
}

TEST_F(UploadTest, ClosingDialogGetsNoNewTransfer) {
    WriteImage(64);
    host.closing = true;
    Run();
    EXPECT_EQ(CountSent(EE_SET_OFFSET), 0u);
    EXPECT_TRUE(Messages().empty());
    ExpectWoundDown();
}

// The dialog's close may come just after the worker looked whether it
// closes: it then finds no transfer flag to clear, so the worker must see the
// close itself and send no block.
TEST_F(UploadTest, ACloseRightAfterTheWorkersLookStillStopsTheRun) {
    WriteImage(64);
    host.closeRightAfterLook = true;
    Run();
    EXPECT_EQ(CountSent(EE_SET_OFFSET), 0u);
    EXPECT_EQ(controller->EepromByte(0), 0xFF);
    ExpectWoundDown();
}

// --- Every failure of a run: its report, the marker it leaves, the wind-down.

struct FailureRow {
    std::string name;
    std::function<void(UploadSettings&, sim::SimulatedMachine&, sim::SimulatedController&)> inject;
    std::string text;
    std::optional<std::string> caption;
    uint32_t style;
    uint8_t markerAfter;  // EEPROM byte 0 afterwards; the old image held 'A'
    // After a failed commit of block 0: how the second message begins.
    std::optional<std::string> notice = std::nullopt;
};

constexpr const char* kMarkerReset =
    "The camera now holds an incomplete image. Its first byte was set back";
constexpr const char* kMarkerNotReset =
    "The camera may hold an incomplete image, and its first byte could not";

sim::SimulatedDevice Device(const std::string& path, std::vector<Guid> nodes, bool control) {
    sim::SimulatedDevice device;
    device.path = path;
    device.nodeTypes = std::move(nodes);
    device.hasPropertyControl = control;
    return device;
}

// A two-block upload (64 bytes, 32-byte blocks, checked) makes these transfers:
// 10 to make the EEPROM writable, 20 per block, 20 for the header commit.
constexpr uint64_t kW = 10;
constexpr uint64_t kBlock = 20;

const FailureRow kFailureRows[] = {
    {"NoDevice",
     [](UploadSettings& s, sim::SimulatedMachine&, auto&) { s.cameraPath = "\\\\?\\usb#none"; },
     "No Device", std::nullopt, kOk, 'A'},
    {"NoExtensionUnit",
     [](UploadSettings& s, sim::SimulatedMachine& m, auto&) {
         const std::string path = sim::UsbCameraPath("3a5e", "9999", "plain");
         m.AddDevice(Device(path, sim::PlainCameraNodes(), true));
         s.cameraPath = path;
     },
     "Get node id error", std::nullopt, kOk, 'A'},
    {"NoPropertyControl",
     [](UploadSettings& s, sim::SimulatedMachine& m, auto&) {
         const std::string path = sim::UsbCameraPath("3a5e", "9999", "nocontrol");
         m.AddDevice(Device(path, sim::TovrineCameraNodes(), false));
         s.cameraPath = path;
     },
     "Get IKsControl error", std::nullopt, kOk, 'A'},
    {"NotWritable", [](UploadSettings&, sim::SimulatedMachine&, auto& c) { c.FailNthTransfer(1); },
     "Set EEPROM writeable error", "Error", kIconError, 'A'},
    {"TypeRefused",
     [](UploadSettings& s, sim::SimulatedMachine&, auto& c) {
         s.forceEepromType = true;
         c.FailNthTransfer(kW + 1);
     },
     "Set EEPROM Type Error", std::nullopt, kOk, 'A'},
    {"SetOffset",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::SetOffset, 2);
     },
     "set offset faild", "Fail", kIconError, 'B'},
    {"DataWord",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::DataWord, 2);
     },
     "write E2prom  faild", "Fail", kIconError, 'B'},
    {"EndBlock",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::EndBlock, 2);
     },
     "write end faild", "Fail", kIconError, 'B'},
    {"FirstBlockEnd",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::EndBlock, 1);
     },
     // Block 0's commit may have torn the older image: 'B' is tried again.
     "write end faild", "Fail", kIconError, 'A', kMarkerNotReset},
    {"CheckSet",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) { c.FailNthTransfer(kW + kBlock + 19); },
     "write end faild", "Fail", kIconError, 'B'},
    {"CheckGet",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::CheckBlock, 2);
     },
     "read E2prom  faild", "Fail", kIconError, 'B'},
    {"ShortCheckReply",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) { c.ShortReplyOnNthTransfer(kW + 20); },
     "read E2prom  faild", "Fail", kIconError, 'B'},
    {"Mismatch",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) { c.MismatchCheckOfBlock(2); },
     "Verify fail, block index = 1", "Fail", kIconError, 'B'},
    {"HeaderOffset",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::SetOffset, 3);
     },
     "set header offset faild", "Fail", kIconError, 'B'},
    {"HeaderDataWord",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::DataWord, 3);
     },
     "write E2prom  faild", "Fail", kIconError, 'B'},
    {"HeaderEnd",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::EndBlock, 3);
     },
     "write header E2prom end faild", "Fail", kIconError, 'B', kMarkerNotReset},
    {"HeaderCheckSet",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailNthTransfer(kW + 2 * kBlock + 19);
     },
     "write end faild", "Fail", kIconError, 'B', kMarkerReset},
    {"HeaderCheckGet",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.FailRequestFromBlock(sim::RequestKind::CheckBlock, 3);
     },
     "read E2prom for header faild", "Fail", kIconError, 'B', kMarkerNotReset},
    {"HeaderMismatch",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) { c.MismatchCheckOfBlock(3); },
     "Verify header fail", "Fail", kIconError, 'B', kMarkerReset},
    {"Jump",
     [](UploadSettings& s, sim::SimulatedMachine&, auto& c) {
         s.runNewBin = true;
         c.FailNthTransfer(kW + 3 * kBlock + 1);
     },
     "Jump error", std::nullopt, kOk, 'A'},
    {"Unplugged",
     [](UploadSettings&, sim::SimulatedMachine&, auto& c) {
         c.UnplugAfterTransfers(kW + kBlock + 5);
     },
     "write E2prom  faild", "Fail", kIconError, 'B'},
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << row.name;
}

class UploadFailureTest : public UploadTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(UploadFailureTest, ReportsWindsDownAndFreesTheCamera) {
    const FailureRow& row = GetParam();
    WriteImage(64);
    controller->WriteEeprom(0, OldImage());
    row.inject(settings, machine, *controller);
    Run();

    ASSERT_EQ(Messages().size(), row.notice ? 2u : 1u);
    EXPECT_EQ(Messages()[0].text, row.text);
    EXPECT_EQ(Messages()[0].caption, row.caption);
    EXPECT_EQ(Messages()[0].style, row.style);
    if (row.notice) {
        EXPECT_TRUE(Messages()[1].text.starts_with(*row.notice)) << Messages()[1].text;
        EXPECT_EQ(Messages()[1].caption, "Error");
    }
    EXPECT_EQ(controller->EepromByte(0), row.markerAfter);
    EXPECT_EQ(host.finishCount, 0);
    EXPECT_EQ(host.restartPending, 0);
    ExpectWoundDown();

    // The same camera serves the next run.
    controller->ClearFaults();
    controller->Replug();
    settings.forceEepromType = false;
    settings.runNewBin = false;
    settings.cameraPath = cameraPath;
    Run();
    EXPECT_EQ(Messages().back().text, "Upload finish");
    EXPECT_EQ(controller->EepromByte(0), kMarkerComplete);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, UploadFailureTest, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kestrovane::testing

namespace kestrovane::testing {
namespace {

// With --log the single run leaves one line per run: the image, the outcome
// and what the camera holds afterwards. Without it no file appears.
TEST_F(UploadTest, ARunLeavesOneLogLineWhenTheDialogLogs) {
    WriteImage(33);
    Run();
    EXPECT_FALSE(std::filesystem::exists(folderPath_ / "station.log"));
    settings.operationLog = (folderPath_ / "station.log").string();
    Run();
    settings.verifyOnly = true;
    Run();
    std::ifstream log(settings.operationLog);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\"tool\":\"Kestrovane "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"operation\":\"upload\""), std::string::npos);
    EXPECT_NE(lines[0].find("\"imageBytes\":33,"), std::string::npos);
    EXPECT_NE(lines[0].find("\"result\":\"committed\""), std::string::npos);
    EXPECT_NE(lines[0].find("\"marker\":\"complete\""), std::string::npos);
    EXPECT_NE(lines[1].find("\"operation\":\"verify\""), std::string::npos);
    EXPECT_NE(lines[1].find("\"result\":\""), std::string::npos);
}

}  // namespace
}  // namespace kestrovane::testing
