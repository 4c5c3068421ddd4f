#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
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

// Two counters on one file, as two copies of the program counting at the
// same moment: each finish re-reads the file under the shared lock, so none
// is lost, and every count handed out is the file's and handed out once.
TEST_F(CounterFileTest, TwoCountersOnOneFileCountEveryFinishOnce) {
    Write({0x05, 0x00, 0x00, 0x00});
    constexpr int kFinishesEach = 40;
    std::vector<int32_t> shown[2];
    std::vector<std::thread> copies;
    for (int copy = 0; copy < 2; ++copy) {
        copies.emplace_back([&, copy] {
            int32_t count = ReadFinishCount(path_);  // read once at start
            for (int i = 0; i < kFinishesEach; ++i) {
                const CounterChange change = AddFinishToCounterFile(path_, count);
                EXPECT_TRUE(change.saved);
                count = change.count;
                shown[copy].push_back(count);
            }
        });
    }
    for (std::thread& copy : copies) copy.join();
    EXPECT_EQ(ReadFinishCount(path_), 5 + 2 * kFinishesEach);
    std::set<int32_t> all;
    for (const auto& counts : shown) {
        for (size_t i = 1; i < counts.size(); ++i) EXPECT_LT(counts[i - 1], counts[i]);
        all.insert(counts.begin(), counts.end());
    }
    EXPECT_EQ(all.size(), 2u * kFinishesEach) << "a count was handed out twice";
    EXPECT_EQ(*all.begin(), 6);
    EXPECT_EQ(*all.rbegin(), 5 + 2 * kFinishesEach);
}

// A finish never replaces a count it could not read, and a count it could not
// store goes on from what the copy showed.
TEST_F(CounterFileTest, AFinishKeepsACountItCannotReadOrWrite) {
    EXPECT_EQ(AddFinishToCounterFile(path_, 41).count, 1) << "a missing file starts at 0";
    Write({0x07, 0x00});
    EXPECT_EQ(AddFinishToCounterFile(path_, 41).count, 1) << "a short file counts 0";
    EXPECT_EQ(ReadFinishCount(path_), 1);
    Write({0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_EQ(AddFinishToCounterFile(path_, 0).count, INT32_MIN) << "wraps as the 4 bytes do";
    EXPECT_EQ(ResetCounterFile(path_).saved, true);
    EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0, 0, 0, 0}));

    std::filesystem::remove(path_);
    std::filesystem::create_directories(std::filesystem::path(path_) / "inside");
    const CounterChange change = AddFinishToCounterFile(path_, 41);
    EXPECT_FALSE(change.saved);
    EXPECT_EQ(change.count, 42);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(path_) / "inside"));
}

}  // namespace
}  // namespace kestrovane::testing
