#include <windows.h>

#include <string>

#include "files/FileLock.h"
#include "files/win32/Win32SystemText.h"

namespace kestrovane {

FileLock::Result FileLock::Take(const std::filesystem::path& target) {
    Release();
    std::filesystem::path lockPath = target;
    lockPath += L".lock";
    // No sharing: a second open fails while this handle lives, and the
    // system closes it with the process.
    const HANDLE handle = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        reason_ = SystemErrorText(error);
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Result::InUse
                                                                                 : Result::Failed;
    }
    handle_ = reinterpret_cast<intptr_t>(handle);
    reason_.clear();
    return Result::Locked;
}

void FileLock::Release() {
    if (handle_ == kNoHandle) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNoHandle;
}

}  // namespace kestrovane
