// Replacement through a temporary file on POSIX systems: open with
// O_CREAT | O_EXCL under a fresh name, fchmod to the replaced file's mode,
// fsync, rename, fsync of the folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>

#include "files/FileReplacement.h"

namespace kestrovane {

namespace {

namespace fs = std::filesystem;

// Symbolic links followed before the target counts as unreachable (the
// system's own limit).
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;

// The file a replacement of `target` replaces: the target, or the end of the
// chain of links it starts. Nothing when a link cannot be read or the chain
// is too long.
std::optional<fs::path> FollowLinks(fs::path path) {
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT) return path;  // a new file, or a dangling link's end
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) return path;
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return std::nullopt;
}

// A name for the temporary file that no other writer picks: the file's own
// name, this process, a count and a random part.
fs::path TemporaryName(const fs::path& replaced) {
    static std::atomic<unsigned> sequence{0};
    static thread_local std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u-%08llx.tmp", static_cast<long>(getpid()),
                  sequence.fetch_add(1), static_cast<unsigned long long>(random() & 0xFFFFFFFF));
    fs::path name = replaced;
    name += suffix;
    return name;
}

void SyncFolder(const fs::path& folder) {
    const int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    fsync(descriptor);  // best effort: some file systems do not sync folders
    close(descriptor);
}

}  // namespace

bool FileReplacement::Begin(const fs::path& target, Durability durability) {
    Discard();
    if (target.empty()) return false;
    const std::optional<fs::path> replaced = FollowLinks(target);
    if (!replaced) return false;
    struct stat info {};
    const bool exists = stat(replaced->c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && !S_ISREG(info.st_mode)) return false;  // a folder, a device, a pipe

    // An existing file's permissions are set before anything is written, so
    // its contents are never readable by more users than before; a new file
    // gets the usual mode less the umask.
    const mode_t createMode = exists ? S_IRUSR | S_IWUSR : 0666;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path temporary = TemporaryName(*replaced);
        const int descriptor =
            open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;  // somebody's file: leave it, take another name
            return false;
        }
        if (exists) {
            // The owner only where the program may give it (as root); the
            // mode after it, because a change of owner clears set-id bits.
            if (fchown(descriptor, info.st_uid, info.st_gid) != 0) {
                [[maybe_unused]] const int ignored = fchown(descriptor, static_cast<uid_t>(-1),
                                                            info.st_gid);
            }
            fchmod(descriptor, info.st_mode & 07777);
        }
        handle_ = descriptor;
        replaced_ = *replaced;
        temporary_ = temporary;
        durability_ = durability;
        writeFailed_ = false;
        return true;
    }
    return false;
}

bool FileReplacement::Write(std::span<const uint8_t> bytes) {
    if (!Active()) return false;
    const int descriptor = static_cast<int>(handle_);
    while (!bytes.empty() && !writeFailed_) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            writeFailed_ = true;
            break;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return !writeFailed_;
}

bool FileReplacement::Commit() {
    if (!Active()) return false;
    const int descriptor = static_cast<int>(handle_);
    bool ok = !writeFailed_;
    if (ok && durability_ == Durability::Flushed) ok = fsync(descriptor) == 0;
    // A full disk may show only at the close.
    ok = close(descriptor) == 0 && ok;
    handle_ = kNoHandle;
    if (ok) ok = rename(temporary_.c_str(), replaced_.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    if (durability_ == Durability::Flushed) SyncFolder(replaced_.parent_path());
    temporary_.clear();
    return true;
}

void FileReplacement::Discard() {
    if (Active()) close(static_cast<int>(handle_));
    handle_ = kNoHandle;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    writeFailed_ = false;
}

}  // namespace kestrovane
