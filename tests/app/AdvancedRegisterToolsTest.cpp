#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AdvancedTestFixture.h"

namespace kestrovane::testing {
namespace {

using message_box::kIconError;
using message_box::kOk;

using RegisterToolsTest = AdvancedTest;

// Claims that note, for every claim given out, how many transfers the camera
// had seen when it was released.
class ReleaseRecordingClaims final : public CameraClaims {
public:
    ReleaseRecordingClaims(CameraClaims& inner, std::function<uint64_t()> transfers)
        : inner_(inner), transfers_(std::move(transfers)) {}

    std::unique_ptr<CameraClaim> TryClaim(const std::string& cameraPath) override {
        std::unique_ptr<CameraClaim> claim = inner_.TryClaim(cameraPath);
        if (!claim) return nullptr;
        return std::make_unique<Recorded>(std::move(claim), *this);
    }
    const std::vector<uint64_t>& ReleasedAt() const { return releasedAt_; }

private:
    class Recorded final : public CameraClaim {
    public:
        Recorded(std::unique_ptr<CameraClaim> inner, ReleaseRecordingClaims& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        ~Recorded() override { owner_.releasedAt_.push_back(owner_.transfers_()); }

    private:
        std::unique_ptr<CameraClaim> inner_;
        ReleaseRecordingClaims& owner_;
    };

    CameraClaims& inner_;
    std::function<uint64_t()> transfers_;
    std::vector<uint64_t> releasedAt_;
};

// Clicks `button` and returns the one message it showed.
RecordedMessage ClickForMessage(AdvancedDialog& dialog, FakeDialogWindow& window, int button) {
    const std::size_t before = window.Messages().size();
    dialog.OnCommand(button);
    const std::vector<RecordedMessage> messages = window.Messages();
    EXPECT_EQ(messages.size(), before + 1) << "button " << button;
    return messages.size() > before ? messages.back() : RecordedMessage{};
}

TEST_F(RegisterToolsTest, OneRegisterIsReadAndWrittenAsTyped) {
    controller_->SetChipRegister(0x0042, 0xAB);
    controller_->SetChipRegister(0x0012, 0x77);
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        window.SetItemText(kChipRegisterEdit, "42");
        d.OnCommand(kChipReadButton);
        EXPECT_EQ(window.Control(kChipValueEdit).text, "ab");
        window.SetItemText(kChipRegisterEdit, "0x43");
        d.OnCommand(kChipReadButton);
        EXPECT_EQ(window.Control(kChipValueEdit).text, "0");
        window.SetItemText(kChipRegisterEdit, "12zz");  // "%x" reads 0x12
        d.OnCommand(kChipReadButton);
        EXPECT_EQ(window.Control(kChipValueEdit).text, "77");

        window.SetItemText(kSensorRegisterEdit, "1F0");
        window.SetItemText(kSensorValueEdit, "ab");
        d.OnCommand(kSensorWriteButton);
        EXPECT_EQ(controller_->SensorRegister(0x01F0), 0x00AB);
        EXPECT_TRUE(window.Messages().empty());

        // A value that does not fit 16 bits is refused, not cut to 0xBF76.
        const uint64_t sent = controller_->TransferCount();
        window.SetItemText(kSensorValueEdit, "1bf76");
        RecordedMessage refusal = ClickForMessage(d, window, kSensorWriteButton);
        EXPECT_EQ(refusal.text,
                  "The register value \"1bf76\" is out of range: it must lie between 0 and FFFF.");
        EXPECT_EQ(refusal.caption, "Error");
        window.SetItemText(kChipRegisterEdit, "zz");
        refusal = ClickForMessage(d, window, kChipReadButton);
        EXPECT_EQ(refusal.text, "The register address \"zz\" is not a hexadecimal number.");
        // A "0x" without a digit after it is no register 0.
        for (const char* typed : {"0x", "0X", "0xg", "0x-5"}) {
            window.SetItemText(kChipRegisterEdit, typed);
            EXPECT_EQ(ClickForMessage(d, window, kChipWriteButton).text,
                      "The register address \"" + std::string(typed) +
                          "\" is not a hexadecimal number.");
        }
        window.SetItemText(kChipRegisterEdit, "");
        ClickForMessage(d, window, kChipWriteButton);
        EXPECT_EQ(controller_->TransferCount(), sent);
        EXPECT_EQ(controller_->SensorRegister(0x01F0), 0x00AB);
        EXPECT_FALSE(claims_.IsClaimed(cameraPathText_));
    });
}

TEST_F(RegisterToolsTest, LevelsDecideWhatIsRefused) {
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        controller_->SetProtocolLevel(1);
        controller_->ClearTransferLog();
        window.SetItemText(kSensorRegisterEdit, "105");
        const RecordedMessage refusal = ClickForMessage(d, window, kSensorReadButton);
        EXPECT_EQ(refusal.text,
                  "Not support read/write register 0Xxx05 register, please contact with FAE.");
        EXPECT_EQ(refusal.caption, std::nullopt);
        EXPECT_EQ(refusal.style, kOk);
        EXPECT_EQ(controller_->TransferLog().size(), 2u);  // the probe only
        window.SetItemText(kSensorRegisterEdit, "106");
        d.OnCommand(kSensorReadButton);
        // A new session probes again, then selects the register with access 1.
        EXPECT_EQ(controller_->TransferLog()[4].bytes, (XuRequest{0x00, 0x06, 0x01}));
        window.SetItemText(kChipRegisterEdit, "5");  // chip registers are never refused
        d.OnCommand(kChipReadButton);
        EXPECT_EQ(window.Messages().size(), 1u);

        // The legacy request carries 8 address bits: 0x105 would reach 0x05.
        controller_->SetProtocolLevel(0);
        window.SetItemText(kChipValueEdit, "1");
        window.SetItemText(kChipRegisterEdit, "105");
        EXPECT_EQ(ClickForMessage(d, window, kChipWriteButton).text,
                  "The register address \"105\" is out of range: this camera's firmware takes "
                  "addresses between 0 and FF.");
        EXPECT_EQ(controller_->ChipRegister(0x05), 0);

        controller_->SetProtocolLevel(2);
        window.SetItemText(kSensorRegisterEdit, "105");
        d.OnCommand(kSensorReadButton);
        EXPECT_EQ(window.Messages().size(), 2u);
    });
}

// Every register button talks only to a camera this copy has chosen and
// holds, never while this copy's upload runs, and never with stale texts.
TEST_F(RegisterToolsTest, NothingIsSentWithoutACameraOfItsOwn) {
    const std::string loadFile = WriteText("load.txt", "0x0010:0x0001\n");
    const std::string dumpFile = (Folder() / "dump.txt").string();
    const std::vector<int> buttons{kChipReadButton,    kChipWriteButton, kSensorReadButton,
                                   kSensorWriteButton, kDumpChipButton,  kLoadChipButton,
                                   kDumpSensorButton,  kLoadSensorButton};
    const auto clickAll = [&](AdvancedDialog& d, FakeDialogWindow& window,
                              const std::string& expected, bool choosesFile) {
        for (int button : buttons) {
            const bool loads = button == kLoadChipButton || button == kLoadSensorButton;
            const bool dumps = button == kDumpChipButton || button == kDumpSensorButton;
            if (choosesFile && (loads || dumps))
                window.ScriptFileChoice(loads ? loadFile : dumpFile);
            const RecordedMessage message = ClickForMessage(d, window, button);
            EXPECT_EQ(message.text, expected) << "button " << button;
            EXPECT_EQ(message.style, kIconError);
        }
    };
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        for (int id : {kChipRegisterEdit, kChipValueEdit, kSensorRegisterEdit, kSensorValueEdit}) {
            window.SetItemText(id, "10");
        }
        // Another copy holds the camera: the old path is not used.
        cameraPath_.Set(cameraPathText_);
        {
            const auto held = claims_.TryClaim(cameraPathText_);
            clickAll(d, window, "No device", true);
        }
        uploadActive_ = true;
        clickAll(d, window, "An upload is in progress. Please wait until it has ended.", false);
        uploadActive_ = false;
        EXPECT_EQ(controller_->TransferCount(), 0u);
        EXPECT_FALSE(std::filesystem::exists(dumpFile));

        // A number edit that does not parse stops every button that exchanges
        // before it sends, and takes the user to that edit.
        window.SetItemText(kBrightnessMinEdit, "");
        for (int button : {kChipWriteButton, kChipReadButton, kSensorReadButton,
                           kSensorWriteButton, kDumpSensorButton}) {
            window.FocusItem(kChipRegisterEdit);
            EXPECT_EQ(ClickForMessage(d, window, button).text, "Please enter a positive integer.")
                << "button " << button;
            EXPECT_EQ(window.FocusedItem(), kBrightnessMinEdit) << "button " << button;
        }
        EXPECT_EQ(controller_->TransferCount(), 0u);
        EXPECT_EQ(window.Control(kChipValueEdit).text, "10");
        EXPECT_EQ(window.Control(kSensorValueEdit).text, "10");

        window.SetItemText(kBrightnessMinEdit, "0");
        machine_.Detach(cameraPathText_);
        clickAll(d, window, "No device", true);
        EXPECT_EQ(window.Messages().back().caption, "Fail");
    });
}

// Each register button holds the camera's claim from before its session
// opens until its last request has gone out.
TEST_F(RegisterToolsTest, EveryButtonHoldsTheClaimUntilItsLastRequest) {
    ReleaseRecordingClaims claims(claims_, [this] { return controller_->TransferCount(); });
    const AppServices services{host_, services_.programPath, clock_, machine_, machine_,
                               claims,  cameraPath_,         installer_};
    const std::string loadFile = WriteText("load.txt", "0x0010:0x0001\n");
    const std::string dumpFile = (Folder() / "dump.txt").string();
    AdvancedDialog dialog(services, "", 3, [] { return false; });
    host_.SetScript(kAdvancedDialogTemplate, [&](Dialog&, FakeDialogWindow& window) {
        for (int id : {kChipRegisterEdit, kChipValueEdit, kSensorRegisterEdit, kSensorValueEdit}) {
            window.SetItemText(id, "10");
        }
        for (int button : {kChipReadButton, kChipWriteButton, kSensorReadButton,
                           kSensorWriteButton, kDumpChipButton, kLoadChipButton,
                           kDumpSensorButton, kLoadSensorButton}) {
            const bool loads = button == kLoadChipButton || button == kLoadSensorButton;
            if (loads || button == kDumpChipButton || button == kDumpSensorButton) {
                window.ScriptFileChoice(loads ? loadFile : dumpFile);
            }
            const uint64_t before = controller_->TransferCount();
            const std::size_t released = claims.ReleasedAt().size();
            dialog.OnCommand(button);
            ASSERT_EQ(claims.ReleasedAt().size(), released + 1) << "button " << button;
            EXPECT_GT(controller_->TransferCount(), before) << "button " << button;
            EXPECT_EQ(claims.ReleasedAt().back(), controller_->TransferCount())
                << "button " << button << " let the camera go before its last request";
        }
    });
    host_.RunModal(dialog);
    EXPECT_FALSE(claims_.IsClaimed(cameraPathText_));
}

TEST_F(RegisterToolsTest, ADumpLoadsBackThroughTheFileChooser) {
    for (uint16_t address = 0; address <= 0xFF; ++address) {
        controller_->SetChipRegister(address, static_cast<uint8_t>(address ^ 0x5A));
    }
    const std::string file = (Folder() / "chip.txt").string();
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        window.ScriptFileChoice(file);
        EXPECT_EQ(ClickForMessage(d, window, kDumpChipButton).text,
                  "ReadFile OK, file is saved to TovrinRegs.txt!!");
        const FileChooserRequest request = window.FileRequests().back();
        EXPECT_FALSE(request.open);
        EXPECT_EQ(request.fileName, "TovrinRegs.txt");
        EXPECT_EQ(request.defaultExtension, "txt");
        EXPECT_EQ(request.filter, "TXT File(*.txt)|*.txt||");
        EXPECT_EQ(request.flags, 0u);
        EXPECT_EQ(window.Cursor(), CursorShape::Arrow);

        const std::string dump = ReadText(file);
        EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 256);
        EXPECT_EQ(dump.substr(0, 28), "0x0000:0x005A\n0x0001:0x005B\n");
        EXPECT_NE(dump.find("0x00FF:0x00A5\n"), std::string::npos);

        for (uint16_t address = 0; address <= 0xFF; ++address)
            controller_->SetChipRegister(address, 0);
        window.ScriptFileChoice(file);
        EXPECT_EQ(ClickForMessage(d, window, kLoadChipButton).text,
                  "WriteFile OK, file is written to tovrine registers!!");
        EXPECT_EQ(window.FileRequests().back().fileName, "TovrinRegs.txt");
        EXPECT_TRUE(window.FileRequests().back().open);
        for (uint16_t address = 0; address <= 0xFF; ++address) {
            ASSERT_EQ(controller_->ChipRegister(address), address ^ 0x5A);
        }

        // A sensor dump starts at the start text; an empty one at 0x0000.
        window.SetItemText(kSensorRegisterEdit, "1F0");
        window.ScriptFileChoice(file);
        EXPECT_EQ(ClickForMessage(d, window, kDumpSensorButton).text,
                  "ReadSensor OK, file is saved to SensorRegs.txt!!");
        EXPECT_EQ(ReadText(file).substr(0, 14), "0x01F0:0x0000\n");
        window.SetItemText(kSensorRegisterEdit, "");
        window.ScriptFileChoice(file);
        d.OnCommand(kDumpSensorButton);
        EXPECT_EQ(ReadText(file).substr(0, 14), "0x0000:0x0000\n");
        EXPECT_EQ(window.FileRequests().back().fileName, "SensorRegs.txt");

        // Cancelled choosers.
        EXPECT_EQ(ClickForMessage(d, window, kDumpChipButton).text, "Create File Failed!!");
        EXPECT_EQ(ClickForMessage(d, window, kLoadSensorButton).text, "Can not open file!");
    });
}

TEST_F(RegisterToolsTest, NeitherAFailedDumpNorARefusedFileLeavesHalfAJob) {
    const std::string file = WriteText("chip.txt", "an earlier dump\n");
    // Files of the user's named as fixed-name temporary files would be.
    WriteText("chip.txt.new", "mine\n");
    WriteText("chip.txt.tmp", "mine too\n");
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        controller_->UnplugAfterTransfers(100);
        window.ScriptFileChoice(file);
        const RecordedMessage failure = ClickForMessage(d, window, kDumpChipButton);
        EXPECT_EQ(failure.text, "Read tovrine register fail");
        EXPECT_EQ(failure.caption, "Fail");
        EXPECT_EQ(ReadText(file), "an earlier dump\n");
        controller_->Replug();
        // A dump that ends well replaces the file, and only the file.
        window.ScriptFileChoice(file);
        d.OnCommand(kDumpChipButton);
        EXPECT_EQ(ReadText(file).substr(0, 14), "0x0000:0x0000\n");
        EXPECT_EQ(ReadText(file + ".new"), "mine\n");
        EXPECT_EQ(ReadText(file + ".tmp"), "mine too\n");
        for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("chip.txt")) {
                EXPECT_TRUE(name == "chip.txt" || name == "chip.txt.new" || name == "chip.txt.tmp")
                    << name;
            }
        }

        const uint64_t sent = controller_->TransferCount();
        const std::string refused =
            WriteText("bad.txt", "0x0010:0x0001\n// comment\n0x0011:0011\n0x0012:0x0003\n");
        window.ScriptFileChoice(refused);
        EXPECT_EQ(ClickForMessage(d, window, kLoadChipButton).text,
                  "Line 3 of the file: the value does not begin with \"0x\". Nothing was "
                  "written to the camera.");
        window.ScriptFileChoice(WriteText("empty.txt", "// nothing here\n"));
        EXPECT_EQ(ClickForMessage(d, window, kLoadSensorButton).text,
                  "The file holds no register line. Nothing was written to the camera.");
        EXPECT_EQ(controller_->TransferCount(), sent);
        EXPECT_EQ(controller_->ChipRegister(0x0010), 0);

        // At level 1 a sensor file whose every address ends in 05 writes
        // nothing, and the user is told so.
        controller_->SetProtocolLevel(1);
        window.ScriptFileChoice(WriteText("only05.txt", "0x0105:0x0001\n0x0205:0x0002\n"));
        const RecordedMessage none = ClickForMessage(d, window, kLoadSensorButton);
        EXPECT_EQ(none.text,
                  "No register was written: the camera's firmware does not support any register "
                  "of the file (registers 0Xxx05 are not supported at its level).");
        EXPECT_EQ(none.style, kIconError);
        EXPECT_EQ(controller_->SensorRegister(0x0105), 0);

        // At level 0 a file address above 0xFF is refused before any write.
        controller_->SetProtocolLevel(0);
        window.ScriptFileChoice(WriteText("wide.txt", "0x0010:0x0001\n0x0105:0x0002\n"));
        EXPECT_EQ(ClickForMessage(d, window, kLoadSensorButton).text,
                  "Line 2 of the file: the address is above FF, which this camera's firmware "
                  "cannot take. Nothing was written to the camera.");
        EXPECT_EQ(controller_->SensorRegister(0x0010), 0);
    });
}

}  // namespace
}  // namespace kestrovane::testing
