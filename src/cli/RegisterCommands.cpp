// reg read, write, dump and load: the Advanced dialog's register tools.
#include <cstdio>

#include "cli/FileReason.h"
#include "cli/CameraChoice.h"
#include "cli/CameraSelector.h"
#include "cli/Commands.h"
#include "registers/HexText.h"
#include "registers/RegisterDump.h"
#include "registers/RegisterFile.h"
#include "registers/RegisterTexts.h"
#include "registers/ReplacingTextFile.h"

namespace kestrovane::cli {

namespace {

using Action = RegisterRequest::Action;

std::string HexValue(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string_view KindName(RegisterKind kind) {
    return kind == RegisterKind::Chip ? "chip" : "sensor";
}

// A typed number as the dialog reads it: "%x", at most 0xFFFF.
std::optional<uint16_t> ParseNumber(Output& output, const std::string& typed,
                                    std::string_view what) {
    const std::optional<uint64_t> number = ParseHexText(typed);
    if (!number) {
        output.Error(NotHexNumberText(what, typed));
        return std::nullopt;
    }
    if (*number > kMaxRegisterNumber) {
        output.Error(NumberOutOfRangeText(what, typed));
        return std::nullopt;
    }
    return static_cast<uint16_t>(*number);
}

ExitCode FailureCode(int code) {
    return code == XU_NO_DEVICE ? ExitCode::NoCamera : ExitCode::Failed;
}

// The camera chosen and claimed, its link open and its level asked.
class RegisterCamera {
public:
    ExitCode Open(CliSession& session, const RegisterRequest& request, bool writing) {
        camera_ = ChooseCamera(session, request.camera);
        if (!camera_) return ExitCode::NoCamera;
        session.output.Document()["camera"] = camera_->path;
        const int opened = session_.Open({session.cameras, camera_->path});
        if (opened != XU_OK) {
            session.output.Error(RegisterFailureText(opened, request.kind, writing));
            return FailureCode(opened);
        }
        session.output.Document()["protocolLevel"] = session_.Level();
        return ExitCode::Done;
    }
    RegisterSession& Session() { return session_; }

private:
    std::optional<ChosenCamera> camera_;
    RegisterSession session_;
};

// The checks the dialog makes once the camera's level is known.
bool RefusedForLevel(Output& output, const RegisterSession& session, RegisterKind kind,
                     uint16_t address, const std::string& typed) {
    if (address > session.AddressLimit()) {
        output.Error(AddressAboveLegacyLimitText(typed));
        return true;
    }
    if (session.IsRefused(kind, address)) {
        output.Error(kRefusedSensorRegisterText);
        return true;
    }
    return false;
}

ExitCode ReadOne(CliSession& session, const RegisterRequest& request) {
    Output& output = session.output;
    const std::optional<uint16_t> address =
        ParseNumber(output, request.address, "register address");
    if (!address) return ExitCode::BadInput;
    RegisterCamera camera;
    if (const ExitCode opened = camera.Open(session, request, false); opened != ExitCode::Done) {
        return opened;
    }
    if (RefusedForLevel(output, camera.Session(), request.kind, *address, request.address)) {
        return ExitCode::BadInput;
    }
    uint16_t value = 0;
    if (const int code = camera.Session().Read(request.kind, *address, value); code != XU_OK) {
        output.Error(RegisterFailureText(code, request.kind, false));
        return FailureCode(code);
    }
    output.Line(HexValue(value));
    output.Document()["address"] = *address;
    output.Document()["value"] = value;
    output.Document()["valueHex"] = HexValue(value);
    return ExitCode::Done;
}

ExitCode WriteOne(CliSession& session, const RegisterRequest& request) {
    Output& output = session.output;
    const std::optional<uint16_t> address =
        ParseNumber(output, request.address, "register address");
    if (!address) return ExitCode::BadInput;
    const std::optional<uint16_t> value = ParseNumber(output, request.value, "register value");
    if (!value) return ExitCode::BadInput;
    if (RefuseToGuess(session, request.camera)) return ExitCode::BadInput;
    RegisterCamera camera;
    if (const ExitCode opened = camera.Open(session, request, true); opened != ExitCode::Done) {
        return opened;
    }
    if (RefusedForLevel(output, camera.Session(), request.kind, *address, request.address)) {
        return ExitCode::BadInput;
    }
    if (const int code = camera.Session().Write(request.kind, *address, *value); code != XU_OK) {
        output.Error(RegisterFailureText(code, request.kind, true));
        return FailureCode(code);
    }
    output.Document()["address"] = *address;
    output.Document()["value"] = *value;
    return ExitCode::Done;
}

ExitCode Dump(CliSession& session, const RegisterRequest& request) {
    Output& output = session.output;
    uint16_t start = 0;
    if (request.start) {
        if (request.kind == RegisterKind::Chip) {
            output.Error("--start is for sensor dumps; a chip dump covers 0x0000 to 0x00FF.");
            return ExitCode::BadInput;
        }
        const std::optional<uint16_t> parsed =
            ParseNumber(output, *request.start, "start register");
        if (!parsed) return ExitCode::BadInput;
        start = *parsed;
    }
    const bool toStandardOutput = request.file == "-";
    ReplacingTextFile file;
    if (!toStandardOutput && !file.Create(request.file)) {
        output.Error(kCannotCreateRegisterFileText);
        output.Hint("The file " + request.file + " cannot be written.");
        return ExitCode::BadInput;
    }
    RegisterCamera camera;
    if (const ExitCode opened = camera.Open(session, request, false); opened != ExitCode::Done) {
        return opened;
    }
    const std::optional<RegisterRange> range =
        DumpRange(request.kind, start, camera.Session().AddressLimit());
    if (!range) {
        output.Error(AddressAboveLegacyLimitText(*request.start));
        return ExitCode::BadInput;
    }
    // Standard output gets the lines only once the whole dump was read, so a
    // failed dump never looks like a short register set.
    std::vector<std::string> lines;
    const RegisterRunResult result = DumpRegisters(
        camera.Session(), request.kind, *range, [&](uint16_t address, uint16_t value) {
            const std::string line = FormatRegisterLine(address, value);
            if (toStandardOutput) {
                lines.push_back(line);
            } else {
                file.WriteLine(line);
            }
        });
    output.Document()["registers"] = result.done;
    output.Document()["first"] = range->first;
    output.Document()["last"] = range->last;
    if (result.code != XU_OK) {
        file.Discard();
        output.Error(RegisterFailureText(result.code, request.kind, false));
        char failed[64];
        std::snprintf(failed, sizeof failed,
                      "The read of register 0x%04X failed; nothing was saved.",
                      result.failedAddress);
        output.Hint(failed);
        return FailureCode(result.code);
    }
    if (toStandardOutput) {
        // The lines are the data; with --json they are its "lines".
        Json json = Json::array();
        for (const std::string& line : lines) {
            output.Line(line);
            json.push_back(line);
        }
        output.Document()["lines"] = json;
        return ExitCode::Done;
    }
    if (!file.Commit()) {
        output.Error("Writing the file failed: " + request.file);
        return ExitCode::Failed;
    }
    // The dialog's words, naming the file that was written.
    output.Notice(request.kind == RegisterKind::Chip
                      ? "ReadFile OK, file is saved to " + request.file + "!!"
                      : "ReadSensor OK, file is saved to " + request.file + "!!");
    return ExitCode::Done;
}

ExitCode Load(CliSession& session, const RegisterRequest& request) {
    Output& output = session.output;
    const std::optional<std::string> text = ReadRegisterFileText(request.file);
    if (!text) {
        output.Error(kCannotOpenRegisterFileText);
        output.Hint(CannotReadText("The file", request.file));
        return ExitCode::BadInput;
    }
    // The whole file is read before the first register is written.
    const ParsedRegisterFile parsed = ParseRegisterFile(*text);
    if (parsed.problem) {
        output.Error(RegisterFileProblemText(*parsed.problem));
        return ExitCode::BadInput;
    }
    output.Document()["passedOver"] = parsed.passedOver;
    for (const std::size_t line : parsed.passedOver) {
        output.Notice("Line " + std::to_string(line) +
                      " of the file holds no register (no \"0x\"); it is passed over.");
    }
    if (parsed.entries.empty()) {
        output.Error(kEmptyRegisterFileText);
        return ExitCode::BadInput;
    }
    if (RefuseToGuess(session, request.camera)) return ExitCode::BadInput;
    RegisterCamera camera;
    if (const ExitCode opened = camera.Open(session, request, true); opened != ExitCode::Done) {
        return opened;
    }
    if (const auto beyond = FirstEntryAbove(parsed.entries, camera.Session().AddressLimit())) {
        output.Error(EntryAboveLegacyLimitText(beyond->lineNumber));
        return ExitCode::BadInput;
    }
    const RegisterRunResult result =
        LoadRegisters(camera.Session(), request.kind, parsed.entries, session.clock);
    output.Document()["registers"] = result.done;
    if (result.code != XU_OK) {
        output.Error(RegisterFailureText(result.code, request.kind, true));
        output.Hint("Line " + std::to_string(result.failedLine) +
                    " failed; the registers of the lines before it were written.");
        output.Document()["failedLine"] = result.failedLine;
        return FailureCode(result.code);
    }
    if (result.done == 0) {
        output.Error(kNoRegisterWrittenText);
        return ExitCode::BadInput;
    }
    output.Notice(request.kind == RegisterKind::Chip
                      ? std::string("WriteFile OK, file is written to tovrine registers!!")
                      : "WriteFile OK, file is read from " + request.file + "!!");
    return ExitCode::Done;
}

}  // namespace

ExitCode RunRegister(CliSession& session, const RegisterRequest& request) {
    session.output.Document()["register"] = std::string(KindName(request.kind));
    switch (request.action) {
        case Action::Read:
            return ReadOne(session, request);
        case Action::Write:
            return WriteOne(session, request);
        case Action::Dump:
            return Dump(session, request);
        case Action::Load:
            break;
    }
    return Load(session, request);
}

}  // namespace kestrovane::cli
