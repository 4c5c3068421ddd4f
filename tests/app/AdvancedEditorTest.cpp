#include <gtest/gtest.h>

#include "AdvancedTestFixture.h"
#include "app/UploadDialog.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using message_box::kIdNo;
using message_box::kIdYes;
using message_box::kYesNo;

using AdvancedEditorTest = AdvancedTest;

constexpr uint16_t kAllSupported = 0x043F;

TEST_F(AdvancedEditorTest, DialogStartShowsTheTemplateAndTheGivenImage) {
    Run("", 1, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        EXPECT_EQ(window.Control(kAdvEepromTypeCombo).comboSelection, 3);
        EXPECT_EQ(window.Control(kAdvEepromTypeCombo).comboItems.size(), 5u);
        EXPECT_EQ(window.Control(kFrequencyCombo).comboItems,
                  (std::vector<std::string>{"50hz", "60hz"}));
        EXPECT_EQ(window.Control(kFrequencyCombo).comboSelection, -1);
        EXPECT_TRUE(window.Control(kKv5Radio).checked);
        EXPECT_FALSE(window.Control(kKv2ToKv4Radio).checked);
        EXPECT_EQ(window.Control(kBrightnessMinEdit).text, "0");
        EXPECT_EQ(window.Control(kChipRegisterEdit).text, "");
        EXPECT_EQ(window.Control(kBinVersionEdit).textLimit, 16u);
        EXPECT_EQ(window.Control(kHwVersionEdit).textLimit, 16u);
        EXPECT_EQ(window.Control(kVendorIdEdit).textLimit, 4u);
        EXPECT_EQ(window.Control(kProductIdEdit).textLimit, 4u);
        EXPECT_TRUE(window.Messages().empty());

        // Close takes the fields first and stays open on an emptied number;
        // Escape closes without taking anything.
        window.SetItemText(kBrightnessMinEdit, "");
        d.OnCommand(kIdOk);
        EXPECT_EQ(window.Messages().at(0).text, "Please enter a positive integer.");
        EXPECT_FALSE(window.EndResult());
        d.OnCommand(kIdCancel);
        EXPECT_EQ(window.EndResult(), kIdCancel);
    });
    const std::string image = WriteFile("large.bin", LargeImage(0x0401, 1, false));
    Run(image, 4, [&](AdvancedDialog&, FakeDialogWindow& window) {
        EXPECT_EQ(window.Control(kAdvEepromTypeCombo).comboSelection, 4);
        EXPECT_EQ(window.Control(kAdvBinFileEdit).text, image);
        EXPECT_EQ(window.Control(kBrightnessDefaultEdit).text, "100");
        EXPECT_TRUE(window.Control(kBrightnessSupportCheck).checked);
        EXPECT_TRUE(window.Control(kFrequencySupportCheck).checked);
        EXPECT_EQ(window.Control(kFrequencyCombo).comboSelection, 0);
        // Contrast is not supported: nothing read, nothing to edit.
        EXPECT_EQ(window.Control(kContrastDefaultEdit).text, "");
        EXPECT_FALSE(window.Control(kContrastDefaultEdit).enabled);
        EXPECT_FALSE(window.Control(kHueDefaultEdit).enabled);
        EXPECT_EQ(window.Control(kVendorIdEdit).text, "3a5e");
        EXPECT_EQ(window.Control(kProductIdEdit).text, "00a5");
        EXPECT_FALSE(window.Control(kVendorIdEdit).enabled);
        EXPECT_EQ(window.Control(kBinVersionEdit).text, "KV-1.0");
    });
}

TEST_F(AdvancedEditorTest, ASaveChecksEverythingAsksAndThenWrites) {
    const std::vector<uint8_t> original = LargeImage(kAllSupported, 9, true);
    const std::string image = WriteFile("large.bin", original);
    Run(image, 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        window.SetItemText(kBrightnessDefaultEdit, "70000");
        d.OnCommand(kSaveFileButton);
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].text,
                  "Brightness default must be from 0 to 65535: nothing was written.");
        EXPECT_EQ(window.Messages()[0].style, kIconError);

        // An emptied edit stops the save at the exchange.
        window.SetItemText(kBrightnessDefaultEdit, "300");
        window.SetItemText(kGammaMinEdit, "");
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text, "Please enter a positive integer.");
        window.SetItemText(kGammaMinEdit, "7");
        window.SetItemText(kBinVersionEdit, "KV-2.0");

        window.ScriptAnswer(kIdNo);
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text, "Confirm to write?");
        EXPECT_EQ(window.Messages().back().caption, "Cinform");
        EXPECT_EQ(window.Messages().back().style, kYesNo);
        EXPECT_EQ(ReadText(image), std::string(original.begin(), original.end()));

        window.ScriptAnswer(kIdYes);
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text, "Write finished");
        EXPECT_EQ(window.Messages().size(), 5u);
    });
    const std::string saved = ReadText(image);
    const ParameterOffsets& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
    const std::size_t brightness = kBase + *kv5[PictureParameter::Brightness].defaultValue;
    EXPECT_EQ(static_cast<uint8_t>(saved[brightness]), 0x2C);  // 300
    EXPECT_EQ(static_cast<uint8_t>(saved[brightness + 1]), 0x01);
    EXPECT_EQ(saved.substr(kBinVersionOffset, 7), std::string("KV-2.0\0", 7));
    // The code no choice stands for is kept.
    EXPECT_EQ(saved[kBase + kv5.powerLineFrequency], 9);
    EXPECT_EQ(saved.size(), original.size());
}

// The image's texts are 8-bit characters of the system's code page: shown as
// it has them, kept byte for byte when the user leaves them, saved through it
// when changed, refused naming the field when they cannot go back.
TEST_F(AdvancedEditorTest, EightBitTextsGoThroughTheCodePage) {
    std::vector<uint8_t> bytes = LargeImage(0x0001, 1, false);
    const auto put = [&](std::size_t offset, std::string_view text) {
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    put(kBinVersionOffset, std::string("KV-\xB5\xE9-2\0", 8));
    // Every byte 0x80-0x8F, 0x81, 0x8D and 0x8F among them (undefined in the
    // code page), and every byte from 0x01 to 0xFF in the description.
    for (std::size_t i = 0; i < 16; ++i) bytes[kHwVersionOffset + i] = 0x80 + i;
    bytes[kDescriptionOffsetOffset] = 0xFF;
    bytes[0xFF] = 0xFF;
    for (std::size_t i = 1; i <= 0xFF; ++i) bytes[0xFF + i] = static_cast<uint8_t>(i);
    const std::string image = WriteFile("texts.bin", bytes);
    Run(image, 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        EXPECT_EQ(window.Control(kBinVersionEdit).text, "KV-\u00B5\u00E9-2");
        EXPECT_EQ(window.Control(kHwVersionEdit).text.substr(0, 6), "\u20AC\uFFFD");
        const std::string description = window.Control(kDeviceDescriptionEdit).text;
        EXPECT_TRUE(description.starts_with("\x01\x02\x03")) << description;
        EXPECT_TRUE(description.ends_with("\u00FD\u00FE\u00FF")) << description;

        window.ScriptAnswer(kIdYes);
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text, "Write finished");
        EXPECT_EQ(ReadText(image), std::string(bytes.begin(), bytes.end()));

        // A text shown from an undefined byte cannot go back once changed.
        window.SetItemText(kHwVersionEdit, "E" + window.Control(kHwVersionEdit).text.substr(3));
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text,
                  "The HW version holds a character that the image's 8-bit text cannot store: "
                  "nothing was written.");
        EXPECT_EQ(window.FocusedItem(), kHwVersionEdit);
        window.SetItemText(kHwVersionEdit, "HW-\u00D6");
        window.SetItemText(kDeviceDescriptionEdit, "Cam\u00E9ra \u0100");
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text,
                  "The device description holds a character that the image's 8-bit text cannot "
                  "store: nothing was written.");
        EXPECT_EQ(ReadText(image), std::string(bytes.begin(), bytes.end()));

        window.SetItemText(kDeviceDescriptionEdit, "Cam\u00E9ra \u20AC");
        window.SetItemText(kBinVersionEdit, "KV-\u00B5\u00E9-3");
        window.ScriptAnswer(kIdYes);
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text, "Write finished");
    });
    const std::string saved = ReadText(image);
    EXPECT_EQ(saved.substr(kBinVersionOffset, 8), std::string("KV-\xB5\xE9-3\0", 8));
    EXPECT_EQ(saved.substr(kHwVersionOffset, 5), std::string("HW-\xD6\0", 5));
    EXPECT_EQ(saved.substr(0xFF, 9), std::string("\x08" "Cam\xE9ra \x80"));
    EXPECT_EQ(saved.size(), bytes.size());
}

// Each open shows the file it reads: what one image disabled another enables,
// and a save goes only into the file last opened.
TEST_F(AdvancedEditorTest, EachOpenShowsItsOwnFile) {
    const std::string first = WriteFile("first.bin", LargeImage(0x0001, 1, false));
    const std::string second = WriteFile("second.bin", LargeImage(kAllSupported, 9, true));
    std::vector<uint8_t> smallBytes(256, 0x05);
    smallBytes[kDescriptionOffsetOffset] = 0x60;
    const std::string small = WriteFile("small.bin", smallBytes);
    Run(first, 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        EXPECT_FALSE(window.Control(kContrastMaxEdit).enabled);
        EXPECT_FALSE(window.Control(kFrequencyCombo).enabled);

        window.ScriptFileChoice(second);
        d.OnCommand(kAdvBrowseButton);
        const FileChooserRequest request = window.FileRequests().back();
        EXPECT_EQ(request.flags, file_chooser::kHideReadOnly);
        EXPECT_EQ(request.filter, "Bin files(*.bin)|*.bin|all files(*.*)|*.*||");
        EXPECT_TRUE(window.Control(kContrastMaxEdit).enabled);
        EXPECT_TRUE(window.Control(kFrequencyCombo).enabled);
        EXPECT_EQ(window.Control(kFrequencyCombo).comboSelection, -1);
        EXPECT_TRUE(window.Control(kVendorIdEdit).enabled);
        EXPECT_TRUE(window.Control(kIdsInUseCheck).checked);

        // Open File keeps the type of the last browse; Browse takes the
        // combo's: a small image now.
        window.SelectComboItem(kAdvEepromTypeCombo, 0);
        d.OnCommand(kOpenFileButton);
        EXPECT_EQ(d.LastOpen()->layout, ImageLayout::Large);
        window.ScriptFileChoice(small);
        d.OnCommand(kAdvBrowseButton);
        EXPECT_EQ(d.LastOpen()->layout, ImageLayout::Small);
        EXPECT_EQ(window.Control(kBrightnessDefaultEdit).text, "5");
        EXPECT_TRUE(window.Control(kBrightnessDefaultEdit).enabled);
        EXPECT_EQ(window.Control(kBrightnessMinEdit).text, "");
        EXPECT_FALSE(window.Control(kBrightnessMinEdit).enabled);
        EXPECT_FALSE(window.Control(kUpsideDownCheck).enabled);
        EXPECT_FALSE(window.Control(kContrastSupportCheck).checked);
        EXPECT_EQ(window.Control(kFrequencyCombo).comboSelection, -1);

        // An open that fails leaves nothing to save into.
        window.ScriptFileChoice((Folder() / "missing.bin").string());
        d.OnCommand(kAdvBrowseButton);
        EXPECT_EQ(window.Messages().back().text, "Can not open file");
        d.OnCommand(kSaveFileButton);
        EXPECT_EQ(window.Messages().back().text,
                  "The file has not been opened: press \"Open File\" before saving it.");
        EXPECT_EQ(window.Messages().size(), 2u);
    });
    EXPECT_EQ(ReadText(small), std::string(smallBytes.begin(), smallBytes.end()));
}

TEST_F(AdvancedEditorTest, TheAdvancedButtonShowsTheFileVersionAgain) {
    const std::string image = WriteFile("large.bin", LargeImage(kAllSupported, 1, true));
    services_.showAdvancedButton = true;
    UploadDialog dialog(services_);
    dialog.SetBinFilePath(image);
    host_.SetScript(kAdvancedDialogTemplate, [](Dialog& advanced, FakeDialogWindow& window) {
        window.SetItemText(kBinVersionEdit, "KV-3.0");
        window.ScriptAnswer(kIdYes);
        advanced.OnCommand(kSaveFileButton);
        advanced.OnCommand(kIdOk);
    });
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& main, FakeDialogWindow& window) {
        EXPECT_TRUE(window.Control(kAdvancedButton).visible);
        window.SetItemText(kFileBinVersionText, "Bin Version:KV-1.0");
        main.OnCommand(kAdvancedButton);
        EXPECT_EQ(host_.LastWindow(kAdvancedDialogTemplate)->EndResult(), kIdOk);
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "Bin Version:KV-3.0");

        // The file gone meanwhile: the version text stays.
        std::filesystem::remove(image);
        main.OnCommand(kAdvancedButton);
        EXPECT_EQ(window.Messages().back().text, "Can not open file");
        EXPECT_EQ(window.Messages().back().caption, "Error");
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "Bin Version:KV-3.0");
        window.EndDialog(kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(host_.RunTemplates(),
              (std::vector<int>{kUploadDialogTemplate, kAdvancedDialogTemplate,
                                kAdvancedDialogTemplate}));

    // Without --advanced the button stays hidden. Without an image the
    // dialog opens on nothing and the version text stays.
    services_.showAdvancedButton = false;
    UploadDialog plain(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& main, FakeDialogWindow& window) {
        EXPECT_FALSE(window.Control(kAdvancedButton).visible);
        window.SetItemText(kFileBinVersionText, "File Bin Version:  N/A");
        main.OnCommand(kAdvancedButton);
        EXPECT_EQ(host_.LastWindow(kAdvancedDialogTemplate)->Control(kAdvBinFileEdit).text, "");
        EXPECT_EQ(window.Control(kFileBinVersionText).text, "File Bin Version:  N/A");
    });
    host_.RunModal(plain);
}

}  // namespace
}  // namespace kestrovane::testing
