#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace kestrovane {

// How far a replacement waits for the disk.
enum class Durability {
    // The new contents reach the disk before they take the target's place,
    // and the folder's entry after: a crash or a power cut leaves the old file
    // or the new one, whole. For the files users keep (counts, dumps, images).
    Flushed,
    // Readers see the old file or the new one, whole, but the disk is not
    // waited for: a simulated camera's EEPROM, saved after every block.
    Ordered,
};

// New contents for a file, written to a temporary file beside it and put in
// its place in one rename once they are complete.
//
// The temporary file gets a name no file in the folder has: it is created
// exclusively, retrying with another name while one exists, so the program
// never opens, truncates or removes a file it did not create (a user's
// "TARGET.new" stays) and two writers of one target never share one. A
// target that is a symbolic link stays a link: the file it leads to is
// replaced, through a temporary file in that file's folder. On Linux the new
// file keeps the replaced file's permissions (and its owner where the
// program may set it). A replacement that is refused or fails leaves the
// target as it was and no temporary file behind.
class FileReplacement {
public:
    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement() { Discard(); }

    // Creates the temporary file for `target`. False, with nothing created,
    // when the target is a folder or anything else but a regular file, its
    // link cannot be followed, or no file can be created in its folder.
    bool Begin(const std::filesystem::path& target, Durability durability = Durability::Flushed);
    bool Active() const { return handle_ != kNoHandle; }

    // Appends to the temporary file. False when the write failed; Commit
    // then fails too.
    bool Write(std::span<const uint8_t> bytes);
    bool Write(std::string_view text);

    // The temporary file between Begin and Commit, for a writer that opens
    // it itself and closes it again before Commit.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }
    // The file that Commit replaces: the target, or the end of its links.
    const std::filesystem::path& ReplacedPath() const { return replaced_; }

    // Puts the temporary file in the target's place. False when a write, the
    // flush or the rename failed; the target then is as it was and the
    // temporary file is gone.
    bool Commit();

    // Removes the temporary file (only it); the target stays as it was.
    void Discard();

private:
    static constexpr intptr_t kNoHandle = -1;

    std::filesystem::path replaced_;
    std::filesystem::path temporary_;
    intptr_t handle_ = kNoHandle;  // the platform's file descriptor or handle
    Durability durability_ = Durability::Flushed;
    bool writeFailed_ = false;
};

// Replaces the file at `target` with `bytes` through a FileReplacement.
// False when it could not; the file then keeps its old contents.
bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         Durability durability = Durability::Flushed);

}  // namespace kestrovane
