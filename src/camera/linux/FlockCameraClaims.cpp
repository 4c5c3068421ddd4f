#include "camera/linux/FlockCameraClaims.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kestrovane::linux_camera {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxFileName = 255;

bool IsPlainNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

class FlockClaim final : public CameraClaim {
public:
    explicit FlockClaim(int descriptor) : descriptor_(descriptor) {}
    ~FlockClaim() override { ::close(descriptor_); }

private:
    int descriptor_;
};

}  // namespace

std::string ClaimFileName(const std::string& cameraPath) {
    std::string name;
    for (unsigned char c : cameraPath) {
        if (IsPlainNameByte(c)) {
            name += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            name += escaped;
        }
    }
    name += ".lock";
    if (name.size() <= kMaxFileName) return name;

    uint64_t digest = 0xCBF29CE484222325ull;  // FNV-1a
    for (unsigned char c : cameraPath) {
        digest ^= c;
        digest *= 0x100000001B3ull;
    }
    char hashed[40];
    std::snprintf(hashed, sizeof hashed, "camera-%016llx.lock",
                  static_cast<unsigned long long>(digest));
    return hashed;
}

FlockCameraClaims::FlockCameraClaims(fs::path lockFolder, VerboseSink verbose)
    : lockFolder_(std::move(lockFolder)), verbose_(std::move(verbose)) {}

fs::path FlockCameraClaims::DefaultClaimFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return fs::path(runtime) / "kestrovane";
    return fs::path("/tmp") / ("kestrovane-" + std::to_string(::getuid()));
}

bool FlockCameraClaims::PrepareFolder() const {
    std::error_code error;
    fs::create_directories(lockFolder_, error);
    if (error) {
        if (verbose_) {
            verbose_("creating the lock folder " + lockFolder_.string() + ": " +
                     ErrnoText(error.value()));
        }
        return false;
    }
    // In a folder that everybody may write to, a name that somebody else
    // placed there first must not be trusted with our locks.
    struct stat parent {};
    const fs::path parentFolder =
        lockFolder_.parent_path().empty() ? "." : lockFolder_.parent_path();
    const bool parentShared =
        ::stat(parentFolder.c_str(), &parent) == 0 && (parent.st_mode & S_IWOTH) != 0;
    struct stat folder {};
    const bool ours = ::lstat(lockFolder_.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
                      folder.st_uid == ::getuid();
    if (parentShared && !ours) {
        if (verbose_) {
            verbose_("the lock folder " + lockFolder_.string() +
                     " is not a folder of this user inside the shared " + parentFolder.string());
        }
        return false;
    }
    return true;
}

std::unique_ptr<CameraClaim> FlockCameraClaims::TryClaim(const std::string& cameraPath) {
    if (!PrepareFolder()) return nullptr;
    const fs::path file = lockFolder_ / ClaimFileName(cameraPath);
    // Read-only is enough for flock, and lets other users of a shared lock
    // folder take turns on the same files.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        if (verbose_) verbose_("opening the lock file " + file.string() + ": " + ErrnoText(errno));
        return nullptr;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error != EWOULDBLOCK && verbose_) {
            verbose_("locking " + file.string() + ": " + ErrnoText(error));
        }
        return nullptr;
    }
    return std::make_unique<FlockClaim>(descriptor);
}

}  // namespace kestrovane::linux_camera
