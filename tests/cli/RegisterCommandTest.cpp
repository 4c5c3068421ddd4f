// reg read, write, dump and load with the Advanced dialog's checks.
#include <gtest/gtest.h>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class RegisterCommand : public CliTest {};

TEST_F(RegisterCommand, ReadsAndWritesOneRegisterAtEachLevel) {
    const auto camera = AttachCamera(0);
    ASSERT_EQ(Run({"reg", "write", "sensor", "300a", "0x2770"}), 0) << err.str();
    EXPECT_EQ(camera->SensorRegister(0x300A), 0x2770);
    ASSERT_EQ(Run({"reg", "read", "sensor", "300A"}), 0);
    EXPECT_EQ(out.str(), "2770\n");

    // Level 1: sensor registers xx05 are refused; level 0: addresses above FF.
    camera->SetProtocolLevel(1);
    camera->ClearTransferLog();
    EXPECT_EQ(Run({"reg", "write", "sensor", "105", "1"}), 2);
    EXPECT_TRUE(Contains(err.str(), "Not support read/write register 0Xxx05 register"));
    camera->SetProtocolLevel(0);
    EXPECT_EQ(Run({"reg", "read", "chip", "105"}), 2);
    EXPECT_TRUE(Contains(err.str(), "this camera's firmware takes addresses between 0 and FF"));
    for (const auto& transfer : camera->TransferLog()) {
        EXPECT_TRUE(transfer.selector == CommandChannel &&
                    (transfer.bytes[0] == CMD_PROBE || transfer.isGet))
            << "only the level was asked";
    }
}

// A dump goes to standard output or whole into a file; the file loads back.
TEST_F(RegisterCommand, DumpsAndLoadsRegisterFiles) {
    const auto camera = AttachCamera(0);
    camera->SetChipRegister(0x0010, 0xAB);
    ASSERT_EQ(Run({"reg", "dump", "chip", "-"}), 0);
    const std::string dump = out.str();
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 256);
    EXPECT_TRUE(dump.starts_with("0x0000:0x0000\n"));
    EXPECT_TRUE(Contains(dump, "\n0x0010:0x00AB\n"));
    EXPECT_TRUE(dump.ends_with("0x00FF:0x0000\n"));

    camera->SetProtocolLevel(1);
    const std::string file = (folder.Path() / "SensorRegs.txt").string();
    camera->SetSensorRegister(0x01F1, 0x1234);
    ASSERT_EQ(Run({"reg", "dump", "sensor", "--start", "1F0", file}), 0) << err.str();
    EXPECT_TRUE(Contains(err.str(), "ReadSensor OK, file is saved to " + file + "!!"));
    const std::vector<uint8_t> bytes = ReadFile(file);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 255) << "0x0205 is passed over";
    EXPECT_TRUE(text.starts_with("0x01F0:0x0000\n0x01F1:0x1234\n"));

    camera->SetSensorRegister(0x01F1, 0);
    ASSERT_EQ(Run({"reg", "load", "sensor", file}), 0) << err.str();
    EXPECT_EQ(camera->SensorRegister(0x01F1), 0x1234);

    // A load whose every register the level-1 firmware refuses wrote nothing,
    // and says so.
    const std::string refused = WriteText("only05.txt", "0x0105:0x0001\n0x0205:0x0002\n");
    EXPECT_EQ(Run({"reg", "load", "sensor", refused}), 2);
    EXPECT_TRUE(Contains(err.str(), "No register was written")) << err.str();
    EXPECT_FALSE(Contains(err.str(), "WriteFile OK"));
}

// A file with a line that cannot be read is refused whole: nothing reaches
// the camera, and the line is named.
TEST_F(RegisterCommand, RefusesAMalformedFileBeforeWritingAnything) {
    const auto camera = AttachCamera(0);
    const std::string file = WriteText("TovrinRegs.txt", "0x0010:0x00AB\n0x0011:0xZZ\n");
    EXPECT_EQ(Run({"reg", "load", "chip", file}), 2);
    EXPECT_TRUE(Contains(err.str(), "Line 2 of the file"));
    EXPECT_EQ(camera->TransferCount(), 0u);
    EXPECT_EQ(camera->ChipRegister(0x0010), 0);

    // A dump that fails half-way leaves the file that was there.
    const std::string kept = WriteText("kept.txt", "0x0001:0x0002\n");
    camera->FailNthTransfer(20);
    EXPECT_EQ(Run({"reg", "dump", "chip", kept}), 1);
    EXPECT_TRUE(Contains(err.str(), "Read tovrine register fail"));
    const std::vector<uint8_t> after = ReadFile(kept);
    EXPECT_EQ(std::string(after.begin(), after.end()), "0x0001:0x0002\n");
}

}  // namespace
}  // namespace kestrovane::testing
