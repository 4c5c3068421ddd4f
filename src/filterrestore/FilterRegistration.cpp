#include "filterrestore/FilterRegistration.h"

namespace kestrovane {

std::string JoinKeyPath(std::string_view head, std::string_view tail) {
    while (!head.empty() && head.back() == '\\') head.remove_suffix(1);
    while (!tail.empty() && tail.front() == '\\') tail.remove_prefix(1);
    if (head.empty()) return std::string(tail);
    if (tail.empty()) return std::string(head);
    std::string path;
    path.reserve(head.size() + 1 + tail.size());
    path.append(head).append(1, '\\').append(tail);
    return path;
}

std::string FilterKeyPath() {
    return JoinKeyPath(kFilterCategoryInstancePiece, kMjpegDecompressorPiece);
}

}  // namespace kestrovane
