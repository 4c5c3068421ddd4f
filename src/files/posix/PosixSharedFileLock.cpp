#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "files/SharedFileLock.h"

namespace kestrovane {

namespace {

// The lock on a folder descriptor: flock locks belong to the open file
// description, so two openings (two copies, or two threads of one) exclude
// each other.
class FolderLock final : public SharedFileLock {
public:
    explicit FolderLock(int descriptor) : descriptor_(descriptor) {}
    ~FolderLock() override { ::close(descriptor_); }

private:
    int descriptor_;
};

}  // namespace

std::unique_ptr<SharedFileLock> SharedFileLock::Acquire(const std::filesystem::path& file,
                                                        std::chrono::milliseconds patience) {
    // The folder of the file that is replaced (a link's target lives in its
    // own folder), so no lock file is ever created beside the user's files.
    std::error_code error;
    std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
    if (error) target = std::filesystem::absolute(file, error);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;

    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            return std::make_unique<FolderLock>(descriptor);
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= giveUp) {
            ::close(descriptor);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace kestrovane
