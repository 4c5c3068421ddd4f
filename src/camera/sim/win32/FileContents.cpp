#include "camera/sim/win32/FileContents.h"

#include <windows.h>

#include <filesystem>

#include "files/FileReplacement.h"

namespace kestrovane::simcam {

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
    return ReplaceFileContents(std::filesystem::path(path), bytes, Durability::Ordered);
}

}  // namespace kestrovane::simcam
