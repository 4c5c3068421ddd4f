#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "camera/Clock.h"

namespace kestrovane::cli {

// Progress of long work (blocks of an upload, bytes read back), one task per
// camera: on a terminal one line redrawn in place (done of total, bytes per
// second, time left); off a terminal a line each time a task passes another
// tenth; nothing at all when nobody wants it. Not thread-safe: its owner
// serialises the calls.
class ProgressBoard {
public:
    enum class Style { None, Redrawn, Lines };

    ProgressBoard(std::ostream& stream, Style style, Clock& clock)
        : stream_(stream), style_(style), clock_(clock) {}

    // A task of `total` units (`unitName`, `unitBytes` bytes each). Returns its number.
    int Begin(std::string label, std::size_t total, std::size_t unitBytes, std::string unitName);
    void Advance(int task, std::size_t done);
    // The task is over; its part of the redrawn line goes.
    void End(int task);
    // Takes a redrawn line off the screen so that a message can be written;
    // the next advance draws it again.
    void Clear();

private:
    struct Task {
        std::string label;
        std::size_t total = 0;
        std::size_t done = 0;
        std::size_t unitBytes = 1;
        std::string unitName;
        uint64_t startedMs = 0;
        int tenthsShown = 0;
        bool active = true;
    };

    void Draw();
    void WriteLines(Task& task);
    std::string Rate(const Task& task) const;
    std::string TimeLeft(const Task& task) const;

    std::ostream& stream_;
    Style style_;
    Clock& clock_;
    std::vector<Task> tasks_;
    std::size_t drawnWidth_ = 0;
    uint64_t lastDrawMs_ = 0;
    bool drawnOnce_ = false;
};

}  // namespace kestrovane::cli
