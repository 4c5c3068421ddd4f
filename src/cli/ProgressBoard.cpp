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

// The number in a task's label ("camera 12" gives 12); 0 when there is none.
std::size_t PlaceNumber(const std::string& label) {
    const std::size_t digit = label.find_first_of("0123456789");
    if (digit == std::string::npos) return 0;
    std::size_t number = 0;
    for (std::size_t k = digit; k < label.size() && label[k] >= '0' && label[k] <= '9'; ++k) {
        number = number * 10 + static_cast<std::size_t>(label[k] - '0');
    }
    return number;
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
    // Two columns more where the terminal has them: the "^C" a terminal
    // echoes after the line goes too.
    const std::size_t cleared = std::min(drawnWidth_ + 2, Width());
    stream_ << '\r' << std::string(std::max(cleared, drawnWidth_), ' ') << '\r' << std::flush;
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

std::size_t ProgressBoard::Width() const {
    std::size_t columns = columns_ ? columns_() : 0;
    if (columns == 0) columns = 80;
    // The last column is left free: a line that fills it wraps on some
    // terminals, and a wrapped line cannot be redrawn in place.
    return std::max<std::size_t>(columns, 2) - 1;
}

std::string ProgressBoard::SingleLine(const Task& task) const {
    std::string line = task.label + ": " + std::to_string(task.done) + "/" +
                       std::to_string(task.total) + " " + task.unitName;
    if (const std::string rate = Rate(task); !rate.empty()) line += "  " + rate;
    if (const std::string left = TimeLeft(task); !left.empty()) line += "  " + left;
    return line;
}

// One entry per task, each named by its label: `narrowing` 0 gives each
// count with its label ("camera 2: 12/256"), 1 a short label ("#2 12/256"),
// 2 the same without the rate and time left, 3 percentages ("#2 5%").
std::string ProgressBoard::PlacesLine(const std::vector<const Task*>& shown, int narrowing) const {
    std::string line;
    double bytesPerSecond = 0;
    uint64_t longestLeftMs = 0;
    bool timed = false;
    std::size_t activeCount = 0;
    for (const Task* task : shown) {
        if (!line.empty()) line += narrowing == 0 ? ", " : " ";
        std::string label = task->label;
        if (narrowing > 0 && label.rfind("camera ", 0) == 0) label = "#" + label.substr(7);
        line += label + (narrowing == 0 ? ": " : " ");
        if (narrowing >= 3) {
            line += std::to_string(task->total ? task->done * 100 / task->total : 100) + "%";
        } else {
            line += std::to_string(task->done) + "/" + std::to_string(task->total);
        }
        if (!task->active) continue;
        ++activeCount;
        const uint64_t elapsedMs = clock_.NowMs() - task->startedMs;
        if (elapsedMs == 0 || task->done == 0) continue;
        timed = true;
        bytesPerSecond += static_cast<double>(task->done * task->unitBytes) * 1000.0 /
                          static_cast<double>(elapsedMs);
        const double msPerUnit = static_cast<double>(elapsedMs) / static_cast<double>(task->done);
        longestLeftMs = std::max<uint64_t>(
            longestLeftMs,
            static_cast<uint64_t>(msPerUnit * static_cast<double>(task->total - task->done)));
    }
    if (narrowing < 3) line += " " + shown.front()->unitName;
    if (timed && narrowing < 2 && activeCount > 0) {
        line += "  " + BytesPerSecond(bytesPerSecond) + "  " +
                std::to_string((longestLeftMs + 500) / 1000) + " s left";
    }
    return line;
}

// One line for the tasks: a single task with its rate and time left; several
// with each one's count named by its camera, their summed rate and the
// longest time left, narrowed down until it fits the terminal.
void ProgressBoard::Draw() {
    std::vector<const Task*> shown;
    for (const Task& task : tasks_) {
        if (task.active || keepPlaces_) shown.push_back(&task);
    }
    if (std::none_of(shown.begin(), shown.end(), [](const Task* t) { return t->active; })) return;
    // Each camera in the order of its number ("camera 2", "camera 2 read
    // back"), whatever order their threads began in.
    if (keepPlaces_) {
        std::stable_sort(shown.begin(), shown.end(), [](const Task* a, const Task* b) {
            return PlaceNumber(a->label) < PlaceNumber(b->label);
        });
    }
    const std::size_t width = Width();
    std::string line;
    if (shown.size() == 1) {
        line = SingleLine(*shown.front());
    } else {
        for (int narrowing = 0; narrowing <= 3; ++narrowing) {
            line = PlacesLine(shown, narrowing);
            if (line.size() <= width) break;
        }
    }
    if (line.size() > width) line.resize(width);  // the last resort: cut at the edge
    const std::size_t length = line.size();
    if (length < drawnWidth_) line += std::string(drawnWidth_ - length, ' ');
    stream_ << '\r' << line << std::flush;
    drawnWidth_ = std::max(length, drawnWidth_);
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
