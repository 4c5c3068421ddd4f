#pragma once

#include <string>

namespace kestrovane {

// Where the running program is stored.
class ProgramPath {
public:
    virtual ~ProgramPath() = default;
    // The program file's full path (UTF-8).
    virtual std::string FullPath() const = 0;
};

}  // namespace kestrovane
