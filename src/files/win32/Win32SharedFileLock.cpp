#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <string>

#include "files/SharedFileLock.h"

namespace kestrovane {

namespace {

class MutexLock final : public SharedFileLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
    ~MutexLock() override {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
};

// Object names cannot hold backslashes and are limited in length: the full
// path, lower-cased as the file system compares names, becomes a 64-bit
// FNV-1a digest.
std::wstring LockObjectName(const std::filesystem::path& file) {
    std::error_code error;
    std::wstring path = std::filesystem::absolute(file, error).wstring();
    if (error) path = file.wstring();
    uint64_t digest = 0xCBF29CE484222325ull;
    for (wchar_t c : path) {
        const auto lowered = static_cast<uint16_t>(std::towlower(static_cast<wint_t>(c)));
        for (uint8_t byte :
             {static_cast<uint8_t>(lowered & 0xFF), static_cast<uint8_t>(lowered >> 8)}) {
            digest ^= byte;
            digest *= 0x100000001B3ull;
        }
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\Kestrovane.File.%016llx",
                  static_cast<unsigned long long>(digest));
    return name;
}

}  // namespace

std::unique_ptr<SharedFileLock> SharedFileLock::Acquire(const std::filesystem::path& file,
                                                        std::chrono::milliseconds patience) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, LockObjectName(file).c_str());
    if (mutex == nullptr) return nullptr;
    const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(patience.count()));
    // An abandoned mutex is ours too: its holder ended without releasing it,
    // and the file it was replacing is whole either way.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        return std::make_unique<MutexLock>(mutex);
    }
    CloseHandle(mutex);
    return nullptr;
}

}  // namespace kestrovane
