// One record appended with O_APPEND: the kernel moves to the end and writes
// under the file's lock, so concurrent appenders never interleave.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/AppendedRecord.h"

namespace kestrovane {

bool AppendRecord(const std::filesystem::path& target, std::string_view record, std::string& why) {
    const int file = open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) {
        why = std::strerror(errno);
        return false;
    }
    ssize_t written = -1;
    do {
        written = write(file, record.data(), record.size());
    } while (written < 0 && errno == EINTR);
    bool ok = written == static_cast<ssize_t>(record.size());
    if (!ok) why = written < 0 ? std::strerror(errno) : "the record was written only in part";
    if (ok && fsync(file) != 0) {
        why = std::strerror(errno);
        ok = false;
    }
    close(file);
    return ok;
}

}  // namespace kestrovane
