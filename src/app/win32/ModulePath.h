#pragma once

#include <windows.h>

#include <string>

#include "app/ProgramPath.h"

namespace kestrovane::win32 {

// The full path of a loaded module (nullptr: the program), however long.
std::wstring ModulePath(HMODULE module);

// The program file's name without folder and extension: the application's
// name, shown by message boxes that have no caption of their own.
std::wstring ApplicationName();

class Win32ProgramPath final : public ProgramPath {
public:
    std::string FullPath() const override;
};

}  // namespace kestrovane::win32
