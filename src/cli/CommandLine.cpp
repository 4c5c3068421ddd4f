#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <optional>

#include "cli/Commands.h"
#include "cli/EepromBackup.h"
#include "cli/OperationLogging.h"
#include "cli/ImageFields.h"
#include "cli/ImageNames.h"
#include "cli/SimulatedCameras.h"
#include "cli/SubcommandNames.h"
#include "cli/TerminalText.h"
#include "cli/TracingCameraPort.h"
#include "cli/TracingDeviceInstaller.h"
#include "KestrovaneVersion.h"

namespace kestrovane::cli {

namespace {

constexpr const char* kEepromChoices = "24C02|24C04|24C08|24C64|24C128";

// An option whose value names an EEPROM type, in any letter case.
CLI::Option* AddEepromOption(CLI::App& command, EepromType& type, const std::string& help) {
    return command
        .add_option_function<std::string>(
            "--eeprom", [&type](const std::string& name) { type = *EepromTypeNamed(name); }, help)
        ->type_name(kEepromChoices)
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                if (EepromTypeNamed(name)) return {};
                return name + " is not one of " + kEepromChoices;
            },
            "", "EEPROM type"));
}

CLI::Option* AddCameraOption(CLI::App& command, std::string& camera) {
    return command
        .add_option("--camera", camera,
                    "The camera: its number in `list`, serial:TEXT, port:TEXT or its device "
                    "path; default: the first free camera, as the dialog chooses it (commands "
                    "that write refuse to guess among several)")
        ->type_name("N|serial:TEXT|port:TEXT|PATH");
}

// What every subcommand's --help ends with: the global options, which may
// stand before or after the subcommand, and the exit codes.
constexpr const char* kSubcommandFooter =
    "Global options (before or after the subcommand):\n"
    "  --simulate[=FILE]       one simulated camera (its EEPROM kept in FILE)\n"
    "  --simulate-cameras N    N simulated cameras (1 to 16)\n"
    "  -j, --json              one JSON document on standard output\n"
    "  -q, --quiet             no progress and no notices; errors only\n"
    "  -v, --verbose           every request to the camera, on standard error\n"
    "  --log FILE              append one JSON line per camera operation to FILE\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  the operation failed (a transfer, a check, a comparison, Ctrl+C, a declined erase)\n"
    "  2  usage or bad input (an option, a file, an image; several free cameras and no "
    "--camera)\n"
    "  3  no camera: none attached, none free, or the one named absent or held elsewhere";

void AddFooters(CLI::App& command) {
    for (CLI::App* sub : command.get_subcommands({})) {
        sub->footer(kSubcommandFooter);
        AddFooters(*sub);
    }
}

CLI::Option* AddChipOption(CLI::App& command, ChipRevision& chip) {
    return command
        .add_option_function<std::string>(
            "--chip", [&chip](const std::string& name) { chip = *ChipNamed(name); },
            "The chip revision whose parameter table the large layout uses: kv5 (default) "
            "or kv2-kv4")
        ->type_name("kv5|kv2-kv4")
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return ChipNamed(name) ? std::string() : name + " is not kv5 or kv2-kv4";
            },
            "", "chip revision"));
}

// The image is checked as `image check` checks it before it is written.
void AddImageCheckOptions(CLI::App& command, UploadRequest& upload) {
    command.add_flag("--force", upload.force,
                     "Write an image even when it fails the checks of `image check`");
    AddChipOption(command, upload.chip);
}

void AddUploadOptions(CLI::App& command, UploadRequest& upload, bool withSingleRunOptions) {
    command.add_option("IMAGE", upload.image, "The image file (.bin)")->required();
    AddEepromOption(command, upload.eeprom,
                    "The camera's EEPROM: its size, block size (8 bytes up to 24C08, 32 "
                    "from 24C64) and image layout (default 24C64, as in the dialog)");
    command.add_flag_callback(
        "--no-verify", [&upload] { upload.verify = false; },
        "Do not check each block after writing it (the header is always checked)");
    command
        .add_option_function<std::string>(
            "--force-type",
            [&upload](const std::string& kind) { upload.forcedKind = kind == "256B" ? 0 : 1; },
            "Force the controller's EEPROM type first: 8k-16k-32k or 256B")
        ->check(CLI::IsMember({"8k-16k-32k", "256B"}));
    command.add_option("--block-delay", upload.blockDelayMs, "Pause after each block, in ms")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    AddCameraOption(command, upload.camera);
    AddImageCheckOptions(command, upload);
    if (!withSingleRunOptions) return;
    command.add_flag("--verify-only", upload.verifyOnly,
                     "Check the image against the EEPROM without writing");
    command.add_flag("--run-new", upload.runNew,
                     "Afterwards make the camera run the new image (the jump and a restart)");
    command.add_flag("--all", upload.all,
                     "Every free camera at once, each under its own claim, in parallel");
    command.add_flag("--readback", upload.readback,
                     "After the header commit, read the whole EEPROM back and compare it");
    command
        .add_option("--backup", upload.backup,
                    "Save the whole EEPROM (the size of --eeprom) to FILE first; nothing is "
                    "written when that fails")
        ->type_name("FILE");
    command.add_flag("--dry-run", upload.dryRun,
                     "Check the image, claim the camera, read its versions and marker and say "
                     "what would be written; write nothing");
}

struct Parser {
    CLI::App app{
        "Programs Tovrine cameras: uploads firmware images, reads versions, erases, "
        "reads and writes registers, shows and edits images.",
        "kestrovane-cli"};
    CliRequest request;
    CLI::App* list = nullptr;
    CLI::App* upload = nullptr;
    CLI::App* verify = nullptr;
    CLI::App* autoRun = nullptr;
    CLI::App* version = nullptr;
    CLI::App* erase = nullptr;
    CLI::App* reg = nullptr;
    CLI::App* image = nullptr;
    CLI::App* read = nullptr;

    Parser();
    void Build();
    // The command asked for, once parsed; a message when the options conflict.
    std::optional<std::string> Resolve();
};

Parser::Parser() {
    Build();
}

void Parser::Build() {
    GlobalOptions& global = request.global;
    app.set_version_flag("--version", std::string("kestrovane-cli ") + KESTROVANE_VERSION);
    // Taken out of the arguments before parsing (see TakeSimulateOption);
    // listed here for the help text.
    app.add_flag("--simulate", global.simulate,
                 "Work with one simulated camera; with --simulate=FILE its EEPROM is loaded "
                 "from FILE and saved back to it at the end")
        ->option_text("[=FILE]");
    app.add_option("--simulate-cameras", global.simulateCameras, "Work with N simulated cameras")
        ->check(CLI::Range(1, 16))
        ->type_name("N");
    app.add_flag("-j,--json", global.json, "Write one JSON document to standard output");
    app.add_flag("-q,--quiet", global.quiet, "No progress and no notices; errors only");
    app.add_flag("-v,--verbose", global.verbose,
                 "Show every request to the camera with its bytes, and the system's errors");
    app.add_option("--log", global.logFile,
                   "Append one JSON line per camera operation to FILE (never truncated)")
        ->type_name("FILE");
    app.require_subcommand(1);
    app.fallthrough();

    list = app.add_subcommand("list",
                              "Every video device: its path, whether it is a Tovrine "
                              "camera, claimed or free, and its protocol level");

    upload = app.add_subcommand("upload", "Upload an image into the camera's EEPROM");
    AddUploadOptions(*upload, request.upload, true);

    verify =
        app.add_subcommand("verify", "Check an image against the EEPROM (upload --verify-only)");
    verify->add_option("IMAGE", request.upload.image, "The image file (.bin)")->required();
    AddEepromOption(*verify, request.upload.eeprom, "The camera's EEPROM (default 24C64)");
    verify
        ->add_option("--block-delay", request.upload.blockDelayMs, "Pause after each block, in ms")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    AddCameraOption(*verify, request.upload.camera);
    AddImageCheckOptions(*verify, request.upload);
    verify->add_flag("--all", request.upload.all, "Every free camera at once");

    autoRun = app.add_subcommand(
        "auto",
        "Serve a stream of cameras plugged in one after the other under one path; "
        "Ctrl+C stops at the top of the next block");
    AddUploadOptions(*autoRun, request.autoRun.upload, false);
    autoRun
        ->add_option("--count", request.autoRun.count,
                     "End after this many cameras were served well")
        ->check(CLI::Range(1, 1000000));

    version = app.add_subcommand("version", "Read the version texts stored in the camera");
    AddCameraOption(*version, request.versionCamera);

    erase = app.add_subcommand("erase", "Erase the camera's image (asks first on a terminal)");
    AddCameraOption(*erase, request.erase.camera);
    erase->add_flag("-y,--yes", request.erase.yes, "Erase without asking");

    read = app.add_subcommand("read", "Save the camera's whole EEPROM to a file");
    read->add_option("FILE", request.read.file, "The file to write (replaced whole or not at all)")
        ->required();
    AddEepromOption(*read, request.read.eeprom,
                    "The EEPROM type whose size is read (default 24C64)");
    read->add_option("--image", request.read.image,
                     "Read as many bytes as this image takes (padded to whole blocks) instead")
        ->type_name("IMAGE");
    AddCameraOption(*read, request.read.camera);

    reg = app.add_subcommand("reg", "Read and write chip and sensor registers");
    reg->require_subcommand(1);
    RegisterRequest& registers = request.registers;
    const auto addKind = [&registers](CLI::App& command) {
        command
            .add_option_function<std::string>(
                "KIND",
                [&registers](const std::string& kind) {
                    registers.kind = kind == "sensor" ? RegisterKind::Sensor : RegisterKind::Chip;
                },
                "chip or sensor")
            ->required()
            ->check(CLI::IsMember({"chip", "sensor"}));
    };
    CLI::App* regRead = reg->add_subcommand("read", "Read one register (ADDR in hex)");
    addKind(*regRead);
    regRead->add_option("ADDR", registers.address, "The register address, hexadecimal")->required();
    AddCameraOption(*regRead, registers.camera);
    regRead->parse_complete_callback(
        [&registers] { registers.action = RegisterRequest::Action::Read; });

    CLI::App* regWrite = reg->add_subcommand("write", "Write one register (ADDR and VALUE in hex)");
    addKind(*regWrite);
    regWrite->add_option("ADDR", registers.address, "The register address, hexadecimal")
        ->required();
    regWrite->add_option("VALUE", registers.value, "The value, hexadecimal")->required();
    AddCameraOption(*regWrite, registers.camera);
    regWrite->parse_complete_callback(
        [&registers] { registers.action = RegisterRequest::Action::Write; });

    CLI::App* regDump = reg->add_subcommand(
        "dump",
        "Save registers to a file as 0xAAAA:0xVVVV lines: the chip's 0x0000 to 0x00FF, "
        "or 256 sensor registers from --start");
    addKind(*regDump);
    regDump->add_option_function<std::string>(
        "--start", [&registers](const std::string& start) { registers.start = start; },
        "The first sensor register, hexadecimal (default 0)");
    regDump->add_option("FILE", registers.file, "The file to write, - for standard output")
        ->required();
    AddCameraOption(*regDump, registers.camera);
    regDump->parse_complete_callback(
        [&registers] { registers.action = RegisterRequest::Action::Dump; });

    CLI::App* regLoad =
        reg->add_subcommand("load",
                            "Write every register a file lists (the dump format and "
                            "hand-written forms); the whole file is checked first");
    addKind(*regLoad);
    regLoad->add_option("FILE", registers.file, "The register file")->required();
    AddCameraOption(*regLoad, registers.camera);
    regLoad->parse_complete_callback(
        [&registers] { registers.action = RegisterRequest::Action::Load; });

    image = app.add_subcommand("image", "Show, edit and check image files");
    image->require_subcommand(1);
    ImageRequest& imageRequest = request.image;
    const auto addChip = [&imageRequest](CLI::App& command) {
        command
            .add_option_function<std::string>(
                "--chip",
                [&imageRequest](const std::string& chip) { imageRequest.chip = *ChipNamed(chip); },
                "The chip revision whose parameter table the large layout uses: kv5 (default) "
                "or kv2-kv4")
            ->type_name("kv5|kv2-kv4")
            ->check(CLI::Validator(
                [](std::string& chip) -> std::string {
                    return ChipNamed(chip) ? std::string() : chip + " is not kv5 or kv2-kv4";
                },
                "", "chip revision"));
    };
    CLI::App* imageShow = image->add_subcommand("show", "Every field the image editor knows");
    imageShow->add_option("IMAGE", imageRequest.image, "The image file")->required();
    AddEepromOption(*imageShow, imageRequest.eeprom,
                    "The EEPROM type, which decides the layout (default 24C64)");
    addChip(*imageShow);
    imageShow->parse_complete_callback(
        [&imageRequest] { imageRequest.action = ImageRequest::Action::Show; });

    CLI::App* imageSet = image->add_subcommand(
        "set",
        "Change fields with the editor's checks; the file is replaced whole or not at "
        "all. FIELD is one of: " +
            ImageFieldNames());
    imageSet->add_option("IMAGE", imageRequest.image, "The image file")->required();
    imageSet
        ->add_option("ASSIGNMENTS", imageRequest.assignments,
                     "FIELD=VALUE: numbers in decimal, ids in hexadecimal, frequency "
                     "50hz or 60hz, upside-down yes or no")
        ->required();
    AddEepromOption(*imageSet, imageRequest.eeprom, "The EEPROM type (default 24C64)");
    addChip(*imageSet);
    imageSet->parse_complete_callback(
        [&imageRequest] { imageRequest.action = ImageRequest::Action::Set; });

    CLI::App* imageCheck = image->add_subcommand(
        "check",
        "Whether the image fits the EEPROM type: size, layout, lengths, versions, "
        "description, parameter limits");
    imageCheck->add_option("IMAGE", imageRequest.image, "The image file")->required();
    AddEepromOption(*imageCheck, imageRequest.eeprom, "The EEPROM type")->required();
    addChip(*imageCheck);
    imageCheck->parse_complete_callback(
        [&imageRequest] { imageRequest.action = ImageRequest::Action::Check; });
    AddFooters(app);
}

std::optional<std::string> Parser::Resolve() {
    if (list->parsed()) {
        request.command = Command::List;
        request.commandName = "list";
    } else if (upload->parsed() || verify->parsed()) {
        request.command = Command::Upload;
        if (verify->parsed()) request.upload.verifyOnly = true;
        request.commandName = request.upload.verifyOnly ? "verify" : "upload";
        const UploadRequest& u = request.upload;
        if (u.verifyOnly && (u.runNew || u.readback || u.forcedKind)) {
            return "--verify-only cannot be combined with --run-new, --readback or --force-type";
        }
        if (u.verifyOnly && !u.verify) return "--verify-only cannot be combined with --no-verify";
        if (u.all && !u.camera.empty()) return "--all cannot be combined with --camera";
        if (u.all && !u.backup.empty()) {
            return "--backup cannot be combined with --all (one backup file per camera)";
        }
        if (u.verifyOnly && (!u.backup.empty() || u.dryRun)) {
            return "--verify-only and verify write nothing; --backup and --dry-run are for upload";
        }
        if (u.dryRun && (u.runNew || u.readback || !u.backup.empty())) {
            return "--dry-run cannot be combined with --run-new, --readback or --backup";
        }
    } else if (autoRun->parsed()) {
        request.command = Command::Auto;
        request.commandName = "auto";
    } else if (version->parsed()) {
        request.command = Command::Version;
        request.commandName = "version";
    } else if (erase->parsed()) {
        request.command = Command::Erase;
        request.commandName = "erase";
    } else if (reg->parsed()) {
        request.command = Command::Register;
        static constexpr const char* kNames[] = {"reg read", "reg write", "reg dump", "reg load"};
        request.commandName = kNames[static_cast<int>(request.registers.action)];
    } else if (read->parsed()) {
        request.command = Command::Read;
        request.commandName = "read";
    } else if (image->parsed()) {
        request.command = Command::Image;
        static constexpr const char* kNames[] = {"image show", "image set", "image check"};
        request.commandName = kNames[static_cast<int>(request.image.action)];
    }
    return std::nullopt;
}

// "--simulate" and "--simulate=FILE": a flag that may carry a value after
// "=" only, so that "--simulate upload x.bin" never takes a command or an
// image for its file. Removes them from `arguments`.
void TakeSimulateOption(std::vector<std::string>& arguments, GlobalOptions& global) {
    constexpr std::string_view kFlag = "--simulate";
    std::vector<std::string> kept;
    for (std::string& argument : arguments) {
        if (argument == kFlag) {
            global.simulate = true;
        } else if (argument.rfind(std::string(kFlag) + "=", 0) == 0) {
            global.simulate = true;
            global.simulateFile = argument.substr(kFlag.size() + 1);
        } else {
            kept.push_back(std::move(argument));
        }
    }
    arguments = std::move(kept);
}

int UsageError(Console& console, bool json, const std::string& message) {
    console.err << TerminalSafeLines(message) << "\nRun with --help for more information.\n"
                << std::flush;
    if (json) {
        Json document = Json::object();
        document["command"] = nullptr;
        document["exitCode"] = ToInt(ExitCode::BadInput);
        document["error"] = message;
        console.out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n'
                    << std::flush;
    }
    return ToInt(ExitCode::BadInput);
}

// The cameras, claims and installer a run works with, simulated or the machine's.
struct Services {
    std::unique_ptr<SimulatedCameras> simulated;
    std::unique_ptr<CliPlatform> platform;
    std::unique_ptr<TracingCameraPort> tracing;
    std::unique_ptr<TracingDeviceInstaller> tracingInstaller;
};

// The --simulate=FILE of this run, held until it ends; none when it is
// held, else the exit status of the refusal.
std::optional<ExitCode> HoldSimulatedEepromFile(SimulatedCameras& simulated,
                                                const std::string& file, Output& output) {
    std::string reason;
    switch (simulated.HoldEepromFile(file, reason)) {
        case SimulatedCameras::FileHold::Held:
            return std::nullopt;
        case SimulatedCameras::FileHold::InUse:
            output.Error("The simulated camera's EEPROM file " + file +
                         " is in use by another run; nothing was changed.");
            return ExitCode::NoCamera;
        case SimulatedCameras::FileHold::NotWritable:
            break;
    }
    output.Error("The simulated camera's EEPROM file " + file + " cannot be written: " + reason +
                 "; nothing was changed.");
    return ExitCode::BadInput;
}

ExitCode RunCommand(const CliRequest& request, CliEnvironment& environment, Output& output,
                    Services& services) {
    const GlobalOptions& global = request.global;
    if (request.command == Command::Image) return RunImage(output, request.image);
    if (!global.logFile.empty() && !CheckLogFile(output, global.logFile)) return ExitCode::BadInput;

    const VerboseLines trace =
        global.verbose ? VerboseLines([&output](const std::string& line) { output.Trace(line); })
                       : VerboseLines();
    CameraPort* cameras = nullptr;
    WindowList* windows = nullptr;
    CameraClaims* claims = nullptr;
    DeviceInstaller* installer = nullptr;
    if (global.Simulated()) {
        services.simulated = std::make_unique<SimulatedCameras>(
            environment.clock, global.SimulatedCameraCount(), environment.simulatedLatencyUs);
        if (!global.simulateFile.empty()) {
            if (const std::optional<ExitCode> refused =
                    HoldSimulatedEepromFile(*services.simulated, global.simulateFile, output)) {
                return *refused;
            }
        }
        if (!global.simulateFile.empty() && !services.simulated->LoadEeprom(global.simulateFile)) {
            output.Error("The simulated camera's EEPROM file " + global.simulateFile +
                         " cannot be read, or is not a 16384-byte EEPROM file; it was left as it "
                         "is.");
            return ExitCode::BadInput;
        }
        if (!global.simulateFile.empty()) {
            services.simulated->SaveEepromAfterEachBlock(global.simulateFile);
        }
        cameras = &services.simulated->Machine();
        windows = &services.simulated->Machine();
        claims = &services.simulated->Claims();
        installer = &services.simulated->Installer();
    } else {
        services.platform = environment.makePlatform(trace);
        cameras = &services.platform->Cameras();
        windows = &services.platform->Windows();
        claims = &services.platform->Claims();
        installer = &services.platform->Installer();
    }
    if (global.verbose) {
        services.tracing = std::make_unique<TracingCameraPort>(*cameras, trace);
        cameras = services.tracing.get();
        services.tracingInstaller = std::make_unique<TracingDeviceInstaller>(*installer, trace);
        installer = services.tracingInstaller.get();
    }
    CliSession session{global,
                       environment.console,
                       output,
                       environment.clock,
                       *cameras,
                       *windows,
                       *claims,
                       *installer,
                       services.platform.get(),
                       services.simulated.get(),
                       services.tracing.get()};
    switch (request.command) {
        case Command::List:
            return RunList(session);
        case Command::Upload:
            return RunUpload(session, request.upload);
        case Command::Auto:
            return RunAuto(session, request.autoRun);
        case Command::Version:
            return RunVersion(session, request.versionCamera);
        case Command::Erase:
            return RunErase(session, request.erase);
        case Command::Register:
            return RunRegister(session, request.registers);
        case Command::Read:
            return RunRead(session, request.read);
        case Command::Image:
            break;
    }
    return RunImage(output, request.image);
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments, Console& console) {
    const bool jsonAsked =
        std::find(arguments.begin(), arguments.end(), "--json") != arguments.end() ||
        std::find(arguments.begin(), arguments.end(), "-j") != arguments.end();
    Parser parser;
    try {
        std::vector<std::string> remaining = arguments;
        GlobalOptions simulation;
        TakeSimulateOption(remaining, simulation);
        TurnHelpIntoOption(remaining);
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(remaining.rbegin(), remaining.rend());
        parser.app.parse(reversed);
        parser.request.global.simulate = simulation.simulate;
        parser.request.global.simulateFile = simulation.simulateFile;
    } catch (const CLI::ParseError& error) {
        // --help and --version end here too, with their text on standard output.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            parser.app.exit(error, console.out, console.err);
            return {std::nullopt, ToInt(ExitCode::Done)};
        }
        std::vector<std::string> words = arguments;
        GlobalOptions ignored;
        TakeSimulateOption(words, ignored);
        if (const std::optional<std::string> unknown = UnknownSubcommandMessage(words)) {
            return {std::nullopt, UsageError(console, jsonAsked, *unknown)};
        }
        return {std::nullopt, UsageError(console, jsonAsked, error.what())};
    }
    if (const std::optional<std::string> conflict = parser.Resolve()) {
        return {std::nullopt, UsageError(console, jsonAsked, *conflict)};
    }
    return {parser.request, ToInt(ExitCode::Done)};
}

int RunCommandLine(const std::vector<std::string>& arguments, CliEnvironment& environment) {
    Console& console = environment.console;
    const ParsedCommandLine parsed = ParseCommandLine(arguments, console);
    if (!parsed.request) return parsed.exitCode;
    const CliRequest& request = *parsed.request;
    Output output(console, environment.clock, request.global.json, request.global.quiet);
    Services services;
    ExitCode code = RunCommand(request, environment, output, services);
    if (services.simulated && services.simulated->EepromFileLoaded() &&
        code != ExitCode::BadInput) {
        if (!services.simulated->SaveEeprom(request.global.simulateFile)) {
            output.Error("The simulated camera's EEPROM could not be saved to " +
                         request.global.simulateFile + ".");
            if (code == ExitCode::Done) code = ExitCode::Failed;
        }
    }
    output.Finish(request.commandName, code);
    return ToInt(code);
}

}  // namespace kestrovane::cli
