#include <gtest/gtest.h>

#include "app/UploadOptions.h"

namespace kestrovane {
namespace {

constexpr UploadOptions kAllSet{true, true, true, true};
constexpr UploadOptions kNoneSet{false, false, false, false};

TEST(UploadOptions, VerifyOnlyExcludesTheOtherThree) {
    EXPECT_EQ(AfterVerifyOnlyClicked(kAllSet, true), (UploadOptions{false, true, false, false}));
    EXPECT_EQ(AfterVerifyOnlyClicked(kAllSet, false), kNoneSet);
    EXPECT_STREQ(IdleUploadButtonText(AfterVerifyOnlyClicked(kNoneSet, true)), "Verify");
    EXPECT_STREQ(IdleUploadButtonText(AfterVerifyOnlyClicked(kNoneSet, false)), "Upload");
}

TEST(UploadOptions, UploadVerifyClearsVerifyOnlyAndKeepsTheRest) {
    const UploadOptions verifyOnly{false, true, false, false};
    EXPECT_EQ(AfterUploadVerifyClicked(verifyOnly, true),
              (UploadOptions{true, false, false, false}));
    const UploadOptions auto_{false, false, true, false};
    EXPECT_EQ(AfterUploadVerifyClicked(auto_, true), (UploadOptions{true, false, true, false}));
    EXPECT_EQ(AfterUploadVerifyClicked(kAllSet, false), (UploadOptions{false, false, true, true}));
}

TEST(UploadOptions, AutoUploadAndNewBinWorksExcludeEachOther) {
    const UploadOptions newBin{true, false, false, true};
    EXPECT_EQ(AfterAutoUploadClicked(newBin, true), (UploadOptions{true, false, true, false}));
    const UploadOptions autoUpload{false, false, true, false};
    EXPECT_EQ(AfterNewBinWorksClicked(autoUpload, true, true),
              (UploadOptions{false, false, false, true}));
    EXPECT_EQ(AfterAutoUploadClicked(kAllSet, false), (UploadOptions{true, false, false, false}));
}

TEST(UploadOptions, NewBinWorksRefusedOrUncheckedTouchesOnlyItself) {
    const UploadOptions verifyOnly{false, true, false, false};
    EXPECT_EQ(AfterNewBinWorksClicked(verifyOnly, true, false), verifyOnly);
    EXPECT_EQ(AfterNewBinWorksClicked(verifyOnly, true, true),
              (UploadOptions{false, false, false, true}));
    const UploadOptions newBin{true, false, false, true};
    EXPECT_EQ(AfterNewBinWorksClicked(newBin, false, true),
              (UploadOptions{true, false, false, false}));
}

}  // namespace
}  // namespace kestrovane
