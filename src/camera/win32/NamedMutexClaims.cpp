#include "camera/win32/NamedMutexClaims.h"

#include <windows.h>

#include <cstdio>

#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

namespace {

class MutexClaim final : public CameraClaim {
public:
    explicit MutexClaim(HANDLE handle) : handle_(handle) {}
    ~MutexClaim() override { CloseHandle(handle_); }

private:
    HANDLE handle_;
};

}  // namespace

std::string ClaimObjectName(const std::string& cameraPath) {
    // Object names cannot hold backslashes and are limited in length, so the
    // path is reduced to a 64-bit FNV-1a digest.
    uint64_t digest = 0xCBF29CE484222325ull;
    for (unsigned char c : cameraPath) {
        digest ^= c;
        digest *= 0x100000001B3ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\Kestrovane.Camera.%016llx",
                  static_cast<unsigned long long>(digest));
    return name;
}

std::unique_ptr<CameraClaim> NamedMutexClaims::TryClaim(const std::string& cameraPath) {
    const std::wstring name = WideFromUtf8(ClaimObjectName(cameraPath));
    HANDLE handle = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!handle) return nullptr;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<MutexClaim>(handle);
}

}  // namespace kestrovane::win32
