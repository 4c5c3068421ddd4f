#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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

// The save goes through a temporary file of its own: the user's files beside
// the counter, whatever their names, stay as they are.
TEST_F(CounterFileTest, SaveReplacesTheWholeFileAndTouchesNoNeighbour) {
    Write({0x09, 0x09, 0x09, 0x09, 0x09, 0x09});
    for (const char* neighbour : {"Kestrovane.DAT.new", "Kestrovane.DAT.tmp"}) {
        std::ofstream(folder_.Path() / neighbour) << "keep me";
    }
    ASSERT_TRUE(SaveCounterFile(path_, 0x01020304));
    EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0x04, 0x03, 0x02, 0x01}));
    ASSERT_TRUE(SaveCounterFile(path_, -2));
    EXPECT_EQ(ReadFinishCount(path_), -2);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
        names.push_back(entry.path().filename().string());
        if (entry.path().filename() != "Kestrovane.DAT") {
            std::ifstream file(entry.path());
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "keep me");
        }
    }
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(CounterFileTest, FailedSaveKeepsTheOldCountAndLeavesNothingBehind) {
    // A counter file that cannot be replaced (a folder stands in its place).
    std::filesystem::create_directories(std::filesystem::path(path_) / "inside");
    EXPECT_FALSE(SaveCounterFile(path_, 43));
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(path_) / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

}  // namespace
}  // namespace kestrovane::testing
