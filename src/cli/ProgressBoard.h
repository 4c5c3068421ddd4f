#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "camera/Clock.h"

namespace kestrovane::cli {

// Progress of long work (blocks of an upload, bytes read back), one task per
// camera: on a terminal one line redrawn in place (done of total, bytes per
// second, time left); off a terminal a line each time a task passes another
// tenth; nothing at all when nobody wants it. A redrawn line never reaches
// the terminal's last column (a line that wraps cannot be redrawn in place):
// it narrows down as the width asks. Not thread-safe: its owner serialises
// the calls.
class ProgressBoard {
public:
    enum class Style { None, Redrawn, Lines };

    // `columns` tells the terminal's width (0 when unknown: 80 is assumed).
    ProgressBoard(std::ostream& stream, Style style, Clock& clock,
                  std::function<std::size_t()> columns = {})
        : stream_(stream), style_(style), clock_(clock), columns_(std::move(columns)) {}

    // Several cameras at once: every task keeps its place on the line, in the
    // order the tasks began, also once it has ended, so a camera's count
    // never moves.
    void KeepPlaces() { keepPlaces_ = true; }

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
    std::string SingleLine(const Task& task) const;
    std::string PlacesLine(const std::vector<const Task*>& shown, int narrowing) const;
    std::size_t Width() const;
    void WriteLines(Task& task);
    std::string Rate(const Task& task) const;
    std::string TimeLeft(const Task& task) const;

    std::ostream& stream_;
    Style style_;
    Clock& clock_;
    std::function<std::size_t()> columns_;
    bool keepPlaces_ = false;
    std::vector<Task> tasks_;
    std::size_t drawnWidth_ = 0;
    uint64_t lastDrawMs_ = 0;
    bool drawnOnce_ = false;
};

}  // namespace kestrovane::cli
