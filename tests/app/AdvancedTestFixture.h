#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AppTestFixture.h"
#include "app/AdvancedDialog.h"
#include "image/FieldOffsets.h"
#include "image/ParameterOffsets.h"

namespace kestrovane::testing {

// The Advanced dialog's services over one simulated camera, with its template
// prepared as the resources create it.
class AdvancedTest : public AppTest {
protected:
    static constexpr uint8_t kBase = 0x40;

    AdvancedTest() {
        controller_ = machine_.AttachCamera(cameraPathText_, 16384, 2);
        host_.SetTemplate(kAdvancedDialogTemplate, [](FakeDialogWindow& window) {
            window.SetCaption("Advanced");
            for (int id : {kBrightnessSupportCheck, kContrastSupportCheck, kHueSupportCheck,
                           kSaturationSupportCheck, kSharpnessSupportCheck, kGammaSupportCheck,
                           kFrequencySupportCheck, kFrequencyMinEdit, kFrequencyMaxEdit,
                           kIdsInUseCheck, kDescriptionInUseCheck}) {
                window.EnableItem(id, false);
            }
        });
    }

    // Runs a dialog on the image at `path` with `script` acting as the user.
    void Run(const std::string& path, int eepromType,
             const std::function<void(AdvancedDialog&, FakeDialogWindow&)>& script) {
        AdvancedDialog dialog(services_, path, eepromType, [this] { return uploadActive_; });
        host_.SetScript(kAdvancedDialogTemplate,
                        [&](Dialog&, FakeDialogWindow& window) { script(dialog, window); });
        host_.RunModal(dialog);
    }

    std::filesystem::path Folder() const { return CounterFile().parent_path(); }

    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::filesystem::path path = Folder() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        return path.string();
    }
    std::string WriteText(const std::string& name, const std::string& text) const {
        return WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // A 1024-byte Large image (Kv5 table): the given support bits, Brightness
    // default 100, frequency code `code`, ids 3a5e:00a5 in use or not, the
    // version "KV-1.0".
    static std::vector<uint8_t> LargeImage(uint16_t support, uint8_t code, bool idsInUse) {
        std::vector<uint8_t> bytes(1024, 0x11);
        const ParameterOffsets& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
        bytes[kParameterBaseOffset] = kBase;
        bytes[kSupportBitsOffset] = static_cast<uint8_t>(support & 0xFF);
        bytes[kSupportBitsOffset + 1] = static_cast<uint8_t>(support >> 8);
        bytes[kIdentityFlagsOffset] = idsInUse ? kIdentityIdsInUse : 0;
        bytes[kOrientationFlagsOffset] = 0x00;
        bytes[kVendorIdOffset] = 0x5E;
        bytes[kVendorIdOffset + 1] = 0x3A;
        bytes[kProductIdOffset] = 0xA5;
        bytes[kProductIdOffset + 1] = 0x00;
        bytes[kDescriptionOffsetOffset] = 0x30;
        bytes[0x30] = 3;
        bytes[kBase + *kv5[PictureParameter::Brightness].defaultValue] = 100;
        bytes[kBase + *kv5[PictureParameter::Brightness].defaultValue + 1] = 0;
        bytes[kBase + kv5.powerLineFrequency] = code;
        const std::string version("KV-1.0\0", 7);
        std::copy(version.begin(), version.end(), bytes.begin() + kBinVersionOffset);
        return bytes;
    }

    const std::string cameraPathText_ = sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000");
    std::shared_ptr<sim::SimulatedController> controller_;
    bool uploadActive_ = false;
};

}  // namespace kestrovane::testing
