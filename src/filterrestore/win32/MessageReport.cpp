#include "filterrestore/win32/MessageReport.h"

#include <windows.h>

namespace kestrovane {

void ShowUserMessage(const UserMessage& message) {
    const UINT style = MB_OK | (message.isError ? MB_ICONERROR : 0u);
    MessageBoxA(nullptr, message.text.c_str(), message.caption.c_str(), style);
}

}  // namespace kestrovane
