#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FakeDialogWindow.h"
#include "SimulatedCameraFixture.h"
#include "TempFolder.h"
#include "app/DeviceCommands.h"
#include "app/UploadDialogIds.h"
#include "camera/XuRequests.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using message_box::kIdNo;
using message_box::kIdYes;

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

class DeviceVersionTest : public SimulatedCameraTest {
protected:
    std::string Label(int id) { return window.Control(id).text; }
    std::vector<RecordedMessage> Messages() const { return window.Messages(); }

    FakeDialogWindow window{"Pelloric"};
    CameraPath chosenPath;
    InProcessCameraClaims claims;
    CameraAccess access{machine, machine, clock, chosenPath, claims};
};

TEST_F(DeviceVersionTest, ShowsBothVersionTextsWholeAtSixteenCharacters) {
    controller->WriteEeprom(0x70, Text("FW-2024.11.30-AB"));  // 16 characters
    controller->WriteEeprom(0x80, Text("HW-REV-C-0000001"));
    controller->WriteEeprom(0x90, Text("next"));
    ShowDeviceVersions(window, access);
    EXPECT_EQ(Label(kDeviceBinVersionText), "Device Bin Version:FW-2024.11.30-AB");
    EXPECT_EQ(Label(kHwVersionText), "HW Version:HW-REV-C-0000001");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(window.Cursor(), CursorShape::Arrow);
    EXPECT_EQ(chosenPath.Get(), cameraPath);
}

// The EEPROM's 8-bit characters show as the code page has them, not as
// bytes of no valid UTF-8 character.
TEST_F(DeviceVersionTest, EightBitCharactersShowThroughTheCodePage) {
    controller->WriteEeprom(0x70, Text("KV-\xB5\xE9-2"));
    controller->WriteEeprom(0x80, Text("HW-\x80\xD6"));
    ShowDeviceVersions(window, access);
    EXPECT_EQ(Label(kDeviceBinVersionText), "Device Bin Version:KV-\u00B5\u00E9-2");
    EXPECT_EQ(Label(kHwVersionText), "HW Version:HW-\u20AC\u00D6");
}

TEST_F(DeviceVersionTest, ErasedEepromShowsEmptyVersions) {
    ShowDeviceVersions(window, access);
    EXPECT_EQ(Label(kDeviceBinVersionText), "Device Bin Version:");
    EXPECT_EQ(Label(kHwVersionText), "HW Version:");
}

TEST_F(DeviceVersionTest, FailedReadShowsOnlyTheBytesThatWereRead) {
    controller->WriteEeprom(0x70, Text("ABCDEFGHIJKLMNOP"));
    controller->WriteEeprom(0x80, Text("HWVERSION"));
    // Each word costs a probe (SET, GET) and a read (SET, GET): the third
    // word's read fails after "ABCD" came in.
    controller->FailNthTransfer(2 * 4 + 3);
    ShowDeviceVersions(window, access);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Read version");
    EXPECT_EQ(Messages()[0].caption, "Fail");
    EXPECT_EQ(Messages()[0].style, kIconError);
    EXPECT_EQ(Label(kDeviceBinVersionText), "Device Bin Version:ABCD");
    EXPECT_EQ(Label(kHwVersionText), "HW Version:");
    EXPECT_EQ(window.Cursor(), CursorShape::Arrow);
}

TEST_F(DeviceVersionTest, WithoutAnAnsweringCameraTheFunctionIsNotSupported) {
    controller->SetProtocolLevel(0);
    ShowDeviceVersions(window, access);
    machine.Detach(cameraPath);
    ShowDeviceVersions(window, access);
    ASSERT_EQ(Messages().size(), 2u);
    for (const RecordedMessage& message : Messages()) {
        EXPECT_EQ(message.text, "Function not supported by current BIN");
        EXPECT_EQ(message.caption, "Error");
        EXPECT_EQ(message.style, kIconError);
    }
    EXPECT_EQ(Label(kDeviceBinVersionText), "");
}

TEST_F(DeviceVersionTest, EraseOverwritesTheMarkerWithFF) {
    controller->WriteEeprom(0, Text("AB-image"));
    window.ScriptAnswer(kIdYes);
    EraseDeviceImage(window, access);
    EXPECT_EQ(controller->EepromByte(0), 0xFF);
    EXPECT_EQ(controller->EepromByte(1), 0xFF);
    EXPECT_EQ(controller->EepromByte(2), '-');
    const std::vector<XuRequest> sent = SentRequests(EepromChannel);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(std::vector<XuRequest>(sent.end() - 3, sent.end()),
              (std::vector<XuRequest>{
                  {EE_SET_OFFSET, 0, 0}, {EE_DATA_WORD, 0xFF, 0xFF}, {EE_END_BLOCK, 0xFF, 0xFF}}));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].text, "Are you sure to erase the bin in device?");
    EXPECT_EQ(Messages()[0].caption, "Confirm");
    EXPECT_EQ(Messages()[0].style, message_box::kYesNo | message_box::kIconExclamation);
    EXPECT_EQ(Messages()[1].text, "Erase Finished");
    EXPECT_EQ(Messages()[1].caption, "Finish");
}

TEST_F(DeviceVersionTest, EraseAnsweredNoSendsNothing) {
    window.ScriptAnswer(kIdNo);
    EraseDeviceImage(window, access);
    EXPECT_EQ(controller->TransferCount(), 0u);
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(DeviceVersionTest, EraseWithoutAChosenCameraSendsNothing) {
    // Another copy shows the only camera's path: it is not ours to erase, even
    // though an earlier choice recorded it.
    chosenPath.Set(cameraPath);
    machine.OpenWindow(cameraPath);
    window.ScriptAnswer(kIdYes);
    EraseDeviceImage(window, access);
    EXPECT_EQ(controller->TransferCount(), 0u);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, "No device");
    EXPECT_EQ(Messages()[1].caption, "Fail");
    EXPECT_EQ(Messages()[1].style, kIconError);
}

TEST_F(DeviceVersionTest, EraseLeavesACameraAnotherCopyHolds) {
    // A command line uploading to the camera holds its claim and shows no caption.
    const auto held = claims.TryClaim(cameraPath);
    controller->WriteEeprom(0, {'B'});
    window.ScriptAnswer(kIdYes);
    EraseDeviceImage(window, access);
    EXPECT_EQ(controller->TransferCount(), 0u);
    EXPECT_EQ(controller->EepromByte(0), 'B');
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, "No device");
}

TEST_F(DeviceVersionTest, EraseFailuresAreReportedWithoutFinished) {
    struct Case {
        std::function<void()> inject;
        std::string text;
        std::string caption;
    };
    const std::vector<Case> cases{
        {[&] { controller->FailNthTransfer(1); }, "Set EEPROM writeable error", "Error"},
        {[&] { controller->FailRequestFromBlock(sim::RequestKind::DataWord, 1); },
         "Erase E2prom  faild", "Fail"},
        {[&] { controller->FailRequestFromBlock(sim::RequestKind::EndBlock, 1); },
         "Erase E2prom  faild", "Fail"},
    };
    for (const Case& testCase : cases) {
        controller->ClearFaults();
        controller->WriteEeprom(0, Text("AB"));
        testCase.inject();
        window.ScriptAnswer(kIdYes);
        const std::size_t before = Messages().size();
        EraseDeviceImage(window, access);
        ASSERT_EQ(Messages().size(), before + 2) << testCase.text;
        EXPECT_EQ(Messages().back().text, testCase.text);
        EXPECT_EQ(Messages().back().caption, testCase.caption);
        EXPECT_EQ(controller->EepromByte(0), 'A');
    }
}

TEST(FileBinVersionText, DecodesTheFieldOrTheBytesAShortFileHas) {
    FakeDialogWindow window;
    const TempFolder folder("kestrovane_file_bin_version");
    const std::filesystem::path path = folder.Path() / "image.bin";
    const auto write = [&](std::size_t length, const std::string& text) {
        std::vector<char> bytes(length, 0x01);
        for (std::size_t i = 0; i < text.size() && 0x70 + i < length; ++i)
            bytes[0x70 + i] = text[i];
        if (length > 0x80) bytes[0x80] = 0;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    write(0x200,
          "V1.2\xFF"
          "junk");
    EXPECT_EQ(FileBinVersionText(window, path.string()), "Bin Version:V1.2");
    write(0x200, "Cam\xE9ra\xFF");
    EXPECT_EQ(FileBinVersionText(window, path.string()), "Bin Version:Cam\u00E9ra");
    write(0x70 + 5, "SHORT-VERSION");
    EXPECT_EQ(FileBinVersionText(window, path.string()), "Bin Version:SHORT");
    write(0x40, "");
    EXPECT_EQ(FileBinVersionText(window, path.string()), "Bin Version:");
    std::filesystem::remove(path);
    EXPECT_EQ(FileBinVersionText(window, path.string()), std::nullopt);
}

}  // namespace
}  // namespace kestrovane::testing
