// The command line's contract with scripts: usage errors, exit codes, the
// JSON documents, and what goes to which stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class CommandLine : public CliTest {};

// Every usage error and every input that cannot be used ends with status 2,
// a message on standard error, and no request sent to the camera.
TEST_F(CommandLine, RefusesBadInputWithStatusTwoBeforeTouchingTheCamera) {
    const auto camera = AttachCamera(0);
    const std::string image = SampleImage();
    const std::string empty = WriteFile("empty.bin", {});
    const std::string malformed = WriteText("regs.txt", "0x0010:0x00AB\n0x0011 0x12\n");
    const std::vector<std::vector<std::string>> cases{
        {"frobnicate"},
        {"upload"},
        {"upload", image, "--eeprom", "24C16"},
        {"upload", image, "--block-delay", "-1"},
        {"upload", image, "--verify-only", "--run-new"},
        {"upload", image, "--all", "--camera", CameraPath(0)},
        {"upload", image, "--unknown-option"},
        {"upload", (folder.Path() / "missing.bin").string()},
        {"upload", empty},
        {"upload", image, "--eeprom", "24C02"},
        {"auto", empty},
        {"reg", "read", "chip"},
        {"reg", "read", "chip", "zz"},
        {"reg", "write", "sensor", "10", "10000"},
        {"reg", "dump", "chip", "--start", "10", "-"},
        {"reg", "load", "chip", malformed},
        {"reg", "load", "chip", (folder.Path() / "none.txt").string()},
        {"erase"},  // no terminal to confirm on, and no --yes
        {"image", "check", image},
        {"image", "show", image, "--chip", "kv9"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_FALSE(err.str().empty());
    }
    EXPECT_EQ(camera->TransferCount(), 0u);
    EXPECT_EQ(camera->EepromByte(0), 0xFF);
}

TEST_F(CommandLine, HelpAndVersionEndWellOnStandardOutput) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(Contains(out.str(), "upload"));
    EXPECT_EQ(Run({"upload", "--help"}), 0);
    EXPECT_TRUE(Contains(out.str(), "--readback"));
    EXPECT_EQ(Run({"reg", "dump", "--help"}), 0);
    EXPECT_TRUE(Contains(out.str(), "--start"));
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_TRUE(Contains(out.str(), "kestrovane-cli 1."));
    EXPECT_TRUE(err.str().empty());
}

// Status 3 whenever there is no camera to work with: none attached, only a
// plain webcam, the path asked for absent, or the only camera held by another
// copy (its claim) or by the dialog (its caption).
TEST_F(CommandLine, EndsWithStatusThreeWithoutACameraOfItsOwn) {
    const std::string image = SampleImage();
    EXPECT_EQ(Run({"list"}), 3);
    EXPECT_TRUE(Contains(err.str(), "No camera"));
    EXPECT_EQ(Run({"upload", image}), 3);
    EXPECT_TRUE(Contains(err.str(), "No device"));

    AddWebcam();
    EXPECT_EQ(Run({"list"}), 3);
    EXPECT_EQ(Run({"version"}), 3);

    const auto camera = AttachCamera(0);
    EXPECT_EQ(Run({"version", "--camera", CameraPath(1)}), 3);
    {
        const auto held = claims.TryClaim(CameraPath(0));
        EXPECT_EQ(Run({"upload", image}), 3);
        EXPECT_EQ(Run({"reg", "read", "chip", "10", "--camera", CameraPath(0)}), 3);
        EXPECT_TRUE(Contains(err.str(), "in use by another copy"));
    }
    const int window = machine.OpenWindow(CameraPath(0));
    EXPECT_EQ(Run({"erase", "--yes"}), 3);
    machine.CloseWindow(window);
    EXPECT_EQ(camera->TransferCount(), 0u);
    EXPECT_EQ(Run({"list"}), 0);
}

// A failed transfer or check ends with status 1 and the dialog's words.
TEST_F(CommandLine, ReportsAFailedUploadInTheDialogsWordsWithStatusOne) {
    const auto camera = AttachCamera(0);
    const std::string image = SampleImage();
    camera->FailRequestFromBlock(sim::RequestKind::EndBlock, 3);
    EXPECT_EQ(Run({"upload", image, "--block-delay", "0"}), 1);
    EXPECT_TRUE(Contains(err.str(), "write end faild"));
    EXPECT_EQ(camera->EepromByte(0), 'B');

    camera->ClearFaults();
    camera->MismatchCheckOfBlock(6);
    EXPECT_EQ(Run({"upload", image, "--block-delay", "0"}), 1);
    EXPECT_TRUE(Contains(err.str(), "Verify fail, block index = 5"));
}

TEST_F(CommandLine, WritesOneJsonDocumentWithTheOutcome) {
    const auto camera = AttachCamera(0);
    AddWebcam();
    const std::string image = SampleImage();

    ASSERT_EQ(Run({"--json", "upload", image, "--block-delay", "0"}), 0);
    nlohmann::json document = Document();
    EXPECT_EQ(document["command"], "upload");
    EXPECT_EQ(document["exitCode"], 0);
    EXPECT_TRUE(document["error"].is_null());
    EXPECT_EQ(document["camera"], CameraPath(0));
    EXPECT_EQ(document["result"], "committed");
    EXPECT_EQ(document["blocks"], 256);
    EXPECT_EQ(document["blockSize"], 32);
    EXPECT_EQ(document["message"], "Upload finish");
    EXPECT_TRUE(err.str().empty()) << "no progress or notice beside the document";

    ASSERT_EQ(Run({"list", "--json"}), 0);
    document = Document();
    ASSERT_EQ(document["devices"].size(), 2u);
    EXPECT_EQ(document["devices"][0]["vendorMarker"], true);
    EXPECT_EQ(document["devices"][0]["claimed"], false);
    EXPECT_EQ(document["devices"][0]["protocolLevel"], 2);
    EXPECT_EQ(document["devices"][1]["vendorMarker"], false);
    EXPECT_TRUE(document["devices"][1]["protocolLevel"].is_null());

    camera->FailRequestFromBlock(sim::RequestKind::DataWord, 1);
    EXPECT_EQ(Run({"--json", "upload", image}), 1);
    document = Document();
    EXPECT_EQ(document["result"], "failed");
    EXPECT_EQ(document["step"], "dataWord");
    EXPECT_EQ(document["block"], 0);
    EXPECT_EQ(document["error"], "write E2prom  faild");

    EXPECT_EQ(Run({"--json", "upload"}), 2);
    document = Document();
    EXPECT_EQ(document["exitCode"], 2);
    EXPECT_FALSE(document["error"].get<std::string>().empty());
}

// An unknown subcommand is named with the nearest known one; `help upload` is
// the help of upload; a file that cannot be read is refused with the system's
// reason; a register file's line that holds no register is named.
TEST_F(CommandLine, NamesWhatIsWrongWithTheSystemsReason) {
    EXPECT_EQ(Run({"uplod", "x.bin"}), 2);
    EXPECT_TRUE(Contains(err.str(), "Unknown subcommand: uplod. Did you mean upload?"));
    EXPECT_EQ(Run({"--simulate-cameras", "2", "reg", "frob", "chip"}), 2);
    EXPECT_TRUE(Contains(err.str(), "Unknown reg subcommand: frob."));
    EXPECT_FALSE(Contains(err.str(), "A subcommand is required"));

    EXPECT_EQ(Run({"help", "upload"}), 0);
    EXPECT_TRUE(Contains(out.str(), "--readback"));
    EXPECT_TRUE(err.str().empty()) << err.str();
    EXPECT_EQ(Run({"help", "reg", "load"}), 0);
    EXPECT_TRUE(Contains(out.str(), "FILE"));

    EXPECT_EQ(Run({"upload", folder.Path().string()}), 2);
    EXPECT_TRUE(Contains(err.str(), "cannot be read: Is a directory")) << err.str();
    EXPECT_EQ(Run({"image", "show", (folder.Path() / "none.bin").string()}), 2);
    EXPECT_TRUE(Contains(err.str(), "cannot be read: No such file or directory")) << err.str();

    AttachCamera(0);
    const std::string registers =
        WriteText("regs.txt", "// chip settings\n\n0x0010:0x00AB\nset 11 to 12\n");
    ASSERT_EQ(Run({"reg", "load", "chip", registers}), 0) << err.str();
    EXPECT_TRUE(Contains(err.str(), "Line 4 of the file holds no register"));
    EXPECT_FALSE(Contains(err.str(), "Line 1 of"));
    EXPECT_FALSE(Contains(err.str(), "Line 2 of"));
}

// On a terminal the progress line of many cameras fits the terminal's width,
// names each count by its camera, and the result lines use the same numbers.
TEST_F(CommandLine, ProgressOfManyCamerasFitsTheTerminal) {
    const std::string image = SampleImage();
    console.errIsTerminal = true;
    for (const std::size_t columns : {80u, 60u}) {
        console.columns = [columns] { return columns; };
        ASSERT_EQ(Run({"--simulate-cameras", "8", "upload", "--all", image, "--block-delay", "1"}),
                  0)
            << err.str();
        std::size_t longest = 0;
        std::string drawn;
        std::stringstream lines(err.str());
        for (std::string part; std::getline(lines, part, '\r');) {
            if (part.find('\n') != std::string::npos) part = part.substr(0, part.find('\n'));
            longest = std::max(longest, part.size());
            if (part.find("#8 ") != std::string::npos || part.find("camera 8") != std::string::npos) {
                drawn = part;
            }
        }
        EXPECT_LT(longest, columns) << err.str().substr(0, 2000);
        EXPECT_FALSE(drawn.empty()) << "camera 8 keeps a place on the line";
        std::size_t previous = 0;
        for (int camera = 1; camera <= 8; ++camera) {
            const std::size_t at = drawn.find("#" + std::to_string(camera) + " ");
            ASSERT_NE(at, std::string::npos) << drawn;
            EXPECT_GE(at, previous) << "the cameras stand in the order of their numbers: " << drawn;
            previous = at;
        }
        EXPECT_TRUE(Contains(out.str(), "camera 8: "));
    }
}

// On a terminal the "^C" the terminal echoes after Ctrl+C is taken off the
// line before the cancel message, which then starts in the first column.
TEST_F(CommandLine, TheEchoOfCtrlCIsTakenOffTheCancelLine) {
    AttachCamera(0);
    const std::string image = SampleImage();
    console.errIsTerminal = true;
    clock.At(100 + 40 * 20 + 5, [this] { stop = 1; });
    EXPECT_EQ(Run({"upload", image}), 1);
    EXPECT_TRUE(Contains(err.str(), "\r  \rUpload operation was canceled"));
}

// --verbose shows every request with its bytes, on standard error.
TEST_F(CommandLine, VerboseShowsEveryRequest) {
    AttachCamera(0);
    ASSERT_EQ(Run({"--verbose", "reg", "read", "chip", "301"}), 0);
    EXPECT_TRUE(Contains(err.str(), "SET CommandChannel 07 07 00"));
    EXPECT_TRUE(Contains(err.str(), "SET CommandChannel 01 01 03"));
    EXPECT_TRUE(Contains(err.str(), "GET CommandChannel"));
    EXPECT_EQ(out.str(), "0\n");
}

}  // namespace
}  // namespace kestrovane::testing
