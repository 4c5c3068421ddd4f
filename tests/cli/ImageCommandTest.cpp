// image show, set and check, and the sample image they are shown with.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class ImageCommand : public CliTest {};

// The checked-in sample is what the generator writes.
TEST_F(ImageCommand, SampleImageIsWhatTheGeneratorWrites) {
    const std::vector<uint8_t> checkedIn =
        ReadFile(KESTROVANE_SOURCE_DIR "/samples/kestrovane-sample-24C64.bin");
    EXPECT_EQ(checkedIn, samples::MakeSampleImage());
}

TEST_F(ImageCommand, ShowsEveryFieldTheEditorKnows) {
    const std::string file = SampleImage();
    ASSERT_EQ(Run({"--json", "image", "show", file}), 0) << err.str();
    const nlohmann::json document = Document();
    EXPECT_EQ(document["layout"], "large");
    EXPECT_EQ(document["chip"], "kv5");
    EXPECT_EQ(document["marker"], "A");
    EXPECT_EQ(document["vendorId"], "3a5e");
    EXPECT_EQ(document["description"], "Kestrovane sample camera");
    EXPECT_EQ(document["binVersion"], "KV-SAMPLE-1.0");
    EXPECT_EQ(document["frequency"]["choice"], "50hz");
    EXPECT_EQ(document["parameters"]["gamma"]["max"], 500);
    EXPECT_EQ(document["parameters"]["hue"]["min"], -10);
    EXPECT_TRUE(document["parameters"]["hue"]["default"].is_null());

    // The same file in the small layout: one-byte defaults, no limits.
    ASSERT_EQ(Run({"image", "show", file, "--eeprom", "24C08"}), 0);
    EXPECT_TRUE(Contains(out.str(), "layout              small (24C08)\n"));
    EXPECT_TRUE(Contains(out.str(), "hue                 unsupported\n"));
}

// A set changes only the fields it names; one value out of range, or a
// field the image does not have, and the file stays byte for byte as it was.
TEST_F(ImageCommand, SetWritesWholeOrNotAtAll) {
    const std::string file = SampleImage();
    const std::vector<uint8_t> before = ReadFile(file);
    const std::vector<std::vector<std::string>> refused{
        {"brightness.default=70000"},
        {"bin-version=KV-1.0", "hue.min=-40000"},
        {"vendor-id=12345"},
        {"description=" + std::string(300, 'x')},
        {"gamma.default=seven"},
        {"hue.default=1"},
        {"color=red"},
    };
    for (const auto& assignments : refused) {
        SCOPED_TRACE(::testing::PrintToString(assignments));
        std::vector<std::string> arguments{"image", "set", file};
        arguments.insert(arguments.end(), assignments.begin(), assignments.end());
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_EQ(ReadFile(file), before);
    }
    EXPECT_EQ(Run({"image", "set", file, "brightness.max=70000"}), 2);
    EXPECT_TRUE(
        Contains(err.str(), "Brightness maximum must be from 0 to 65535: nothing was written."));

    // A file of the user's beside the image, named as a fixed-name temporary
    // file would be, stays as it is.
    std::ofstream(file + ".new", std::ios::binary) << "mine";
    ASSERT_EQ(Run({"image", "set", file, "brightness.default=200", "bin-version=KV-SAMPLE-2.0",
                   "frequency=60hz", "upside-down=yes"}),
              0)
        << err.str();
    EXPECT_TRUE(Contains(err.str(), "Write finished"));
    const std::vector<uint8_t> after = ReadFile(file);
    ASSERT_EQ(after.size(), before.size());
    std::vector<std::size_t> changed;
    for (std::size_t offset = 0; offset < after.size(); ++offset) {
        if (after[offset] != before[offset]) changed.push_back(offset);
    }
    // The orientation bit at 18, the version text's "2", the brightness
    // default at 0xA0 + 0x78 (its high byte stays 0), the frequency code at 0xA0 + 0x89.
    EXPECT_EQ(changed, (std::vector<std::size_t>{18, 0x7A, 0xA0 + 0x78, 0xA0 + 0x89}));
    EXPECT_EQ(ReadFile(file + ".new"), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    // And the save's own temporary file is gone.
    const std::filesystem::path image(file);
    for (const auto& entry : std::filesystem::directory_iterator(image.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(image.filename().string())) {
            EXPECT_TRUE(name == "sample.bin" || name == "sample.bin.new") << name;
        }
    }
    ASSERT_EQ(Run({"--json", "image", "show", file}), 0);
    EXPECT_EQ(Document()["parameters"]["brightness"]["default"], 200);
    EXPECT_EQ(Document()["upsideDown"], true);
}

// image set never makes an image the tool would then refuse: a value that
// `image check` fails (a default above its maximum) and a text with control
// characters (which would drive a terminal that shows it) are refused, the
// file left byte for byte as it was; `image show` shows such texts escaped.
TEST_F(ImageCommand, SetRefusesWhatTheChecksFailAndTerminalControls) {
    const std::string file = SampleImage();
    const std::vector<uint8_t> before = ReadFile(file);
    EXPECT_EQ(Run({"image", "set", file, "brightness.default=300"}), 2);
    EXPECT_TRUE(Contains(err.str(), "The new values fail a check of `image check`: brightness:"));
    EXPECT_EQ(ReadFile(file), before);
    for (const std::string& assignment :
         {std::string("bin-version=\x1b[2J\x1b[31mX"), std::string("hw-version=A\rB"),
          std::string("description=x\x07y")}) {
        EXPECT_EQ(Run({"image", "set", file, assignment}), 2) << assignment;
        EXPECT_TRUE(Contains(err.str(), "may not hold control characters"));
        EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
        EXPECT_EQ(ReadFile(file), before);
    }
    ASSERT_EQ(Run({"image", "set", file, "brightness.default=250", "bin-version=KV-\xC3\xA9"}), 0)
        << err.str();
    EXPECT_EQ(Run({"image", "check", file, "--eeprom", "24C64"}), 0) << out.str();

    // A text written into the image by other means is shown escaped.
    std::vector<uint8_t> bytes = ReadFile(file);
    const std::string hostile = "\x1b]0;pwned\x07\r";
    std::copy(hostile.begin(), hostile.end(), bytes.begin() + 0x80);
    const std::string edited = WriteFile("hostile.bin", bytes);
    ASSERT_EQ(Run({"image", "show", edited}), 0);
    EXPECT_TRUE(Contains(out.str(), "\\x1B]0;pwned\\x07\\x0D"));
    EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
    EXPECT_EQ(Run({"image", "check", edited, "--eeprom", "24C64"}), 1);
    EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
    EXPECT_EQ(Run({"upload", edited}), 2);
}

TEST_F(ImageCommand, CheckFailsAnImageThatDoesNotFitItsType) {
    const std::string file = SampleImage();
    EXPECT_EQ(Run({"image", "check", file, "--eeprom", "24C64"}), 0);
    EXPECT_FALSE(Contains(out.str(), "FAIL"));

    EXPECT_EQ(Run({"image", "check", file, "--eeprom", "24C04"}), 1);
    EXPECT_TRUE(Contains(out.str(),
                         "FAIL  size         The bin file (8192 bytes) is larger than "
                         "the selected EEPROM type (512 bytes)"));

    std::vector<uint8_t> bytes = samples::MakeSampleImage();
    bytes.resize(700);  // the large layout needs 733 bytes
    const std::string shortImage = WriteFile("short.bin", bytes);
    EXPECT_EQ(Run({"--json", "image", "check", shortImage, "--eeprom", "24C64"}), 1);
    const nlohmann::json checks = Document()["checks"];
    EXPECT_EQ(checks[1]["name"], "layout");
    EXPECT_EQ(checks[1]["ok"], false);

    bytes = samples::MakeSampleImage();
    bytes[0xA0 + 0x78] = 0xFF;  // the brightness default 0x01FF, above its maximum 255
    bytes[0xA0 + 0x79] = 0x01;
    EXPECT_EQ(Run({"image", "check", WriteFile("bad.bin", bytes), "--eeprom", "24C64"}), 1);
    EXPECT_TRUE(Contains(out.str(),
                         "FAIL  brightness   default 511, min 0, max 255: the "
                         "default lies outside the limits"));
}

}  // namespace
}  // namespace kestrovane::testing
