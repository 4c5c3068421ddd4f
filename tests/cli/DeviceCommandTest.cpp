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


// version reads the marker as well as the texts: only a complete image ('A')
// ends with 0, so `version && ship` never ships a camera whose upload was
// stopped (byte 0 'B') or that was erased (0xFF); an unknown byte is told too.
TEST_F(DeviceCommand, VersionTellsWhetherTheImageIsComplete) {
    const auto camera = AttachCamera(0);
    const std::vector<uint8_t> image = samples::MakeSampleImage();
    camera->WriteEeprom(0, Committed(image));
    ASSERT_EQ(Run({"version"}), 0) << err.str();
    EXPECT_TRUE(Contains(out.str(), "Device Bin Version:KV-SAMPLE-1.0\n"));
    EXPECT_TRUE(Contains(out.str(), "Image: complete"));
    ASSERT_EQ(Run({"--json", "version"}), 0);
    EXPECT_EQ(Document()["imageState"], "complete");

    const struct {
        uint8_t marker;
        const char* state;
        const char* text;
    } cases[] = {{'B', "incomplete", "Image: incomplete"},
                 {0xFF, "erased", "Image: erased"},
                 {0x00, "unknown", "Image: unknown (byte 0 is 0x00)"}};
    for (const auto& each : cases) {
        camera->WriteEeprom(0, {each.marker});
        EXPECT_EQ(Run({"version"}), 1) << each.state;
        EXPECT_TRUE(Contains(out.str(), "Device Bin Version:KV-SAMPLE-1.0"));
        EXPECT_TRUE(Contains(out.str(), each.text));
        EXPECT_EQ(Run({"--json", "version"}), 1);
        EXPECT_EQ(Document()["imageState"], each.state);
        EXPECT_EQ(Document()["binVersion"], "KV-SAMPLE-1.0");
    }

    // After a real erase, through the command line itself.
    camera->WriteEeprom(0, {'A'});
    ASSERT_EQ(Run({"erase", "--yes"}), 0);
    EXPECT_EQ(Run({"version"}), 1);
    EXPECT_TRUE(Contains(out.str(), "Image: erased"));
}

// A version text that carries terminal controls (written into the camera by
// an image made elsewhere) is shown with them as \xNN, never sent raw.
TEST_F(DeviceCommand, VersionTextsNeverDriveTheTerminal) {
    const auto camera = AttachCamera(0);
    camera->WriteEeprom(0, {'A'});
    camera->WriteEeprom(0x70, {0x1B, '[', '2', 'J', 'X', '\r', '\n', 0xC3, 0x00});
    ASSERT_EQ(Run({"version"}), 0) << err.str();
    EXPECT_TRUE(Contains(out.str(), "Device Bin Version:\\x1B[2JX\\x0D\\x0A\\xC3\n"));
    EXPECT_EQ(out.str().find('\x1B'), std::string::npos);
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
}

}  // namespace
}  // namespace kestrovane::testing
