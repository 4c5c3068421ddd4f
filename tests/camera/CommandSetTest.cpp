#include <gtest/gtest.h>

#include "SimulatedCameraFixture.h"
#include "camera/CommandSet.h"

namespace kestrovane::testing {
namespace {

using Bytes = std::vector<XuRequest>;

class Level1Camera : public SimulatedCameraTest {
protected:
    Level1Camera() : SimulatedCameraTest(1) {}
};
class Level2Camera : public SimulatedCameraTest {
protected:
    Level2Camera() : SimulatedCameraTest(2) {}
};
class Level0Camera : public SimulatedCameraTest {
protected:
    Level0Camera() : SimulatedCameraTest(0) {}
};

TEST_F(Level1Camera, ChipRegisterReadSendsOpFirstAndDecodesLittleEndianReply) {
    controller->SetChipRegister(0x1234, 0x76);
    uint16_t value = 0;
    ASSERT_EQ(ReadRegister(camera, 0x1234, value, CHIP_LEVEL1), XU_OK);
    EXPECT_EQ(SentRequests(CommandChannel), (Bytes{{0x01, 0x34, 0x12}}));
    EXPECT_EQ(value, 0x0076);

    controller->SetSensorRegister(0x1234, 0xBF76);
    ASSERT_EQ(ReadRegister(camera, 0x1234, value, SENSOR_LEVEL1), XU_OK);
    EXPECT_EQ(value, 0xBF76);
}

TEST_F(Level1Camera, RegisterWriteSendsTheWriteOpFirst) {
    ASSERT_EQ(WriteRegister(camera, 0x0012, 0x00FF, SENSOR_LEVEL1), XU_OK);
    ASSERT_EQ(WriteRegister(camera, 0x0301, 0x005A, CHIP_LEVEL1), XU_OK);
    EXPECT_EQ(
        SentRequests(CommandChannel),
        (Bytes{{0x00, 0x12, 0x00}, {0x02, 0xFF, 0x00}, {0x01, 0x01, 0x03}, {0x03, 0x5A, 0x00}}));
    EXPECT_EQ(controller->SensorRegister(0x0012), 0x00FF);
    EXPECT_EQ(controller->ChipRegister(0x0301), 0x5A);
}

TEST_F(Level2Camera, RegisterRequestsPutTheOpInTheMiddle) {
    uint16_t value = 0;
    ASSERT_EQ(ReadRegister(camera, 0x1234, value, CHIP_LEVEL2), XU_OK);
    ASSERT_EQ(WriteRegister(camera, 0x0012, 0x00FF, SENSOR_LEVEL2), XU_OK);
    EXPECT_EQ(SentRequests(CommandChannel),
              (Bytes{{0x34, 0x01, 0x12}, {0x12, 0x00, 0x00}, {0xFF, 0x02, 0x00}}));
    EXPECT_EQ(controller->SensorRegister(0x0012), 0x00FF);
}

TEST_F(Level2Camera, RegisterWriteThenReadRoundTripsForChipAndSensor) {
    ASSERT_EQ(WriteRegister(camera, 0x0301, 0x5A, CHIP_LEVEL2), XU_OK);
    ASSERT_EQ(WriteRegister(camera, 0x3012, 0xA55A, SENSOR_LEVEL2), XU_OK);
    uint16_t chip = 0, sensor = 0;
    ASSERT_EQ(ReadRegister(camera, 0x0301, chip, CHIP_LEVEL2), XU_OK);
    ASSERT_EQ(ReadRegister(camera, 0x3012, sensor, SENSOR_LEVEL2), XU_OK);
    EXPECT_EQ(chip, 0x5A);
    EXPECT_EQ(sensor, 0xA55A);
}

TEST_F(Level0Camera, LegacyRequestsSendOnlyTheLowAddressByteAndTheSensorFlag) {
    controller->SetSensorRegister(0x23, 0x0102);
    uint16_t value = 0;
    ASSERT_EQ(ReadRegisterLegacy(camera, 0x0123, value, 0), XU_OK);
    EXPECT_EQ(value, 0x0102);
    ASSERT_EQ(WriteRegisterLegacy(camera, 0x0045, 0x0077, 1), XU_OK);
    EXPECT_EQ(SentRequests(CommandChannel),
              (Bytes{{0x00, 0x23, 0x01}, {0x00, 0x45, 0x00}, {0x01, 0x77, 0x00}}));
    EXPECT_EQ(controller->ChipRegister(0x45), 0x77);
}

TEST_F(SimulatedCameraTest, ProbeReportsTheLevelTheControllerAnswers) {
    for (int answered : {0, 1, 2, 3}) {
        controller->SetProtocolLevel(answered);
        XuProtocolLevel level = -1;
        ASSERT_EQ(QueryXuProtocol(camera, level), XU_OK);
        EXPECT_EQ(level, answered == 3 ? 0 : answered) << "answered " << answered;
        EXPECT_EQ(IsXuProtocolSupported(camera), (answered == 1 || answered == 2) ? 1 : 0);
    }
    EXPECT_EQ(SentRequests(CommandChannel).front(), (XuRequest{0x07, 0x07, 0x00}));
}

TEST_F(SimulatedCameraTest, ProbeFailureLeavesLevelZero) {
    controller->FailNthTransfer(2);  // the GET of the probe
    XuProtocolLevel level = 2;
    EXPECT_EQ(QueryXuProtocol(camera, level), XU_TRANSFER_FAILED);
    EXPECT_EQ(level, 0);
    machine.Detach(cameraPath);
    level = 2;
    EXPECT_EQ(QueryXuProtocol(camera, level), XU_NO_DEVICE);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(IsXuProtocolSupported(camera), 0);
}

TEST_F(SimulatedCameraTest, EepromWordReadUsesTheLayoutOfTheLevel) {
    controller->WriteEeprom(0x0170, {0x12, 0x34});
    for (int level : {1, 2}) {
        controller->SetProtocolLevel(level);
        controller->ClearTransferLog();
        uint8_t word[2] = {};
        ASSERT_EQ(ReadEepromWord(camera, word, 0x0170), XU_OK);
        EXPECT_EQ(word[0], 0x12);
        EXPECT_EQ(word[1], 0x34);
        const XuRequest expected =
            level == 1 ? XuRequest{0x04, 0x70, 0x01} : XuRequest{0x70, 0x04, 0x01};
        EXPECT_EQ(SentRequests(CommandChannel), (Bytes{{0x07, 0x07, 0x00}, expected}));
    }
}

TEST_F(Level0Camera, EepromWordReadAtLevelZeroSendsNoReadAndFails) {
    uint8_t word[2] = {0xAA, 0xBB};
    EXPECT_EQ(ReadEepromWord(camera, word, 0), XU_TRANSFER_FAILED);
    EXPECT_EQ(SentRequests(CommandChannel), (Bytes{{0x07, 0x07, 0x00}}));
    EXPECT_EQ(word[0], 0xAA);
    EXPECT_EQ(word[1], 0xBB);
}

TEST_F(SimulatedCameraTest, EepromBlockReadNeverWritesPastTheRequestedLength) {
    controller->WriteEeprom(0x70, {1, 2, 3, 4, 5, 6});
    std::vector<uint8_t> buffer(5, 0xEE);

    ASSERT_EQ(ReadEepromBlock(camera, std::span(buffer).first(0), 0x70), XU_OK);
    EXPECT_TRUE(controller->TransferLog().empty());

    ASSERT_EQ(ReadEepromBlock(camera, std::span(buffer).first(3), 0x70), XU_OK);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{1, 2, 3, 0xEE, 0xEE}));
    // Two words, each a probe and a read.
    EXPECT_EQ(SentRequests(CommandChannel).size(), 4u);
}

TEST_F(SimulatedCameraTest, EepromBlockReadStopsAtTheFirstFailingWord) {
    controller->WriteEeprom(0, {1, 2, 3, 4, 5, 6});
    controller->FailNthTransfer(6);  // second word: probe SET, probe GET, read SET, read GET
    std::vector<uint8_t> buffer(6, 0);
    EXPECT_EQ(ReadEepromBlock(camera, buffer, 0), XU_TRANSFER_FAILED);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{1, 2, 0, 0, 0, 0}));
}

TEST_F(SimulatedCameraTest, ShortReplyIsNeverReadAsAValue) {
    controller->SetSensorRegister(0x10, 0x1234);
    controller->ShortReplyOnNthTransfer(2);
    uint16_t value = 0xDEAD;
    EXPECT_EQ(ReadRegister(camera, 0x10, value, SENSOR_LEVEL2), XU_TRANSFER_FAILED);
    EXPECT_EQ(value, 0xDEAD);
}

TEST_F(SimulatedCameraTest, DirectRegisterRequestsGoOnTheEepromChannel) {
    controller->SetChipRegister(0x0109, 0x3C);
    uint16_t value = 0;
    ASSERT_EQ(ReadDirectRegister(camera, 0x0109, value), XU_OK);
    EXPECT_EQ(value, 0x3C);
    ASSERT_EQ(WriteDirectRegister(camera, 0x0200, 0x0155), XU_OK);
    EXPECT_EQ(SentRequests(EepromChannel),
              (Bytes{{0xF2, 0x09, 0x01}, {0xF0, 0x00, 0x02}, {0xF1, 0x55, 0x01}}));
    EXPECT_EQ(controller->ChipRegister(0x0200), 0x55);
}

TEST_F(SimulatedCameraTest, MakeEepromWritableSendsTheWholeSequence) {
    controller->SetChipRegister(0x0109, 0xFF);
    controller->SetChipRegister(0x0107, 0xFF);
    EXPECT_EQ(MakeEepromWritable(camera), 1);
    EXPECT_EQ(SentRequests(EepromChannel), (Bytes{{0xF0, 0x76, 0xBF},
                                                  {0xF1, 0x20, 0x00},
                                                  {0xF2, 0x09, 0x01},
                                                  {0xF0, 0x09, 0x01},
                                                  {0xF1, 0xEF, 0x00},
                                                  {0xF2, 0x07, 0x01},
                                                  {0xF0, 0x07, 0x01},
                                                  {0xF1, 0xFE, 0x00}}));
    EXPECT_TRUE(controller->EepromWritable());
}

TEST_F(SimulatedCameraTest, MakeEepromWritableStopsAtTheFirstFailure) {
    for (uint64_t failing = 1; failing <= 8; ++failing) {
        SCOPED_TRACE(failing);
        controller->ClearTransferLog();
        controller->ClearFaults();
        controller->FailNthTransfer(failing);
        EXPECT_EQ(MakeEepromWritable(camera), 0);
        // Transfers up to the failing one were made; nothing after it.
        const auto log = controller->TransferLog();
        EXPECT_EQ(log.size(), failing - 1);
    }
}

TEST_F(SimulatedCameraTest, EepromTypeAndJumpAreSingleRequests) {
    ASSERT_EQ(SetEepromType(camera, 1), XU_OK);
    ASSERT_EQ(JumpToNewImage(camera), XU_OK);
    EXPECT_EQ(SentRequests(CommandChannel), (Bytes{{0x05, 0x01, 0x00}, {0x06, 0x00, 0x00}}));
    EXPECT_EQ(controller->EepromTypeRequests(), (std::vector<uint8_t>{1}));
    EXPECT_EQ(controller->JumpRequests(), 1);
    EXPECT_FALSE(controller->RunningNewImage());
    controller->Restart();
    EXPECT_TRUE(controller->RunningNewImage());
}

TEST_F(SimulatedCameraTest, CommandsReportTheStepThatFailed) {
    uint16_t value = 0;
    const CameraTarget elsewhere{machine, sim::UsbCameraPath("3a5e", "9999", "x")};
    EXPECT_EQ(ReadRegister(elsewhere, 0, value, CHIP_LEVEL2), XU_NO_DEVICE);
    EXPECT_EQ(MakeEepromWritable(elsewhere), 0);

    sim::SimulatedDevice noUnit;
    noUnit.path = sim::UsbCameraPath("0c7b", "0001", "y");
    noUnit.nodeTypes = sim::PlainCameraNodes();
    machine.AddDevice(noUnit);
    EXPECT_EQ(SetEepromType({machine, *noUnit.path}, 1), XU_NOT_SUPPORTED);

    controller->FailNthTransfer(1);
    EXPECT_EQ(JumpToNewImage(camera), XU_TRANSFER_FAILED);
}

}  // namespace
}  // namespace kestrovane::testing
