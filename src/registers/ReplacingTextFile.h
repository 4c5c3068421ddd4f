#pragma once

#include <string>
#include <string_view>

#include "files/FileReplacement.h"

namespace kestrovane {

// A text file written beside its target and put in the target's place only
// when it is complete: a dump that fails half-way, or a disk that fills up,
// leaves the file that was there before as it was. The file is written
// through a FileReplacement: its temporary file has a name of its own, and
// no other file beside the target is ever touched.
class ReplacingTextFile {
public:
    // Creates the temporary file beside `targetPath` (UTF-8). False when it
    // cannot be created (no such folder, no right to write there, an empty
    // path, a folder of that name).
    bool Create(const std::string& targetPath);

    // Appends one line with the platform's line end (CR LF on Windows).
    void WriteLine(std::string_view line);

    // Puts the complete file in the target's place. False when a write, the
    // flush or the replacement failed; the target is then as it was and the
    // temporary file is gone.
    bool Commit();

    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    FileReplacement replacement_;
    std::string pending_;  // lines not yet handed to the file
};

}  // namespace kestrovane
