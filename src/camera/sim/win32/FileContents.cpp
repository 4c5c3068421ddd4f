#include "camera/sim/win32/FileContents.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace kestrovane::simcam {

namespace {

constexpr int kRenameAttempts = 50;
constexpr DWORD kRenameRetryMs = 10;

// A temporary name no other process or thread uses at the same time.
std::wstring TemporaryPath(const std::wstring& path) {
    static std::atomic<unsigned> sequence{0};
    return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(sequence.fetch_add(1)) + L".tmp";
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1 << 20));
        DWORD done = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<uint8_t> bytes;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart < (1ll << 30);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD got = 0;
            ok = ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                          nullptr) &&
                 got > 0;
            done += got;
        }
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WriteFileAtomically(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    const std::wstring temporary = TemporaryPath(path);
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteAll(file, bytes);
    CloseHandle(file);
    if (written) {
        for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
            if (MoveFileExW(temporary.c_str(), path.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                return true;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
            Sleep(kRenameRetryMs);
        }
    }
    DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace kestrovane::simcam
