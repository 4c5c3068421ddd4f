#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SimulatedCameraFixture.h"
#include "camera/CommandSet.h"
#include "camera/Transport.h"
#include "camera/sim/SharedEepromImage.h"
#include "camera/sim/SimulatedController.h"

namespace kestrovane::testing {
namespace {

// Drives the EEPROM staging requests the way an upload does.
class StagingTest : public SimulatedCameraTest {
protected:
    StagingTest() : SimulatedCameraTest(2, 256) { EXPECT_EQ(link.Open(camera), XU_OK); }

    bool SendBlock(uint16_t offset, const std::vector<uint8_t>& block, bool commit = true) {
        XuRequest request = EeSetOffsetRequest(offset);
        if (!link.Set(EepromChannel, request)) return false;
        for (size_t i = 0; i < block.size(); i += 2) {
            request = EeDataWordRequest(block[i], block[i + 1]);
            if (!link.Set(EepromChannel, request)) return false;
        }
        if (!commit) return true;
        request = EeEndBlockRequest(request);
        return link.Set(EepromChannel, request);
    }

    // 1 match, 0 mismatch, -1 transfer failed.
    int CheckBlock(const std::vector<uint8_t>& block) {
        XuRequest request = EeCheckBlockRequest(block[0], block[1]);
        if (!link.Set(EepromChannel, request) || !link.Get(EepromChannel, request)) return -1;
        return request[1] == 1 ? 1 : 0;
    }

    std::vector<uint8_t> EepromAt(size_t offset, size_t count) {
        const auto all = controller->Eeprom();
        return {all.begin() + offset, all.begin() + offset + count};
    }

    XuLink link;
    const std::vector<uint8_t> block{1, 2, 3, 4, 5, 6, 7, 8};
};

TEST_F(StagingTest, WriteProtectionHoldsUntilTheWholeEnableSequenceRan) {
    EXPECT_FALSE(controller->EepromWritable());
    ASSERT_TRUE(SendBlock(8, block));
    EXPECT_EQ(EepromAt(8, 8), std::vector<uint8_t>(8, 0xFF));
    EXPECT_EQ(CheckBlock(block), 0);

    // Any single step left out keeps the EEPROM closed.
    ASSERT_EQ(WriteDirectRegister(camera, 0xBF76, 0x20), XU_OK);
    EXPECT_FALSE(controller->EepromWritable());
    ASSERT_EQ(WriteDirectRegister(camera, 0x0109, 0xAF), XU_OK);
    EXPECT_FALSE(controller->EepromWritable());

    ASSERT_EQ(MakeEepromWritable(camera), 1);
    EXPECT_TRUE(controller->EepromWritable());
    ASSERT_TRUE(SendBlock(8, block));
    EXPECT_EQ(EepromAt(8, 8), block);
    EXPECT_EQ(CheckBlock(block), 1);
}

TEST_F(StagingTest, CheckComparesTheStagedBlockWithoutWriting) {
    ASSERT_EQ(MakeEepromWritable(camera), 1);
    ASSERT_TRUE(SendBlock(16, block));
    // Verify only: the same block staged again without end of block matches...
    ASSERT_TRUE(SendBlock(16, block, false));
    EXPECT_EQ(CheckBlock(block), 1);
    // ...a different one does not, and is not written.
    std::vector<uint8_t> other = block;
    other[7] = 0x99;
    ASSERT_TRUE(SendBlock(16, other, false));
    EXPECT_EQ(CheckBlock(other), 0);
    EXPECT_EQ(EepromAt(16, 8), block);
}

TEST_F(StagingTest, CheckOfAFullStagingBufferIsStillAnswered) {
    using Controller = sim::SimulatedController;
    // Fills the staging buffer exactly: the check word then has no room of its own.
    std::vector<uint8_t> full(Controller::kStagingCapacity, 0x00);
    full[0] = 0x01;  // a first byte that an unanswered check would echo as a match
    ASSERT_TRUE(SendBlock(0, full));
    EXPECT_EQ(CheckBlock(full), 0);  // write-protected: nothing was written

    ASSERT_EQ(MakeEepromWritable(camera), 1);
    full[0] = 0x00;
    ASSERT_TRUE(SendBlock(0, full));
    EXPECT_EQ(CheckBlock(full), 1);

    // Words beyond the buffer are lost, so such a block never matches.
    std::vector<uint8_t> oversized(Controller::kStagingCapacity + 2, 0x00);
    ASSERT_TRUE(SendBlock(64, oversized));
    EXPECT_EQ(CheckBlock(oversized), 0);
}

TEST_F(StagingTest, AddressesWrapAroundTheEepromSize) {
    ASSERT_EQ(MakeEepromWritable(camera), 1);
    ASSERT_TRUE(SendBlock(256 + 4, block));
    EXPECT_EQ(EepromAt(4, 8), block);
    ASSERT_TRUE(SendBlock(252, block));
    EXPECT_EQ(EepromAt(252, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(EepromAt(0, 4), (std::vector<uint8_t>{5, 6, 7, 8}));
}

TEST_F(StagingTest, InjectedFaultsHitTheNamedBlockAndRequest) {
    ASSERT_EQ(MakeEepromWritable(camera), 1);
    controller->FailRequestFromBlock(sim::RequestKind::EndBlock, 2);
    EXPECT_TRUE(SendBlock(0, block));
    EXPECT_FALSE(SendBlock(8, block));
    EXPECT_FALSE(SendBlock(16, block));
    EXPECT_EQ(EepromAt(8, 8), std::vector<uint8_t>(8, 0xFF));

    controller->ClearFaults();
    controller->MismatchCheckOfBlock(1);
    ASSERT_TRUE(SendBlock(24, block));
    EXPECT_EQ(CheckBlock(block), 0);
    EXPECT_EQ(EepromAt(24, 8), block);  // written, but reported as different
    ASSERT_TRUE(SendBlock(24, block));
    EXPECT_EQ(CheckBlock(block), 1);

    controller->FailRequestFromBlock(sim::RequestKind::CheckBlock, 1);
    ASSERT_TRUE(SendBlock(32, block));
    EXPECT_EQ(CheckBlock(block), -1);
}

TEST_F(StagingTest, UnplugAfterTransfersDropsTheCameraMidRun) {
    controller->UnplugAfterTransfers(3);
    EXPECT_FALSE(SendBlock(0, block));
    EXPECT_FALSE(controller->Present());
    XuLink again;
    EXPECT_EQ(again.Open(camera), XU_NO_DEVICE);
    machine.Detach(cameraPath);
    machine.AttachController(cameraPath, controller);
    EXPECT_EQ(again.Open(camera), XU_OK);
}

// A block commit torn as a 24Cxx page write tears; the host sees each fail.
TEST_F(StagingTest, TornCommitsTearAsAnEepromPageWriteDoes) {
    ASSERT_EQ(MakeEepromWritable(camera), 1);
    const std::vector<uint8_t> old(8, 0x66);
    const auto tornAt = [&](uint16_t offset, const sim::CommitTear& tear) {
        controller->WriteEeprom(offset, old);
        controller->TearNthTransfer(6, tear);  // offset, 4 words, then the commit
        EXPECT_FALSE(SendBlock(offset, block));
        return EepromAt(offset, 8);
    };
    // Its first bytes only.
    EXPECT_EQ(tornAt(0, {.kind = sim::TearKind::FirstBytes, .keptBytes = 3}),
              (std::vector<uint8_t>{1, 2, 3, 0x66, 0x66, 0x66, 0x66, 0x66}));
    // Before the stop condition: all or nothing.
    EXPECT_EQ(tornAt(8, {.kind = sim::TearKind::BeforeStop}), old);
    EXPECT_EQ(tornAt(16, {.kind = sim::TearKind::BeforeStop, .pageWritten = true}), block);
    // Power lost in the write cycle: each byte old, new or anything else; the
    // same seed tears the same way, and other seeds meet all three.
    const std::vector<uint8_t> first = tornAt(24, {.kind = sim::TearKind::PowerLost, .seed = 7});
    EXPECT_EQ(tornAt(24, {.kind = sim::TearKind::PowerLost, .seed = 7}), first);
    int kept = 0, written = 0, garbage = 0;
    for (uint32_t seed = 0; seed < 8; ++seed) {
        const auto torn = tornAt(32, {.kind = sim::TearKind::PowerLost, .seed = seed});
        for (std::size_t i = 0; i < torn.size(); ++i) {
            kept += torn[i] == old[i];
            written += torn[i] == block[i];
            garbage += torn[i] != old[i] && torn[i] != block[i];
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_GT(written, 0);
    EXPECT_GT(garbage, 0);
    EXPECT_TRUE(controller->Present());
    // A pulled cable: torn, and the camera is gone at once.
    const auto pulled =
        tornAt(40, {.kind = sim::TearKind::PowerLost, .seed = 3, .cablePulled = true});
    EXPECT_NE(pulled, old);
    EXPECT_FALSE(controller->Present());
    XuLink again;
    EXPECT_EQ(again.Open(camera), XU_NO_DEVICE);
}

TEST_F(StagingTest, LatencyIsPaidOnTheMachineClock) {
    controller->SetLatencyUs(500);
    const uint64_t before = clock.NowUs();
    ASSERT_TRUE(SendBlock(0, block));
    EXPECT_EQ(clock.NowUs() - before, 6u * 500u);
}

TEST_F(SimulatedCameraTest, RequestsOutsideTheExtensionUnitFramingAreRefused) {
    XuRequest data{0x07, 0x07, 0x00};
    uint32_t returned = 0;
    NodePropertyRequest request{XuPropertySet, CommandChannel, kXuSetFlags, 2, 0};
    EXPECT_EQ(controller->Transfer(request, data.data(), 3, &returned, clock), kS_OK);
    NodePropertyRequest wrongFlags = request;
    wrongFlags.flags = KSPROPERTY_TYPE_SET;
    EXPECT_EQ(controller->Transfer(wrongFlags, data.data(), 3, &returned, clock), kE_FAIL);
    NodePropertyRequest wrongSelector = request;
    wrongSelector.id = 3;
    EXPECT_EQ(controller->Transfer(wrongSelector, data.data(), 3, &returned, clock), kE_FAIL);
    EXPECT_EQ(controller->Transfer(request, data.data(), 2, &returned, clock), kE_FAIL);
}

TEST_F(SimulatedCameraTest, OnlyTheVendorNodeOfTheTopologyAnswers) {
    // An extension unit behind a node whose type query fails, at node 3.
    sim::SimulatedDevice device;
    device.path = sim::UsbCameraPath("3a5e", "0004", "late-unit");
    device.nodeTypes = sim::PlainCameraNodes();
    device.nodeTypes.insert(device.nodeTypes.begin(), KSNODETYPE_DEV_SPECIFIC);
    device.nodeTypes.push_back(KSNODETYPE_DEV_SPECIFIC);
    device.failingNodeTypeQueries = {0};
    device.controller = std::make_shared<sim::SimulatedController>(256, 1);
    machine.AddDevice(device);
    const CameraTarget late{machine, *device.path};
    XuProtocolLevel level = 0;
    EXPECT_EQ(QueryXuProtocol(late, level), XU_OK);
    EXPECT_EQ(level, 1);

    std::unique_ptr<CaptureFilter> filter;
    ASSERT_EQ(OpenCamera(late, &filter), XU_OK);
    std::unique_ptr<PropertyControl> control;
    ASSERT_EQ(GetKsControl(filter.get(), &control), XU_OK);
    XuRequest probe = ProbeRequest();
    EXPECT_EQ(XuSet(control.get(), CommandChannel, 3, probe.data(), 3), 1);
    EXPECT_EQ(XuSet(control.get(), CommandChannel, 1, probe.data(), 3), 0);
    EXPECT_EQ(XuSet(control.get(), CommandChannel, 7, probe.data(), 3), 0);
}

TEST_F(SimulatedCameraTest, Level2TypeRequestAlsoSelectsARegister) {
    controller->SetChipRegister(0x0005, 0x42);
    XuLink link;
    ASSERT_EQ(link.Open(camera), XU_OK);
    XuRequest request = EepromTypeRequest(1);
    ASSERT_TRUE(link.Set(CommandChannel, request));
    ASSERT_TRUE(link.Get(CommandChannel, request));
    EXPECT_EQ(request[1], 0x42);
    EXPECT_EQ(controller->EepromTypeRequests(), (std::vector<uint8_t>{1}));
}

TEST_F(SimulatedCameraTest, RestartReturnsRegistersToPowerOnAndKeepsTheEeprom) {
    ASSERT_EQ(MakeEepromWritable(camera), 1);
    controller->WriteEeprom(0, {'A'});
    controller->Restart();
    EXPECT_FALSE(controller->EepromWritable());
    EXPECT_EQ(controller->EepromByte(0), 'A');
    EXPECT_EQ(controller->RestartCount(), 1);
    EXPECT_FALSE(controller->RunningNewImage());
}

TEST(SimulatedEepromFile, SavesAndLoadsTheWholeEeprom) {
    const auto path = std::filesystem::temp_directory_path() / "kestrovane-sim-eeprom.bin";
    sim::SimulatedController saved(512);
    saved.WriteEeprom(510, {0xAB, 0xCD, 0xEF});  // wraps to offset 0
    // A file beside it with a temporary file's name is somebody else's.
    const auto neighbour = std::filesystem::path(path.string() + ".tmp");
    std::ofstream(neighbour) << "keep";
    ASSERT_TRUE(saved.SaveEepromFile(path.string()));
    EXPECT_EQ(std::filesystem::file_size(path), 512u);
    EXPECT_EQ(std::filesystem::file_size(neighbour), 4u);
    std::filesystem::remove(neighbour);

    sim::SimulatedController loaded(512);
    ASSERT_TRUE(loaded.LoadEepromFile(path.string()));
    EXPECT_EQ(loaded.Eeprom(), saved.Eeprom());
    EXPECT_EQ(loaded.EepromByte(0), 0xEF);
    std::filesystem::remove(path);
    EXPECT_FALSE(loaded.LoadEepromFile(path.string()));
}

// Two processes bound to one camera's EEPROM file: each syncs under the
// cross-process lock, and neither loses the other's writes.
TEST(SharedEepromImage, TwoProcessesKeepEachOthersWrites) {
    std::optional<std::vector<uint8_t>> file;  // no file yet: a new EEPROM
    sim::SharedEepromImage first(64), second(64);
    std::vector<uint8_t> eepromA(64, 0), eepromB(64, 0);
    const auto save = [&](sim::SharedEepromImage& side, std::vector<uint8_t>& eeprom) {
        if (auto written = side.Sync(file, eeprom)) file = std::move(written);
    };
    // Both bind: each takes the file's contents, nothing is written.
    EXPECT_FALSE(first.Sync(file, eepromA));
    EXPECT_FALSE(second.Sync(file, eepromB));
    EXPECT_EQ(eepromA, std::vector<uint8_t>(64, 0xFF));
    // Each writes a block of its own and saves it.
    std::fill_n(eepromA.begin(), 32, 0xA1);
    save(first, eepromA);
    std::fill_n(eepromB.begin() + 32, 32, 0xB2);
    save(second, eepromB);
    ASSERT_TRUE(file);
    std::vector<uint8_t> both(64, 0xA1);
    std::fill_n(both.begin() + 32, 32, 0xB2);
    EXPECT_EQ(*file, both);
    EXPECT_EQ(eepromB, both);  // the second took the first's block as it saved
    // The first binds again and sees the second's block; its own stale copy
    // of those bytes never goes back into the file.
    EXPECT_FALSE(first.Sync(file, eepromA));
    EXPECT_EQ(eepromA, both);
    eepromA[0] = 0x42;
    save(first, eepromA);
    both[0] = 0x42;
    EXPECT_EQ(*file, both);
    // A save with nothing changed writes nothing; a short file reads as 0xFF after its end.
    EXPECT_FALSE(second.Sync(file, eepromB));
    file = std::vector<uint8_t>(8, 0x11);
    EXPECT_FALSE(second.Sync(file, eepromB));
    EXPECT_EQ(eepromB[7], 0x11);
    EXPECT_EQ(eepromB[8], 0xFF);
}

}  // namespace
}  // namespace kestrovane::testing
