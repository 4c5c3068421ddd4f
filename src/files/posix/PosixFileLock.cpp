#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/FileLock.h"

namespace kestrovane {

FileLock::Result FileLock::Take(const std::filesystem::path& target) {
    Release();
    std::filesystem::path lockPath = target;
    lockPath += ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        reason_ = std::strerror(error);
        return error == EWOULDBLOCK ? Result::InUse : Result::Failed;
    }
    handle_ = fd;
    reason_.clear();
    return Result::Locked;
}

void FileLock::Release() {
    if (handle_ == kNoHandle) return;
    ::close(static_cast<int>(handle_));
    handle_ = kNoHandle;
}

}  // namespace kestrovane
