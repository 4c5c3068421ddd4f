// One record appended through a handle opened with FILE_APPEND_DATA only: the
// system moves every write to the end of the file, so concurrent appenders
// never overwrite one another.
#include <windows.h>

#include "files/AppendedRecord.h"
#include "files/win32/Win32SystemText.h"

namespace kestrovane {

bool AppendRecord(const std::filesystem::path& target, std::string_view record, std::string& why) {
    const HANDLE file = CreateFileW(target.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = SystemErrorText(GetLastError());
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written,
                        nullptr) != 0;
    if (!ok) {
        why = SystemErrorText(GetLastError());
    } else if (written != record.size()) {
        why = "the record was written only in part";
        ok = false;
    }
    if (ok && !FlushFileBuffers(file)) {
        why = SystemErrorText(GetLastError());
        ok = false;
    }
    CloseHandle(file);
    return ok;
}

}  // namespace kestrovane
