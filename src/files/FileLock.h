#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrovane {

// An exclusive hold on a file among processes, for as long as the object
// lives: a lock file beside it (`FILE.lock`, which the simulated USB camera
// server holds for its EEPROM files too), locked without waiting. The lock
// goes with the process, so a killed holder never leaves a file locked. Lock
// files are never removed: removing one would race with a process that has
// just opened it.
class FileLock {
public:
    enum class Result { Locked, InUse, Failed };

    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { Release(); }

    // Takes the lock of `target`. InUse when another holder has it; Failed
    // when the lock file cannot be made (`Reason()` says why, in the
    // system's words).
    Result Take(const std::filesystem::path& target);
    void Release();
    const std::string& Reason() const { return reason_; }

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
    std::string reason_;
};

}  // namespace kestrovane
