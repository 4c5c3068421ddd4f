#include "registers/ReplacingTextFile.h"
#include "files/Utf8Path.h"

namespace kestrovane {

namespace {

// A text file's line end on the platform, as a file written in text mode has it.
#ifdef _WIN32
constexpr std::string_view kLineEnd = "\r\n";
#else
constexpr std::string_view kLineEnd = "\n";
#endif

// Lines are handed to the file in pieces of about this size.
constexpr std::size_t kPendingLimit = 64 * 1024;

}  // namespace

bool ReplacingTextFile::Create(const std::string& targetPath) {
    Discard();
    if (targetPath.empty()) return false;
    return replacement_.Begin(PathFromUtf8(targetPath));
}

void ReplacingTextFile::WriteLine(std::string_view line) {
    if (!replacement_.Active()) return;
    pending_ += line;
    pending_ += kLineEnd;
    if (pending_.size() >= kPendingLimit) {
        replacement_.Write(pending_);
        pending_.clear();
    }
}

bool ReplacingTextFile::Commit() {
    if (!replacement_.Active()) return false;
    replacement_.Write(pending_);  // a failed write fails the commit
    pending_.clear();
    return replacement_.Commit();
}

void ReplacingTextFile::Discard() {
    pending_.clear();
    replacement_.Discard();
}

}  // namespace kestrovane
