#include <gtest/gtest.h>

#include "AppTestFixture.h"
#include "app/FinishCounter.h"
#include "app/MinimisedIcon.h"
#include "app/UploadDialog.h"

namespace kestrovane::testing {
namespace {

TEST(CounterFilePathTest, ReplacesTheLastThreeCharacters) {
    EXPECT_EQ(CounterFilePath("C:\\Tools\\Kestrovane.exe"), "C:\\Tools\\Kestrovane.DAT");
    EXPECT_EQ(CounterFilePath("C:\\Tools\\Kestrovane.EXE"), "C:\\Tools\\Kestrovane.DAT");
    // Whole characters, also where a character takes several bytes.
    EXPECT_EQ(CounterFilePath("C:\\工具\\程序相机"), "C:\\工具\\程DAT");
    EXPECT_EQ(CounterFilePath("ab"), "DAT");
}

using FinishCountTest = AppTest;

TEST_F(FinishCountTest, ReadsASignedLittleEndianCount) {
    UploadDialog dialog(services_);
    EXPECT_EQ(dialog.CounterFilePath(), CounterFile().string());
    EXPECT_EQ(dialog.LoadFinishCount(), 0) << "missing file";
    WriteCounterFile({0x05, 0x00, 0x00, 0x00});
    EXPECT_EQ(dialog.LoadFinishCount(), 5);
    WriteCounterFile({0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(dialog.LoadFinishCount(), -1);
    WriteCounterFile({0x34, 0x12, 0x00, 0x80, 0x99, 0x99});
    EXPECT_EQ(dialog.LoadFinishCount(), static_cast<int32_t>(0x80001234));
    WriteCounterFile({0x05, 0x00, 0x00});
    EXPECT_EQ(dialog.LoadFinishCount(), 0) << "short file";
    WriteCounterFile({});
    EXPECT_EQ(dialog.LoadFinishCount(), 0) << "empty file";
}

TEST_F(FinishCountTest, ASavedCountIsReadBackAndShown) {
    UploadDialog dialog(services_);
    host_.SetScript(kUploadDialogTemplate, [&](Dialog&, FakeDialogWindow& window) {
        dialog.finishCount = -7;
        dialog.SaveFinishCount(-7);
        dialog.ShowFinishCount();
        EXPECT_EQ(window.Control(kFinishCountText).text, "Upload finish times:-7");
        window.EndDialog(kIdCancel);
    });
    host_.RunModal(dialog);
    EXPECT_EQ(dialog.LoadFinishCount(), -7);
    dialog.SaveFinishCount(123456);
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 123456);
}

// Two copies of the program beside each other share the counter file: each
// finish adds to what the file holds, and each copy shows the file's count.
TEST_F(FinishCountTest, TwoCopiesCountingInTurnLoseNoFinish) {
    WriteCounterFile({0x02, 0x00, 0x00, 0x00});
    UploadDialog first(services_);
    UploadDialog second(services_);
    FakeDialogWindow firstWindow("Pelloric");
    FakeDialogWindow secondWindow("Pelloric");
    first.AttachWindow(firstWindow);
    second.AttachWindow(secondWindow);
    first.finishCount = first.LoadFinishCount();
    second.finishCount = second.LoadFinishCount();
    first.CountFinish();
    second.CountFinish();
    first.CountFinish();
    EXPECT_EQ(firstWindow.Control(kFinishCountText).text, "Upload finish times:5");
    EXPECT_EQ(secondWindow.Control(kFinishCountText).text, "Upload finish times:4");
    second.CountFinish();
    EXPECT_EQ(secondWindow.Control(kFinishCountText).text, "Upload finish times:6");
    EXPECT_EQ(ReadFinishCount(CounterFile().string()), 6);
    first.DetachWindow();
    second.DetachWindow();
}

TEST(MinimisedIconTest, CentresTheIconTruncatingTowardsZero) {
    const auto at = [](int w, int h, int cx, int cy) {
        const IconPosition p = MinimisedIconPosition(w, h, cx, cy);
        return std::pair{p.x, p.y};
    };
    EXPECT_EQ(at(36, 36, 32, 32), std::pair(2, 2));
    EXPECT_EQ(at(37, 35, 32, 32), std::pair(3, 2));
    EXPECT_EQ(at(32, 32, 32, 32), std::pair(0, 0));
    EXPECT_EQ(at(30, 29, 32, 32), std::pair(0, -1));
    EXPECT_EQ(at(160, 28, 16, 16), std::pair(72, 6));
}

}  // namespace
}  // namespace kestrovane::testing
