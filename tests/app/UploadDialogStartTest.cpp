#include <gtest/gtest.h>

#include "AppTestFixture.h"
#include "app/UploadDialog.h"
#include "app/UploaderApp.h"

namespace kestrovane::testing {
namespace {

using StartTest = AppTest;

TEST_F(StartTest, FirstStartShowsTheInitialState) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [](Dialog&, FakeDialogWindow& window) {
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:0");
        EXPECT_TRUE(window.Control(kUploadVerifyCheck).checked);
        EXPECT_FALSE(window.Control(kVerifyOnlyCheck).checked);
        EXPECT_FALSE(window.Control(kAutoUploadCheck).checked);
        EXPECT_FALSE(window.Control(kNewBinWorksCheck).checked);
        EXPECT_FALSE(window.Control(kForceEnableCheck).checked);
        EXPECT_TRUE(window.Control(kForceKind8k16k32kRadio).checked);
        EXPECT_FALSE(window.Control(kForceKind256BRadio).checked);
        EXPECT_EQ(window.Control(kEepromTypeCombo).comboSelection, 3);
        EXPECT_EQ(window.ComboText(kEepromTypeCombo), "24C64(8K)");
        EXPECT_EQ(window.Control(kEepromTypeCombo).comboItems,
                  (std::vector<std::string>{"24C02(256B)", "24C04(512B)", "24C08(1K)", "24C64(8K)",
                                            "24C128(16K)"}));
        EXPECT_EQ(window.Control(kUploadButton).text, "Upload");
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_FALSE(window.Control(kProgressBar).visible);
        EXPECT_EQ(window.Control(kBinFileEdit).text, "");
        EXPECT_EQ(window.Control(kBlockDelayEdit).text, "20");
        EXPECT_TRUE(window.ShownControls().empty());
        window.EndDialog(kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(dialog.uploadRunning, 0);
    EXPECT_EQ(dialog.finishCount, 0);
    EXPECT_EQ(dialog.BinFilePath(), "");
    EXPECT_EQ(dialog.blockDelayMs, 20u);
    EXPECT_EQ(dialog.forcedEepromKind, 1);
}

TEST_F(StartTest, DialogStartPreparesTheWindow) {
    UploadDialog dialog(services_);
    host_.RunModal(dialog);
    const FakeDialogWindow& window = *host_.LastWindow(kUploadDialogTemplate);
    EXPECT_EQ(window.SystemMenuItems(), (std::vector<std::pair<int, std::string>>{
                                            {0, ""}, {0x10, "关于 Kestrovane(&A)..."}}));
    EXPECT_EQ(window.IconId(), 128);
    EXPECT_TRUE(window.ComInitialized());
    EXPECT_EQ(window.Timers(), (std::vector<std::pair<int, uint32_t>>{{0, 500}}));
}

TEST_F(StartTest, AnEmptyAboutStringAddsNoMenuEntry) {
    host_.SetTemplate(kUploadDialogTemplate, [](FakeDialogWindow& window) {
        window.SetResourceString(kAboutMenuStringId, "");
    });
    UploadDialog dialog(services_);
    host_.RunModal(dialog);
    EXPECT_TRUE(host_.LastWindow(kUploadDialogTemplate)->SystemMenuItems().empty());
}

TEST_F(StartTest, DialogStartShowsTheStoredCount) {
    WriteCounterFile({0x05, 0x00, 0x00, 0x00});
    UploadDialog dialog(services_);
    host_.RunModal(dialog);
    EXPECT_EQ(dialog.finishCount, 5);
    EXPECT_EQ(host_.LastWindow(kUploadDialogTemplate)->Control(kFinishCountText).text,
              "Upload finish times:5");
}

TEST_F(StartTest, InitInstanceRunsTheMainDialogAndReturnsFalse) {
    UploaderApp app(services_);
    host_.SetScript(kUploadDialogTemplate,
                    [](Dialog& dialog, FakeDialogWindow&) { dialog.OnCommand(kIdOk); });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(host_.RunTemplates(), std::vector<int>{kUploadDialogTemplate});
    EXPECT_EQ(host_.LastWindow(kUploadDialogTemplate)->EndResult(), kIdOk);
}

TEST_F(StartTest, SystemCommandSixteenOpensTheAboutBoxAndChangesNothing) {
    host_.SetScript(kAboutDialogTemplate,
                    [](Dialog& about, FakeDialogWindow&) { about.OnCommand(kIdOk); });
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog& d, FakeDialogWindow& window) {
        EXPECT_TRUE(d.OnSysCommand(0x0010));
        EXPECT_EQ(host_.LastWindow(kAboutDialogTemplate)->EndResult(), kIdOk);
        // The low four bits of a system command belong to the platform.
        EXPECT_TRUE(d.OnSysCommand(0x0013));
        // Close, Minimise and the rest are left to the platform.
        EXPECT_FALSE(d.OnSysCommand(0xF060));
        EXPECT_FALSE(d.OnSysCommand(0xF020));
        EXPECT_FALSE(window.EndResult().has_value());
        EXPECT_EQ(window.Caption(), "Pelloric");
        EXPECT_TRUE(window.Control(kUploadVerifyCheck).checked);
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:0");
        window.EndDialog(kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(host_.RunTemplates(), (std::vector<int>{kUploadDialogTemplate, kAboutDialogTemplate,
                                                      kAboutDialogTemplate}));
}

}  // namespace
}  // namespace kestrovane::testing
