#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

namespace kestrovane {

// A lock that every process takes before it reads a file and replaces it, so
// that two copies of the program never both read the old contents and one of
// them overwrites what the other has just stored. It locks the file's name,
// not the file: a replacement puts a new file in the old one's place.
// Linux: an exclusive flock on the folder that holds the file; Windows: a
// named mutex derived from the file's full path (letter case ignored).
class SharedFileLock {
public:
    virtual ~SharedFileLock() = default;

    // Waits up to `patience` until this process holds the lock for `file`.
    // None when it could not be had (another process kept it for longer, or
    // the system refused the lock); the caller then decides to go on without
    // it or not. Released when the returned object is destroyed, on the
    // thread that took it.
    static std::unique_ptr<SharedFileLock> Acquire(const std::filesystem::path& file,
                                                   std::chrono::milliseconds patience);
};

}  // namespace kestrovane
