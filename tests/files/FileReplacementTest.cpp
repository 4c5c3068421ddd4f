#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "TempFolder.h"
#include "files/FileReplacement.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;

class FileReplacementTest : public ::testing::Test {
protected:
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Text(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    static bool Replace(const fs::path& path, const std::string& text) {
        return ReplaceFileContents(
            path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

    TempFolder folder_{"kestrovane_file_replacement"};
    const fs::path target_ = folder_.Path() / "regs.txt";
};

// Files that look like the temporary file of a fixed-name scheme are somebody
// else's: a replacement, a refused one and a discarded one leave them alone.
TEST_F(FileReplacementTest, NeighboursOfTheTargetAreNeverTouched) {
    Put(target_, "old");
    Put(folder_.Path() / "regs.txt.new", "the user's own .new");
    Put(folder_.Path() / "regs.txt.tmp", "the user's own .tmp");
    ASSERT_TRUE(Replace(target_, "new"));
    EXPECT_EQ(Text(target_), "new");
    {
        FileReplacement discarded;
        ASSERT_TRUE(discarded.Begin(target_));
        discarded.Write(std::string_view("never"));
    }
    // A folder is never replaced, and nothing is created for it.
    fs::create_directory(folder_.Path() / "dir");
    EXPECT_FALSE(Replace(folder_.Path() / "dir", "x"));
    EXPECT_FALSE(Replace(folder_.Path() / "missing" / "file", "x"));
    EXPECT_EQ(Names(), (std::set<std::string>{"regs.txt", "regs.txt.new", "regs.txt.tmp", "dir"}));
    EXPECT_EQ(Text(folder_.Path() / "regs.txt.new"), "the user's own .new");
    EXPECT_EQ(Text(folder_.Path() / "regs.txt.tmp"), "the user's own .tmp");
    EXPECT_TRUE(fs::is_empty(folder_.Path() / "dir"));
}

TEST_F(FileReplacementTest, TwoWritersOfOneTargetEachHaveTheirOwnTemporaryFile) {
    FileReplacement first;
    FileReplacement second;
    ASSERT_TRUE(first.Begin(target_));
    ASSERT_TRUE(second.Begin(target_));
    EXPECT_NE(first.TemporaryPath(), second.TemporaryPath());
    EXPECT_EQ(first.TemporaryPath().parent_path(), folder_.Path());
    first.Write(std::string_view("first"));
    second.Write(std::string_view("second"));
    ASSERT_TRUE(first.Commit());
    EXPECT_EQ(Text(target_), "first");
    ASSERT_TRUE(second.Commit());
    EXPECT_EQ(Text(target_), "second");
    EXPECT_EQ(Names(), (std::set<std::string>{"regs.txt"}));
}

// A link stays a link, and the file it leads to takes the new contents in
// its own folder; the replaced file keeps its permissions.
TEST_F(FileReplacementTest, LinksStayLinksAndPermissionsStay) {
    const fs::path elsewhere = folder_.Path() / "real";
    fs::create_directory(elsewhere);
    Put(elsewhere / "data.bin", "old");
    fs::permissions(elsewhere / "data.bin", fs::perms(0640));
    fs::create_symlink("real/data.bin", folder_.Path() / "link");  // relative
    fs::create_symlink(folder_.Path() / "link", folder_.Path() / "link-to-link");

    ASSERT_TRUE(Replace(folder_.Path() / "link-to-link", "new"));
    EXPECT_TRUE(fs::is_symlink(folder_.Path() / "link-to-link"));
    EXPECT_TRUE(fs::is_symlink(folder_.Path() / "link"));
    EXPECT_EQ(Text(elsewhere / "data.bin"), "new");
    EXPECT_EQ(fs::status(elsewhere / "data.bin").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Names(), (std::set<std::string>{"real", "link", "link-to-link"}));

    // A link whose file does not exist yet creates that file.
    fs::create_symlink("real/later.bin", folder_.Path() / "dangling");
    ASSERT_TRUE(Replace(folder_.Path() / "dangling", "made"));
    EXPECT_TRUE(fs::is_symlink(folder_.Path() / "dangling"));
    EXPECT_EQ(Text(elsewhere / "later.bin"), "made");

    // An executable stays executable; a new file gets the usual mode.
    Put(target_, "#!/bin/sh\n");
    fs::permissions(target_, fs::perms(0751));
    ASSERT_TRUE(Replace(target_, "#!/bin/sh\nexit 0\n"));
    EXPECT_EQ(fs::status(target_).permissions() & fs::perms::all, fs::perms(0751));
    const mode_t mask = umask(0);
    umask(mask);
    ASSERT_TRUE(Replace(folder_.Path() / "fresh", "x"));
    EXPECT_EQ(fs::status(folder_.Path() / "fresh").permissions() & fs::perms::all,
              fs::perms(0666 & ~mask));
}

TEST_F(FileReplacementTest, AFailedReplacementLeavesTheTargetAndNoTemporary) {
    Put(target_, "old");
    FileReplacement replacement;
    ASSERT_TRUE(replacement.Begin(target_));
    const fs::path temporary = replacement.TemporaryPath();
    replacement.Write(std::string_view("half"));
    // The target turns into a folder meanwhile: the rename fails.
    fs::remove(target_);
    fs::create_directories(target_ / "inside");
    EXPECT_FALSE(replacement.Commit());
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_TRUE(fs::is_directory(target_ / "inside"));
    // Writes after the end fail and leave nothing behind either.
    EXPECT_FALSE(replacement.Write(std::string_view("late")));
    EXPECT_FALSE(replacement.Commit());
    EXPECT_EQ(Names(), (std::set<std::string>{"regs.txt"}));
}

}  // namespace
}  // namespace kestrovane::testing
