// The parts of a replacement that need no platform call.
#include "files/FileReplacement.h"

namespace kestrovane {

bool FileReplacement::Write(std::string_view text) {
    return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         Durability durability) {
    FileReplacement replacement;
    return replacement.Begin(target, durability) && replacement.Write(bytes) &&
           replacement.Commit();
}

}  // namespace kestrovane
