// version and erase.
#include <gtest/gtest.h>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class DeviceCommand : public CliTest {};

// On a terminal erase asks first and erases only on yes; off a terminal it
// needs --yes. An erase leaves 0xFF in the marker and the byte after it.
TEST_F(DeviceCommand, EraseAsksOnATerminalAndErasesOnlyOnYes) {
    const auto camera = AttachCamera(0);
    camera->WriteEeprom(0, {'A', 0x12, 0x34});
    console.inIsTerminal = true;

    answers = {"n"};
    EXPECT_EQ(Run({"erase"}), 1);
    EXPECT_TRUE(Contains(err.str(), "Are you sure to erase the bin in device? [y/N] "));
    EXPECT_EQ(camera->EepromByte(0), 'A');

    answers = {};  // standard input ends: no answer is no
    EXPECT_EQ(Run({"erase"}), 1);
    EXPECT_EQ(camera->EepromByte(0), 'A');

    answers = {" Yes "};
    EXPECT_EQ(Run({"erase"}), 0);
    EXPECT_TRUE(Contains(err.str(), "Erase Finished"));
    EXPECT_EQ(camera->EepromByte(0), 0xFF);
    EXPECT_EQ(camera->EepromByte(1), 0xFF);
    EXPECT_EQ(camera->EepromByte(2), 0x34);

    console.inIsTerminal = false;
    camera->WriteEeprom(0, {'A'});
    EXPECT_EQ(Run({"erase", "--yes"}), 0);
    EXPECT_EQ(camera->EepromByte(0), 0xFF);
}

// A camera whose firmware has no command channel cannot give its versions.
TEST_F(DeviceCommand, VersionNeedsAFirmwareWithEepromReads) {
    AttachCamera(0, 0);
    EXPECT_EQ(Run({"version"}), 1);
    EXPECT_EQ(err.str(),
              "Function not supported by current BIN\n"
              "This camera's firmware has no EEPROM reads, so its versions cannot be "
              "read.\n");
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace kestrovane::testing
