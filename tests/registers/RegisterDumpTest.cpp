#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimulatedCameraFixture.h"
#include "registers/RegisterDump.h"

namespace kestrovane::testing {
namespace {

constexpr uint32_t kOpenLatencyUs = 20000;

class RegisterDumpTest : public SimulatedCameraTest {
protected:
    std::unique_ptr<RegisterSession> Open(XuProtocolLevel level) {
        controller->SetProtocolLevel(level);
        auto session = std::make_unique<RegisterSession>();
        EXPECT_EQ(session->Open(camera), XU_OK);
        return session;
    }

    // The dump's lines, as a file would hold them.
    std::vector<std::string> Dump(RegisterSession& session, RegisterKind kind, uint16_t start,
                                  RegisterRunResult* result = nullptr) {
        std::vector<std::string> lines;
        const auto range = DumpRange(kind, start, session.AddressLimit());
        EXPECT_TRUE(range);
        if (!range) return lines;
        const RegisterRunResult run =
            DumpRegisters(session, kind, *range, [&](uint16_t address, uint16_t value) {
                lines.push_back(FormatRegisterLine(address, value));
            });
        if (result) *result = run;
        return lines;
    }
};

// The whole dump goes over one link: the camera is opened once, not once per
// register as each single command would.
TEST_F(RegisterDumpTest, AChipDumpReads256RegistersOverOneOpenLink) {
    machine.SetOpenLatencyUs(kOpenLatencyUs);
    controller->SetChipRegister(0x0042, 0xAB);
    const uint64_t before = clock.NowUs();
    const auto session = Open(2);
    const std::vector<std::string> lines = Dump(*session, RegisterKind::Chip, 0);
    EXPECT_EQ(clock.NowUs() - before, kOpenLatencyUs);
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines.front(), "0x0000:0x0000");
    EXPECT_EQ(lines[0x42], "0x0042:0x00AB");
    EXPECT_EQ(lines.back(), "0x00FF:0x0000");
    // The probe, then one address request and one reply per register.
    EXPECT_EQ(controller->TransferCount(), 2u + 2u * 256u);
}

TEST_F(RegisterDumpTest, SensorDumpRangesFollowTheStartAndTheLevel) {
    const auto level1 = Open(1);
    std::vector<std::string> lines = Dump(*level1, RegisterKind::Sensor, 0);
    ASSERT_EQ(lines.size(), 255u);
    EXPECT_EQ(lines[4], "0x0004:0x0000");
    EXPECT_EQ(lines[5], "0x0006:0x0000");  // 0x0005 is never touched at level 1

    const auto level2 = Open(2);
    EXPECT_EQ(Dump(*level2, RegisterKind::Sensor, 0).size(), 256u);
    lines = Dump(*level2, RegisterKind::Sensor, 0x01F0);
    EXPECT_EQ(lines.front(), "0x01F0:0x0000");
    EXPECT_EQ(lines.back(), "0x02EF:0x0000");
    // Near the top the dump stops at 0xFFFF instead of running round to 0.
    lines = Dump(*level2, RegisterKind::Sensor, 0xFF80);
    EXPECT_EQ(lines.size(), 0x80u);
    EXPECT_EQ(lines.back(), "0xFFFF:0x0000");

    // Level 0 carries 8 address bits: the dump stops at 0xFF.
    EXPECT_EQ(DumpRange(RegisterKind::Sensor, 0x0080, 0x00FF), (RegisterRange{0x0080, 0x00FF}));
    EXPECT_FALSE(DumpRange(RegisterKind::Sensor, 0x0100, 0x00FF));
    EXPECT_EQ(DumpRange(RegisterKind::Chip, 0, 0x00FF), (RegisterRange{0x0000, 0x00FF}));
}

TEST_F(RegisterDumpTest, SensorLoadsPauseAfterEachWriteAndSkipRefusedRegisters) {
    const std::vector<RegisterEntry> entries{{1, 0x0105, 0x1111}, {2, 0x0106, 0x2222}};
    const auto level1 = Open(1);
    uint64_t before = clock.NowMs();
    RegisterRunResult result = LoadRegisters(*level1, RegisterKind::Sensor, entries, clock);
    EXPECT_EQ(result.done, 1u);
    EXPECT_EQ(clock.NowMs() - before, 20u);
    EXPECT_EQ(controller->SensorRegister(0x0105), 0);
    EXPECT_EQ(controller->SensorRegister(0x0106), 0x2222);

    // The chip takes its registers back to back.
    const auto level2 = Open(2);
    before = clock.NowMs();
    result = LoadRegisters(*level2, RegisterKind::Chip, entries, clock);
    EXPECT_EQ(result.done, 2u);
    EXPECT_EQ(clock.NowMs(), before);
    EXPECT_EQ(FirstEntryAbove(entries, 0x00FF), entries[0]);
    EXPECT_FALSE(FirstEntryAbove(entries, 0xFFFF));
}

TEST_F(RegisterDumpTest, AFailureStopsTheRunWhereItHappened) {
    const auto session = Open(2);
    controller->FailNthTransfer(2 * 0x10 + 1);  // the address request of register 0x10
    RegisterRunResult result;
    const std::vector<std::string> lines = Dump(*session, RegisterKind::Chip, 0, &result);
    EXPECT_EQ(result.code, XU_TRANSFER_FAILED);
    EXPECT_EQ(result.failedAddress, 0x0010);
    EXPECT_EQ(lines.size(), 0x10u);

    controller->FailNthTransfer(3);  // the first write of the second line
    const std::vector<RegisterEntry> entries{{4, 0x01, 0x01}, {7, 0x02, 0x02}, {9, 0x03, 0x03}};
    result = LoadRegisters(*session, RegisterKind::Chip, entries, clock);
    EXPECT_EQ(result.code, XU_TRANSFER_FAILED);
    EXPECT_EQ(result.failedLine, 7u);
    EXPECT_EQ(controller->ChipRegister(0x01), 0x01);
    EXPECT_EQ(controller->ChipRegister(0x03), 0x00);
}

}  // namespace
}  // namespace kestrovane::testing
