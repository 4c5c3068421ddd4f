#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace kestrovane::cli {

// The terminal as the command line sees it; the platform part fills it in.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    bool inIsTerminal = false;
    // One line typed on standard input (an answer to a question); none at its
    // end or when reading was interrupted.
    std::function<std::optional<std::string>()> readLine;
    // Set to 1 by Ctrl+C: a run stops at the top of its next block.
    std::atomic<int32_t>& stopRequested;
    // The terminal's width in columns, asked each time a line is drawn (it may
    // change); 0 or none when unknown.
    std::function<std::size_t()> columns = {};
};

}  // namespace kestrovane::cli
