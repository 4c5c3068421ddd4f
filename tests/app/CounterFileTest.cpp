#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "TempFolder.h"
#include "app/FinishCounter.h"

namespace kestrovane::testing {
namespace {

class CounterFileTest : public ::testing::Test {
protected:
    void Write(const std::vector<unsigned char>& bytes) const {
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        for (unsigned char byte : bytes) file.put(static_cast<char>(byte));
    }
    std::vector<unsigned char> Bytes() const {
        std::ifstream file(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    TempFolder folder_{"kestrovane_counter_file"};
    const std::string path_ = (folder_.Path() / "Kestrovane.DAT").string();
};

TEST_F(CounterFileTest, SaveReplacesTheWholeFileAndLeavesNoTemporary) {
    Write({0x09, 0x09, 0x09, 0x09, 0x09, 0x09});
    ASSERT_TRUE(SaveCounterFile(path_, 0x01020304));
    EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0x04, 0x03, 0x02, 0x01}));
    ASSERT_TRUE(SaveCounterFile(path_, -2));
    EXPECT_EQ(ReadFinishCount(path_), -2);
    EXPECT_FALSE(std::filesystem::exists(CounterTemporaryPath(path_)));
}

TEST_F(CounterFileTest, FailedSaveKeepsTheOldCount) {
    Write({0x2A, 0x00, 0x00, 0x00});
    // The temporary file cannot be written (a folder stands in its way), as on
    // a full disk: the counter file is neither truncated nor zeroed.
    std::filesystem::create_directories(CounterTemporaryPath(path_));
    EXPECT_FALSE(SaveCounterFile(path_, 43));
    EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0x2A, 0x00, 0x00, 0x00}));

    // A counter file that cannot be replaced keeps its count too.
    std::filesystem::remove_all(CounterTemporaryPath(path_));
    std::filesystem::remove(path_);
    std::filesystem::create_directories(std::filesystem::path(path_) / "inside");
    EXPECT_FALSE(SaveCounterFile(path_, 43));
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_FALSE(std::filesystem::exists(CounterTemporaryPath(path_)));
}

}  // namespace
}  // namespace kestrovane::testing
