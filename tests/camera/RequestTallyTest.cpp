#include <gtest/gtest.h>

#include "camera/XuRequests.h"
#include "camera/sim/RequestTally.h"

namespace kestrovane::testing {
namespace {

using sim::RequestKindName;
using sim::RequestTally;

// The tally names the requests that the request builders make, so its figures
// follow the layouts the program really sends.
TEST(RequestTallyTest, CommandChannelRequestsAreNamedByTheLayoutOfEachLevel) {
    struct Case {
        XuProtocolLevel level;
        XuRequest request;
        const char* kind;
    };
    const Case cases[] = {
        {2, ProbeRequest(), "CMD_PROBE"},
        {2, RegisterAddressRequest(CHIP_LEVEL2, 0x0105), "REG_OP_CHIP_ADDRESS"},
        {2, RegisterWriteRequest(SENSOR_LEVEL2, 0x0700), "REG_OP_SENSOR_WRITE"},
        {2, EepromReadRequest(2, 0x0070), "CMD_EEPROM_READ"},
        {2, EepromTypeRequest(1), "CMD_EEPROM_TYPE"},
        {2, JumpRequest(), "CMD_JUMP"},
        {1, ProbeRequest(), "CMD_PROBE"},
        {1, RegisterAddressRequest(CHIP_LEVEL1, 0x0605), "REG_OP_CHIP_ADDRESS"},
        {1, RegisterWriteRequest(CHIP_LEVEL1, 0x0006), "REG_OP_CHIP_WRITE"},
        {1, EepromReadRequest(1, 0x0504), "CMD_EEPROM_READ"},
        {1, EepromTypeRequest(0), "CMD_EEPROM_TYPE"},
        {0, LegacyRegisterAddressRequest(0x12, 1), "LEGACY_ADDRESS"},
        {0, LegacyRegisterWriteRequest(0x34), "LEGACY_WRITE"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RequestKindName(CommandChannel, c.request, c.level), c.kind)
            << "level " << c.level << ", bytes " << int(c.request[0]) << " " << int(c.request[1])
            << " " << int(c.request[2]);
    }
    EXPECT_EQ(RequestKindName(EepromChannel, RegReadRequest(0x0109), 2), "REG_READ");
    EXPECT_EQ(RequestKindName(EepromChannel, XuRequest{0x33, 0, 0}, 2), "EepromChannel 0x33");
}

TEST(RequestTallyTest, ABlockWithItsCheckCountsTheCheckWordAsACheckNotAsData) {
    RequestTally tally(2);
    tally.CountServed(EepromChannel, false, EeSetOffsetRequest(0x20));
    XuRequest word{};
    for (int i = 0; i < 16; ++i) {
        word = EeDataWordRequest(uint8_t(i), uint8_t(i));
        tally.CountServed(EepromChannel, false, word);
    }
    tally.CountServed(EepromChannel, false, EeEndBlockRequest(word));
    tally.CountServed(EepromChannel, false, EeCheckBlockRequest(0, 0));
    tally.CountServed(EepromChannel, true, XuRequest{EE_CHECK_BLOCK, 1, 0});
    // A second GET answers the same check; no further data word becomes one.
    tally.CountServed(EepromChannel, true, XuRequest{EE_CHECK_BLOCK, 1, 0});
    tally.CountServed(CommandChannel, false, ProbeRequest());
    tally.CountServed(CommandChannel, true, XuRequest{CMD_PROBE, 2, 0});
    tally.CountRefused("node id");

    EXPECT_EQ(tally.Count("EE_SET_OFFSET"), 1u);
    EXPECT_EQ(tally.Count("EE_DATA_WORD"), 16u);
    EXPECT_EQ(tally.Count("EE_END_BLOCK"), 1u);
    EXPECT_EQ(tally.Count("EE_CHECK_BLOCK"), 1u);
    EXPECT_EQ(tally.Count("EE_CHECK_BLOCK reply"), 2u);
    EXPECT_EQ(tally.Count("CMD_PROBE reply"), 1u);
    EXPECT_EQ(tally.ServedTotal(), 23u);
    EXPECT_EQ(tally.RefusedTotal(), 1u);
    EXPECT_EQ(tally.Report(),
              "CMD_PROBE 1\nCMD_PROBE reply 1\nEE_CHECK_BLOCK 1\nEE_CHECK_BLOCK reply 2\n"
              "EE_DATA_WORD 16\nEE_END_BLOCK 1\nEE_SET_OFFSET 1\nrefused: node id 1\n");
}

}  // namespace
}  // namespace kestrovane::testing
