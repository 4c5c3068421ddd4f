#include "cli/ProgressBoard.h"

#include <algorithm>
#include <cstdio>

namespace kestrovane::cli {

namespace {

// A redrawn line is drawn at most this often, so a fast run does not flood
// a slow terminal.
constexpr uint64_t kRedrawPauseMs = 100;

std::string BytesPerSecond(double rate) {
    char text[32];
    if (rate >= 1024.0 * 1024.0) {
        std::snprintf(text, sizeof text, "%.1f MiB/s", rate / (1024.0 * 1024.0));
    } else if (rate >= 1024.0) {
        std::snprintf(text, sizeof text, "%.1f KiB/s", rate / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f B/s", rate);
    }
    return text;
}

}  // namespace

int ProgressBoard::Begin(std::string label, std::size_t total, std::size_t unitBytes,
                         std::string unitName) {
    Task task;
    task.label = std::move(label);
    task.total = total;
    task.unitBytes = std::max<std::size_t>(unitBytes, 1);
    task.unitName = std::move(unitName);
    task.startedMs = clock_.NowMs();
    tasks_.push_back(std::move(task));
    return static_cast<int>(tasks_.size() - 1);
}

void ProgressBoard::Advance(int task, std::size_t done) {
    if (task < 0 || static_cast<std::size_t>(task) >= tasks_.size()) return;
    Task& advanced = tasks_[static_cast<std::size_t>(task)];
    if (!advanced.active) return;
    advanced.done = std::min(done, advanced.total);
    if (style_ == Style::Lines) {
        WriteLines(advanced);
        return;
    }
    if (style_ != Style::Redrawn) return;
    const uint64_t now = clock_.NowMs();
    if (drawnOnce_ && advanced.done < advanced.total && now - lastDrawMs_ < kRedrawPauseMs) return;
    lastDrawMs_ = now;
    drawnOnce_ = true;
    Draw();
}

void ProgressBoard::End(int task) {
    if (task < 0 || static_cast<std::size_t>(task) >= tasks_.size()) return;
    tasks_[static_cast<std::size_t>(task)].active = false;
    if (style_ != Style::Redrawn) return;
    Clear();
    if (std::any_of(tasks_.begin(), tasks_.end(), [](const Task& t) { return t.active; })) Draw();
}

void ProgressBoard::Clear() {
    if (drawnWidth_ == 0) return;
    stream_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
    drawnWidth_ = 0;
}

std::string ProgressBoard::Rate(const Task& task) const {
    const uint64_t elapsedMs = clock_.NowMs() - task.startedMs;
    if (elapsedMs == 0 || task.done == 0) return {};
    return BytesPerSecond(static_cast<double>(task.done * task.unitBytes) * 1000.0 /
                          static_cast<double>(elapsedMs));
}

std::string ProgressBoard::TimeLeft(const Task& task) const {
    const uint64_t elapsedMs = clock_.NowMs() - task.startedMs;
    if (elapsedMs == 0 || task.done == 0) return {};
    const double msPerUnit = static_cast<double>(elapsedMs) / static_cast<double>(task.done);
    const auto seconds = static_cast<uint64_t>(
        msPerUnit * static_cast<double>(task.total - task.done) / 1000.0 + 0.5);
    return std::to_string(seconds) + " s left";
}

// One line for all the active tasks: a single task with its rate and time
// left; several with each one's count, their summed rate and the longest
// time left.
void ProgressBoard::Draw() {
    std::vector<const Task*> active;
    for (const Task& task : tasks_) {
        if (task.active) active.push_back(&task);
    }
    if (active.empty()) return;
    std::string line;
    if (active.size() == 1) {
        const Task& task = *active.front();
        line = task.label + ": " + std::to_string(task.done) + "/" + std::to_string(task.total) +
               " " + task.unitName;
        if (const std::string rate = Rate(task); !rate.empty()) line += "  " + rate;
        if (const std::string left = TimeLeft(task); !left.empty()) line += "  " + left;
    } else {
        line = std::to_string(active.size());
        line += " cameras:";
        double bytesPerSecond = 0;
        uint64_t longestLeftMs = 0;
        bool timed = false;
        for (const Task* task : active) {
            line.append(" ").append(std::to_string(task->done));
            line.append("/").append(std::to_string(task->total));
            const uint64_t elapsedMs = clock_.NowMs() - task->startedMs;
            if (elapsedMs == 0 || task->done == 0) continue;
            timed = true;
            bytesPerSecond += static_cast<double>(task->done * task->unitBytes) * 1000.0 /
                              static_cast<double>(elapsedMs);
            const double msPerUnit =
                static_cast<double>(elapsedMs) / static_cast<double>(task->done);
            longestLeftMs = std::max<uint64_t>(
                longestLeftMs,
                static_cast<uint64_t>(msPerUnit * static_cast<double>(task->total - task->done)));
        }
        line += " " + active.front()->unitName;
        if (timed) {
            line += "  " + BytesPerSecond(bytesPerSecond) + "  " +
                    std::to_string((longestLeftMs + 500) / 1000) + " s left";
        }
    }
    const std::size_t width = line.size();
    if (width < drawnWidth_) line += std::string(drawnWidth_ - width, ' ');
    stream_ << '\r' << line << std::flush;
    drawnWidth_ = std::max(width, drawnWidth_);
}

// A line for each tenth the task has newly passed (only the highest when it
// passed several at once), so a log shows ten lines per task.
void ProgressBoard::WriteLines(Task& task) {
    if (task.total == 0) return;
    const int tenths = static_cast<int>(task.done * 10 / task.total);
    if (tenths <= task.tenthsShown) return;
    task.tenthsShown = tenths;
    std::string line = task.label + ": " + std::to_string(tenths * 10) + "% (" +
                       std::to_string(task.done) + "/" + std::to_string(task.total) + " " +
                       task.unitName;
    if (const std::string rate = Rate(task); !rate.empty()) line += ", " + rate;
    if (task.done < task.total) {
        if (const std::string left = TimeLeft(task); !left.empty()) line += ", " + left;
    }
    stream_ << line << ")\n" << std::flush;
}

}  // namespace kestrovane::cli
