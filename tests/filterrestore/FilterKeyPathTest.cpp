#include <gtest/gtest.h>

#include "filterrestore/FilterRegistration.h"

namespace kestrovane {
namespace {

TEST(FilterRestoreKeyPath, StoredPiecesJoinWithOneBackslash) {
    EXPECT_EQ(FilterKeyPath(),
              "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\"
              "{301056D0-6DFF-11D2-9EEB-006008039E37}");
    EXPECT_EQ(FilterKeyPath().find("\\\\"), std::string::npos);
}

TEST(FilterRestoreKeyPath, SeamGetsExactlyOneBackslash) {
    EXPECT_EQ(JoinKeyPath("A", "B"), "A\\B");
    EXPECT_EQ(JoinKeyPath("A\\", "B"), "A\\B");
    EXPECT_EQ(JoinKeyPath("A", "\\B"), "A\\B");
    EXPECT_EQ(JoinKeyPath("A\\\\", "\\\\B"), "A\\B");
    EXPECT_EQ(JoinKeyPath("A\\X", "Y\\B"), "A\\X\\Y\\B");
    EXPECT_EQ(JoinKeyPath("", "\\B"), "B");
    EXPECT_EQ(JoinKeyPath("A\\", ""), "A");
}

}  // namespace
}  // namespace kestrovane
