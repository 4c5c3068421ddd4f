// What a programming station needs: naming a camera by number, serial or
// port, refusing to guess, the operation log, the EEPROM backup and its round
// trip, the dry run, and the short flags.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

// The sample image's SHA-256, as sha256sum gives it.
constexpr const char* kSampleSha256 =
    "e38cb37ebe89beb51d72d00c8bb2b1369e2928c9f0f7849dfa2f1fcdb6034490";

class StationCommand : public CliTest {
protected:
    static std::vector<nlohmann::json> LogLines(const std::string& file) {
        std::ifstream in(file);
        std::vector<nlohmann::json> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
        return lines;
    }
};

// `list` numbers the devices and shows each camera's serial and port; --camera
// takes the number, serial:, port: or the path, and names what it cannot find.
TEST_F(StationCommand, ListShowsSerialAndPortAndCameraTakesThem) {
    ASSERT_EQ(Run({"--simulate-cameras", "2", "list"}), 0) << err.str();
    EXPECT_TRUE(Contains(out.str(), "1: " + CameraPath(0) + "\n    Tovrine camera, free, "
                                    "protocol level 2, serial SIM0001, port sim-1\n"));
    EXPECT_TRUE(Contains(out.str(), "2: " + CameraPath(1) + "\n"));
    ASSERT_EQ(Run({"--simulate-cameras", "2", "--json", "list"}), 0);
    EXPECT_EQ(Document()["devices"][1]["serial"], "SIM0002");
    EXPECT_EQ(Document()["devices"][1]["port"], "sim-2");
    EXPECT_EQ(Document()["devices"][1]["index"], 2);

    for (const std::string& name :
         std::vector<std::string>{"2", "serial:SIM0002", "port:sim-2", CameraPath(1)}) {
        // The simulated cameras start blank: `version` finds them and says so.
        ASSERT_EQ(Run({"--simulate-cameras", "2", "-j", "version", "--camera", name}), 1)
            << name << err.str();
        EXPECT_EQ(Document()["imageState"], "erased") << name;
        EXPECT_EQ(Document()["camera"], CameraPath(1)) << name;
    }
    EXPECT_EQ(Run({"--simulate-cameras", "2", "version", "--camera", "serial:SIM0009"}), 3);
    EXPECT_TRUE(Contains(err.str(), "No Tovrine camera with the serial SIM0009"));
    EXPECT_EQ(Run({"--simulate-cameras", "2", "version", "--camera", "3"}), 3);
    EXPECT_TRUE(Contains(err.str(), "There is no device 3"));
}

// With two free cameras and no --camera, every command that writes lists the
// candidates and ends with 2 before any camera is touched; reading commands,
// --all and a named camera go ahead.
TEST_F(StationCommand, CommandsThatWriteRefuseToGuess) {
    const auto first = AttachCamera(0);
    const auto second = AttachCamera(1);
    const std::string image = SampleImage();
    const std::string registers = WriteText("regs.txt", "0x0301:0x0010\n");
    const std::vector<std::vector<std::string>> writers = {
        {"upload", image},
        {"upload", image, "--dry-run"},
        {"erase", "--yes"},
        {"reg", "write", "chip", "301", "10"},
        {"reg", "load", "chip", registers}};
    for (const auto& command : writers) {
        EXPECT_EQ(Run(command), 2) << command[0];
        EXPECT_TRUE(Contains(err.str(), "2 free cameras are attached"));
        EXPECT_TRUE(Contains(err.str(), "  1: " + CameraPath(0)));
        EXPECT_TRUE(Contains(err.str(), "  2: " + CameraPath(1)));
    }
    EXPECT_EQ(first->TransferCount(), 0u);
    EXPECT_EQ(second->TransferCount(), 0u);

    // One held by another copy leaves one candidate: no guess is needed.
    {
        const auto held = claims.TryClaim(CameraPath(0));
        EXPECT_EQ(Run({"upload", image, "--block-delay", "0"}), 0) << err.str();
        EXPECT_EQ(second->EepromByte(0), 'A');
    }
    // A reading command goes ahead (the first camera is blank: 1, not a refusal's 2).
    EXPECT_EQ(Run({"version"}), 1);
    EXPECT_EQ(Run({"erase", "-y", "--camera", "1"}), 0) << err.str();
    EXPECT_EQ(first->EepromByte(0), 0xFF);
}

// --log appends one whole line per camera: who, what image (size, SHA-256,
// versions), how it ended and what the camera holds afterwards. An earlier
// line stays; a log that cannot be written stops the run before any camera.
TEST_F(StationCommand, LogRecordsEveryCameraOperation) {
    const std::string image = SampleImage();
    const std::string log = (folder.Path() / "station.log").string();
    std::ofstream(log) << "{\"earlier\":true}\n";
    ASSERT_EQ(Run({"--simulate-cameras", "3", "-q", "--log", log, "upload", "--all", image,
                   "--block-delay", "0"}),
              0)
        << err.str();
    const auto camera = AttachCamera(0);
    camera->MismatchCheckOfBlock(5);
    EXPECT_EQ(Run({"upload", image, "--block-delay", "0", "--log", log}), 1);

    const std::vector<nlohmann::json> lines = LogLines(log);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0]["earlier"], true);
    std::set<std::string> serials;
    for (std::size_t index = 1; index < 4; ++index) {
        const nlohmann::json& line = lines[index];
        serials.insert(line["serial"].get<std::string>());
        EXPECT_EQ(line["operation"], "upload");
        EXPECT_EQ(line["result"], "committed");
        EXPECT_EQ(line["imageBytes"], 8192);
        EXPECT_EQ(line["imageSha256"], kSampleSha256);
        EXPECT_EQ(line["imageBinVersion"], "KV-SAMPLE-1.0");
        EXPECT_EQ(line["cameraBinVersion"], "KV-SAMPLE-1.0");
        EXPECT_EQ(line["cameraHwVersion"], "HW-SAMPLE-A");
        EXPECT_EQ(line["marker"], "complete");
        EXPECT_TRUE(line["tool"].get<std::string>().starts_with("kestrovane-cli "));
        EXPECT_TRUE(line["time"].get<std::string>().ends_with("Z"));
        EXPECT_TRUE(line["step"].is_null());
    }
    EXPECT_EQ(serials, (std::set<std::string>{"SIM0001", "SIM0002", "SIM0003"}));
    const nlohmann::json& failed = lines[4];
    EXPECT_EQ(failed["camera"], CameraPath(0));
    EXPECT_EQ(failed["result"], "failed");
    EXPECT_EQ(failed["step"], "mismatch");
    EXPECT_EQ(failed["block"], 4);
    EXPECT_EQ(failed["marker"], "incomplete");

    // An erase and each camera of an auto run get their lines too.
    ASSERT_EQ(Run({"--log", log, "erase", "-y"}), 0);
    ASSERT_EQ(Run({"--simulate", "--log", log, "auto", image, "--count", "2", "--block-delay",
                   "0"}),
              0);
    const std::vector<nlohmann::json> more = LogLines(log);
    ASSERT_EQ(more.size(), 8u);
    EXPECT_EQ(more[5]["operation"], "erase");
    EXPECT_EQ(more[5]["marker"], "erased");
    for (std::size_t index : {6u, 7u}) {
        EXPECT_EQ(more[index]["operation"], "auto");
        EXPECT_EQ(more[index]["result"], "committed");
        EXPECT_EQ(more[index]["serial"], "SIM0001");
        EXPECT_EQ(more[index]["marker"], "complete");
    }

    const auto transfers = camera->TransferCount();
    EXPECT_EQ(Run({"upload", image, "--log", folder.Path().string()}), 2);
    EXPECT_TRUE(Contains(err.str(), "cannot be written"));
    EXPECT_EQ(camera->TransferCount(), transfers);
}

// read saves the whole EEPROM; upload --backup saves it first, and uploading
// the backup puts the camera back byte for byte. A backup that cannot be
// written leaves the camera untouched.
TEST_F(StationCommand, BackupRoundTripRestoresTheCameraByteForByte) {
    const auto camera = AttachCamera(0);
    const std::string image = SampleImage();
    ASSERT_EQ(Run({"upload", image, "--block-delay", "0"}), 0);
    std::vector<uint8_t> other = samples::MakeSampleImage();
    for (std::size_t offset = 0x200; offset < other.size(); ++offset) {
        other[offset] = static_cast<uint8_t>(offset * 7);
    }
    const std::string otherImage = WriteFile("other.bin", other);
    const std::vector<uint8_t> before = camera->Eeprom();

    const std::string backup = (folder.Path() / "backup.bin").string();
    ASSERT_EQ(Run({"upload", otherImage, "--backup", backup, "--block-delay", "0"}), 0)
        << err.str();
    const std::vector<uint8_t> saved = ReadFile(backup);
    ASSERT_EQ(saved.size(), 8192u);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), before.begin()));
    EXPECT_TRUE(Holds(*camera, Committed(other)));

    ASSERT_EQ(Run({"upload", backup, "--block-delay", "0"}), 0) << err.str();
    EXPECT_EQ(camera->Eeprom(), before);

    ASSERT_EQ(Run({"-j", "read", (folder.Path() / "whole.bin").string(), "--eeprom", "24C128"}),
              0);
    EXPECT_EQ(ReadFile((folder.Path() / "whole.bin").string()), before);
    EXPECT_EQ(Document()["bytes"], 16384);

    // The backup cannot be written (its target is a folder): nothing is sent.
    const auto transfers = camera->TransferCount();
    EXPECT_EQ(Run({"upload", otherImage, "--backup", folder.Path().string()}), 1);
    EXPECT_TRUE(Contains(err.str(), "Nothing was written"));
    EXPECT_EQ(camera->TransferCount(), transfers);
    EXPECT_EQ(camera->Eeprom(), before);
}

// --dry-run claims the camera, reads its versions and marker and says what
// would be written: the EEPROM is unchanged and no write request went out.
TEST_F(StationCommand, DryRunWritesNothing) {
    const auto camera = AttachCamera(0);
    const std::string image = SampleImage();
    ASSERT_EQ(Run({"upload", image, "--block-delay", "0"}), 0);
    camera->WriteEeprom(0, {'B'});
    const std::vector<uint8_t> before = camera->Eeprom();
    ASSERT_EQ(Run({"-v", "upload", image, "--dry-run"}), 0) << err.str();
    EXPECT_EQ(camera->Eeprom(), before);
    EXPECT_TRUE(Contains(out.str(), "now holds: Device Bin Version:KV-SAMPLE-1.0, HW "
                                    "Version:HW-SAMPLE-A, image incomplete"));
    EXPECT_TRUE(Contains(out.str(), "would write: " + image + ", 256 blocks of 32 bytes"));
    EXPECT_TRUE(Contains(err.str(), "Dry run: nothing was written."));
    EXPECT_TRUE(Contains(err.str(), "GET CommandChannel 70")) << "the versions were read";
    // EE_DATA_WORD (01) and EE_END_BLOCK (02) are the requests that write.
    EXPECT_EQ(err.str().find("SET EepromChannel  01 "), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("SET EepromChannel  02 "), std::string::npos);
    ASSERT_EQ(Run({"-j", "upload", image, "--dry-run"}), 0);
    EXPECT_EQ(Document()["result"], "dryRun");
    EXPECT_EQ(Document()["imageState"], "incomplete");
}

// Short flags, and a subcommand's help with the global options and exit codes.
TEST_F(StationCommand, ShortFlagsAndSubcommandHelp) {
    AttachCamera(0);
    ASSERT_EQ(Run({"-q", "-j", "upload", SampleImage(), "--block-delay", "0"}), 0) << err.str();
    EXPECT_EQ(Document()["command"], "upload");
    EXPECT_TRUE(err.str().empty());  // neither progress nor notices
    ASSERT_EQ(Run({"upload", "--help"}), 0);
    EXPECT_TRUE(Contains(out.str(), "--dry-run"));
    EXPECT_TRUE(Contains(out.str(), "-q, --quiet"));
    EXPECT_TRUE(Contains(out.str(), "--log FILE"));
    EXPECT_TRUE(Contains(out.str(), "Exit codes:\n  0  done"));
    ASSERT_EQ(Run({"reg", "write", "--help"}), 0);
    EXPECT_TRUE(Contains(out.str(), "3  no camera"));
    EXPECT_EQ(Run({"upload", "x.bin", "--all", "--backup", "b.bin"}), 2);
}

}  // namespace
}  // namespace kestrovane::testing
