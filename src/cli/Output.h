#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "camera/Clock.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ProgressBoard.h"

namespace kestrovane::cli {

// JSON documents keep their fields in the order they were written.
using Json = nlohmann::ordered_json;

// Where a run's words go. Standard output carries what the user asked for
// (the device list, versions, register values, image fields, one result line
// per camera), or with --json nothing but one JSON document at the end.
// Standard error carries what happened, in the dialog's words where it has
// them, and what went wrong; --quiet and --json keep only the errors there.
// Progress goes to standard error too, and only when text is wanted. Every
// call may come from any thread.
class Output {
public:
    Output(Console& console, Clock& clock, bool json, bool quiet);

    // A line of the data asked for (text mode only).
    void Line(std::string_view text);
    // An event: a notice of the run's course or its good end.
    void Notice(std::string_view text);
    // What went wrong; the first error is also the JSON document's "error".
    void Error(std::string_view text);
    // What the user can do about the error just reported.
    void Hint(std::string_view text);
    // --verbose: the requests and the adapters' failures.
    void Trace(std::string_view text);
    // A question on a terminal (erase); the answer is read by the caller.
    void Ask(std::string_view question);

    int BeginProgress(std::string label, std::size_t total, std::size_t unitBytes,
                      std::string unitName);
    void AdvanceProgress(int task, std::size_t done);
    void EndProgress(int task);
    // Several cameras at once: each keeps its place on the progress line.
    void KeepProgressPlaces();

    bool JsonWanted() const { return json_; }
    // The run's JSON document; fill it from one thread at a time.
    Json& Document() { return document_; }

    // The document's fields are those of `shape` rather than of the
    // command's name (`upload --all`).
    void UseDocumentShape(std::string shape) { shape_ = std::move(shape); }

    // Writes the JSON document (with --json), naming the command and the exit
    // code, with every field its shape documents (null when absent).
    void Finish(std::string_view command, ExitCode code);

private:
    void ToError(std::string_view text);

    Console& console_;
    const bool json_;
    const bool quiet_;
    std::mutex mutex_;
    ProgressBoard progress_;
    Json document_ = Json::object();
    std::optional<std::string> firstError_;
    std::optional<std::string> shape_;
    bool interruptEchoCleared_ = false;
};

}  // namespace kestrovane::cli
