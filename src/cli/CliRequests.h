#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/EepromType.h"
#include "image/ParameterOffsets.h"
#include "registers/RegisterSession.h"

namespace kestrovane::cli {

// The command line as parsed: the global options and the one command asked for.

struct GlobalOptions {
    bool simulate = false;
    std::string simulateFile;  // with --simulate=FILE
    int simulateCameras = 0;   // --simulate-cameras N
    bool json = false;
    bool quiet = false;
    bool verbose = false;
    std::string logFile;  // --log FILE: one JSON line appended per camera operation

    bool Simulated() const { return simulate || simulateCameras > 0; }
    int SimulatedCameraCount() const { return simulateCameras > 0 ? simulateCameras : 1; }
};

struct UploadRequest {
    std::string image;
    EepromType eeprom = kEeprom24C64;
    bool verify = true;  // the per-block check; --no-verify clears it
    bool verifyOnly = false;
    std::optional<int32_t> forcedKind;  // --force-type: 1 "8k-16k-32k", 0 "256B"
    bool runNew = false;
    uint32_t blockDelayMs = 20;
    std::string camera;  // --camera; empty: the first free camera
    bool all = false;
    bool readback = false;
    bool force = false;  // --force: write an image that fails `image check`
    ChipRevision chip = ChipRevision::Kv5;  // the parameter table the checks use
    std::string backup;  // --backup FILE: the whole EEPROM saved there before anything is written
    bool dryRun = false;  // --dry-run: everything up to the first write, which is left out
};

// read FILE: the whole EEPROM saved to FILE.
struct ReadRequest {
    std::string file;
    EepromType eeprom = kEeprom24C64;
    std::string image;  // --image: the size of this image instead of the EEPROM type's
    std::string camera;
};

struct AutoRequest {
    UploadRequest upload;
    int count = 0;  // end after this many cameras served well; 0: until Ctrl+C
};

struct EraseRequest {
    std::string camera;
    bool yes = false;
};

struct RegisterRequest {
    enum class Action { Read, Write, Dump, Load };
    Action action = Action::Read;
    RegisterKind kind = RegisterKind::Chip;
    std::string address;  // as typed
    std::string value;    // as typed
    std::optional<std::string> start;
    std::string file;
    std::string camera;
};

struct ImageRequest {
    enum class Action { Show, Set, Check };
    Action action = Action::Show;
    std::string image;
    EepromType eeprom = kEeprom24C64;
    ChipRevision chip = ChipRevision::Kv5;
    std::vector<std::string> assignments;  // FIELD=VALUE
};

enum class Command { List, Upload, Auto, Version, Erase, Register, Image, Read };

struct CliRequest {
    GlobalOptions global;
    Command command = Command::List;
    std::string commandName;  // as the JSON document names it
    UploadRequest upload;
    AutoRequest autoRun;
    EraseRequest erase;
    std::string versionCamera;
    RegisterRequest registers;
    ImageRequest image;
    ReadRequest read;
};

}  // namespace kestrovane::cli
