#include "cli/Output.h"

#include "cli/DocumentShape.h"
#include "cli/TerminalText.h"

namespace kestrovane::cli {

namespace {

ProgressBoard::Style ProgressStyle(const Console& console, bool json, bool quiet) {
    if (json || quiet) return ProgressBoard::Style::None;
    return console.errIsTerminal ? ProgressBoard::Style::Redrawn : ProgressBoard::Style::Lines;
}

}  // namespace

Output::Output(Console& console, Clock& clock, bool json, bool quiet)
    : console_(console),
      json_(json),
      quiet_(quiet),
      progress_(console.err, ProgressStyle(console, json, quiet), clock, console.columns) {}

void Output::Line(std::string_view text) {
    if (json_) return;
    std::lock_guard lock(mutex_);
    if (console_.outIsTerminal) progress_.Clear();
    console_.out << TerminalSafeLines(text) << '\n' << std::flush;
}

void Output::Notice(std::string_view text) {
    if (json_ || quiet_) return;
    ToError(text);
}

void Output::Error(std::string_view text) {
    {
        std::lock_guard lock(mutex_);
        if (!firstError_) firstError_ = std::string(text);
    }
    ToError(text);
}

void Output::Hint(std::string_view text) {
    ToError(text);
}

void Output::Trace(std::string_view text) {
    ToError(text);
}

void Output::Ask(std::string_view question) {
    std::lock_guard lock(mutex_);
    progress_.Clear();
    console_.err << TerminalSafeLines(question) << std::flush;
}

void Output::ToError(std::string_view text) {
    std::lock_guard lock(mutex_);
    progress_.Clear();
    // A terminal echoes Ctrl+C as "^C" where the cursor stands: the first
    // message after a stop request starts by taking it off the line.
    if (console_.errIsTerminal && !interruptEchoCleared_ && console_.stopRequested.load() != 0) {
        console_.err << "\r  \r";
        interruptEchoCleared_ = true;
    }
    console_.err << TerminalSafeLines(text) << '\n' << std::flush;
}

int Output::BeginProgress(std::string label, std::size_t total, std::size_t unitBytes,
                          std::string unitName) {
    std::lock_guard lock(mutex_);
    return progress_.Begin(std::move(label), total, unitBytes, std::move(unitName));
}

void Output::AdvanceProgress(int task, std::size_t done) {
    std::lock_guard lock(mutex_);
    progress_.Advance(task, done);
}

void Output::EndProgress(int task) {
    std::lock_guard lock(mutex_);
    progress_.End(task);
}

void Output::KeepProgressPlaces() {
    std::lock_guard lock(mutex_);
    progress_.KeepPlaces();
}

void Output::Finish(std::string_view command, ExitCode code) {
    std::lock_guard lock(mutex_);
    progress_.Clear();
    if (!json_) return;
    Json document = Json::object();
    document["command"] = std::string(command);
    document["exitCode"] = ToInt(code);
    document["error"] = firstError_ ? Json(*firstError_) : Json(nullptr);
    const Json shaped = Shaped(document_, shape_ ? std::string_view(*shape_) : command);
    for (auto& [key, value] : shaped.items()) document[key] = value;
    // Texts taken from files and cameras need not be UTF-8; they are shown
    // with the replacement character rather than ending the run.
    console_.out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n'
                 << std::flush;
}

}  // namespace kestrovane::cli
