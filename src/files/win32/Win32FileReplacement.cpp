// Replacement through a temporary file on Windows: CreateFileW with
// CREATE_NEW under a fresh name, FlushFileBuffers, MoveFileExW.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#include "files/FileReplacement.h"

namespace kestrovane {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;
// Another process's open handle (a reader, a virus scanner) can hold a rename
// up for a moment.
constexpr int kRenameAttempts = 50;
constexpr DWORD kRenameRetryMs = 10;

HANDLE HandleOf(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The file a replacement of `target` replaces: the target, or for a symbolic
// link (a reparse point) the file it leads to. Nothing when the target is a
// folder, or a link that leads nowhere.
std::optional<fs::path> ReplacedFileOf(const fs::path& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return target;  // a new file
        return std::nullopt;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return target;
    const HANDLE file =
        CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<wchar_t> path(32768);
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(),
                                                   static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (length == 0 || length >= path.size()) return std::nullopt;
    const fs::path replaced(std::wstring(path.data(), length));
    const DWORD finalAttributes = GetFileAttributesW(replaced.c_str());
    if (finalAttributes == INVALID_FILE_ATTRIBUTES ||
        (finalAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return replaced;
}

fs::path TemporaryName(const fs::path& replaced) {
    static std::atomic<unsigned> sequence{0};
    static thread_local std::mt19937_64 random(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(GetCurrentThreadId()) << 32));
    wchar_t suffix[64];
    std::swprintf(suffix, 64, L".%lu-%u-%08llx.tmp", GetCurrentProcessId(), sequence.fetch_add(1),
                  static_cast<unsigned long long>(random() & 0xFFFFFFFF));
    fs::path name = replaced;
    name += suffix;
    return name;
}

}  // namespace

bool FileReplacement::Begin(const fs::path& target, Durability durability) {
    Discard();
    if (target.empty()) return false;
    const std::optional<fs::path> replaced = ReplacedFileOf(target);
    if (!replaced) return false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path temporary = TemporaryName(*replaced);
        // Shared for reading and writing, so that a writer given the
        // temporary path can open it while the replacement holds it.
        const HANDLE file =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        handle_ = reinterpret_cast<intptr_t>(file);
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
    while (!bytes.empty() && !writeFailed_) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        DWORD done = 0;
        if (!WriteFile(HandleOf(handle_), bytes.data(), chunk, &done, nullptr) || done == 0) {
            writeFailed_ = true;
            break;
        }
        bytes = bytes.subspan(done);
    }
    return !writeFailed_;
}

bool FileReplacement::Commit() {
    if (!Active()) return false;
    bool ok = !writeFailed_;
    if (ok && durability_ == Durability::Flushed) ok = FlushFileBuffers(HandleOf(handle_)) != 0;
    ok = CloseHandle(HandleOf(handle_)) != 0 && ok;
    handle_ = kNoHandle;
    if (ok) {
        const DWORD flags = MOVEFILE_REPLACE_EXISTING |
                            (durability_ == Durability::Flushed ? MOVEFILE_WRITE_THROUGH : 0);
        ok = false;
        for (int attempt = 0; attempt < kRenameAttempts && !ok; ++attempt) {
            if (MoveFileExW(temporary_.c_str(), replaced_.c_str(), flags)) {
                ok = true;
                break;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
            Sleep(kRenameRetryMs);
        }
    }
    if (!ok) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void FileReplacement::Discard() {
    if (Active()) CloseHandle(HandleOf(handle_));
    handle_ = kNoHandle;
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
    writeFailed_ = false;
}

}  // namespace kestrovane
