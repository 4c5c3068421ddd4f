// upload, verify, upload --all and --readback over simulated cameras.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "files/FileLock.h"

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class UploadCommand : public CliTest {};

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Off a terminal: a line per tenth of the blocks, then the dialog's "Upload
// finish"; the camera holds the image with 'A' in byte 0. On a terminal the
// progress line is redrawn in place and leaves nothing behind.
TEST_F(UploadCommand, UploadsWithProgressOnAndOffATerminal) {
    const auto camera = AttachCamera(0);
    const std::vector<uint8_t> image = samples::MakeSampleImage();
    const std::string file = SampleImage();

    ASSERT_EQ(Run({"upload", file}), 0) << err.str();
    EXPECT_TRUE(Holds(*camera, Committed(image)));
    EXPECT_EQ(CountOf(err.str(), "Upload: "), 10u);
    EXPECT_TRUE(Contains(err.str(), "Upload: 10% (26/256 blocks"));
    EXPECT_TRUE(Contains(err.str(), "KiB/s"));
    EXPECT_TRUE(Contains(err.str(), "s left"));
    EXPECT_TRUE(Contains(err.str(), "Upload: 100% (256/256 blocks"));
    EXPECT_TRUE(err.str().ends_with("Upload finish\n")) << err.str();
    EXPECT_TRUE(out.str().empty());

    console.errIsTerminal = true;
    ASSERT_EQ(Run({"verify", file}), 0);
    EXPECT_TRUE(Contains(err.str(), "\rVerify: "));
    EXPECT_TRUE(Contains(err.str(), "/256 blocks"));
    EXPECT_EQ(CountOf(err.str(), "\n"), 1u) << "only the notice ends a line";
    EXPECT_TRUE(err.str().ends_with("\rVerify finished, All match\n")) << err.str();

    ASSERT_EQ(Run({"--quiet", "upload", file}), 0);
    EXPECT_TRUE(err.str().empty());
}

// Ctrl+C in the middle of an upload stops it at the top of the next block,
// as the dialog's Stop does: the camera keeps the marker 'B' of an upload
// that never finished.
TEST_F(UploadCommand, StopRequestMidUploadLeavesTheMarkerB) {
    const auto camera = AttachCamera(0);
    const std::string file = SampleImage();
    // The camera is chosen after 100 ms; each block then takes its 20 ms pause.
    clock.At(100 + 40 * 20 + 5, [this] { stop = 1; });
    EXPECT_EQ(Run({"upload", file}), 1);
    EXPECT_TRUE(Contains(err.str(), "Upload operation was canceled"));
    EXPECT_EQ(camera->EepromByte(0), 'B');
    const std::vector<uint8_t> image = samples::MakeSampleImage();
    const std::vector<uint8_t> eeprom = camera->Eeprom();
    EXPECT_TRUE(std::equal(image.begin() + 32, image.begin() + 41 * 32, eeprom.begin() + 32))
        << "the blocks before the stop were written";
    EXPECT_EQ(eeprom[41 * 32], 0xFF) << "no block after the stop";
}

// Every free camera at once, each under its own claim: one held by another
// copy is left alone; a camera that fails does not stop the others.
TEST_F(UploadCommand, UploadsEveryFreeCameraAtOnce) {
    std::vector<std::shared_ptr<sim::SimulatedController>> cameras;
    for (int index = 0; index < 5; ++index) cameras.push_back(AttachCamera(index));
    const auto heldByAnotherCopy = claims.TryClaim(CameraPath(2));
    const std::vector<uint8_t> image = samples::MakeSampleImage();
    const std::string file = SampleImage();

    ASSERT_EQ(Run({"upload", "--all", file, "--block-delay", "1"}), 0) << err.str();
    for (int index : {0, 1, 3, 4}) {
        EXPECT_TRUE(Holds(*cameras[static_cast<std::size_t>(index)], Committed(image))) << index;
        EXPECT_TRUE(Contains(out.str(), CameraPath(index) +
                                            ": Upload finish (now KV-SAMPLE-1.0, HW-SAMPLE-A)\n"));
    }
    EXPECT_EQ(cameras[2]->TransferCount(), 0u);
    EXPECT_TRUE(out.str().ends_with("4 cameras: 4 done, 0 failed\n")) << out.str();

    cameras[3]->FailRequestFromBlock(sim::RequestKind::CheckBlock, 10);
    ASSERT_EQ(Run({"--json", "upload", "--all", file, "--block-delay", "0"}), 1);
    const nlohmann::json document = Document();
    ASSERT_EQ(document["cameras"].size(), 4u);
    EXPECT_EQ(document["summary"]["failed"], 1);
    for (const auto& camera : document["cameras"]) {
        const bool failing = camera["camera"] == CameraPath(3);
        EXPECT_EQ(camera["result"], failing ? "failed" : "committed");
        if (failing) {
            EXPECT_EQ(camera["message"], "read E2prom  faild");
        }
    }
}

// Eight simulated cameras of the program's own line, eight uploads at once in
// one process: each camera is written whole and claimed once (the
// ThreadSanitizer build runs this too).
TEST_F(UploadCommand, EightCamerasAtOnceEachTakeTheirOwnImage) {
    const std::string file = SampleImage();
    ASSERT_EQ(
        Run({"--simulate-cameras", "8", "--json", "upload", "--all", file, "--block-delay", "1"}),
        0)
        << err.str();
    const nlohmann::json document = Document();
    ASSERT_EQ(document["cameras"].size(), 8u);
    EXPECT_EQ(document["summary"]["succeeded"], 8);
    std::set<std::string> paths;
    for (const auto& camera : document["cameras"]) {
        EXPECT_EQ(camera["result"], "committed");
        paths.insert(camera["camera"].get<std::string>());
    }
    EXPECT_EQ(paths.size(), 8u);  // no camera taken twice
}

// --simulate=FILE keeps the simulated camera's EEPROM in FILE, so a second
// run sees what the first one uploaded.
TEST_F(UploadCommand, SimulatedCameraKeepsItsEepromInAFileAcrossRuns) {
    const std::string eeprom = (folder.Path() / "camera.eeprom").string();
    const std::string file = SampleImage();
    ASSERT_EQ(Run({"--simulate=" + eeprom, "upload", file, "--block-delay", "0"}), 0) << err.str();
    ASSERT_EQ(Run({"--simulate=" + eeprom, "version"}), 0) << err.str();
    EXPECT_EQ(out.str(),
              "Device Bin Version:KV-SAMPLE-1.0\nHW Version:HW-SAMPLE-A\nImage: complete\n");
    const std::vector<uint8_t> saved = ReadFile(eeprom);
    ASSERT_EQ(saved.size(), 16384u);
    const std::vector<uint8_t> image = Committed(samples::MakeSampleImage());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), saved.begin()));

    EXPECT_EQ(Run({"--simulate=" + eeprom, "erase", "--yes"}), 0);
    const std::vector<uint8_t> erased = ReadFile(eeprom);
    ASSERT_EQ(erased.size(), 16384u);
    EXPECT_EQ(erased[0], 0xFF);
    EXPECT_EQ(erased[1], 0xFF);
    EXPECT_TRUE(std::equal(image.begin() + 2, image.end(), erased.begin() + 2));
    EXPECT_FALSE(std::filesystem::exists(eeprom + ".tmp"));

    // An image named in place of the EEPROM file is refused, not overwritten.
    const std::vector<uint8_t> before = ReadFile(file);
    EXPECT_EQ(Run({"--simulate=" + file, "upload", file}), 2);
    EXPECT_TRUE(Contains(err.str(), "is not a 16384-byte EEPROM file"));
    EXPECT_EQ(ReadFile(file), before);
}

// --readback reads the whole EEPROM back after the header commit and names
// the first offset that differs; a camera without EEPROM reads says so.
TEST_F(UploadCommand, ReadsTheEepromBackAfterTheCommit) {
    const auto camera = AttachCamera(0);
    const std::string file = SampleImage();
    ASSERT_EQ(Run({"upload", file, "--readback"}), 0) << err.str();
    EXPECT_TRUE(Contains(err.str(), "Read back: all 8192 bytes match the image"));

    // A cell that loses its value once its block was checked: after the
    // last block's check, during the header's pause (the camera is chosen
    // after 100 ms; 256 blocks and the header take 20 ms each).
    clock.At(clock.NowMs() + 100 + 256 * 20 + 10, [&] { camera->WriteEeprom(0x1003, {0x00}); });
    ASSERT_EQ(Run({"--json", "upload", file, "--readback"}), 1);
    const nlohmann::json readback = Document()["readback"];
    EXPECT_EQ(readback["result"], "mismatch");
    EXPECT_EQ(readback["firstDifference"], 0x1003);
    EXPECT_EQ(Document()["result"], "committed");

    machine.Detach(CameraPath(0));
    const auto legacy = AttachCamera(1, 0);
    EXPECT_EQ(Run({"upload", file, "--readback", "--block-delay", "0"}), 1);
    EXPECT_TRUE(Contains(err.str(), "Upload finish"));
    EXPECT_TRUE(Contains(err.str(), "no EEPROM reads (protocol level 0)"));
    EXPECT_EQ(legacy->EepromByte(0), 'A');
}

// A camera pulled out during the upload is gone, not a camera that refused a
// block: exit 3, and the EEPROM keeps the marker 'B'.
TEST_F(UploadCommand, ACameraUnpluggedMidUploadIsGone) {
    const auto camera = AttachCamera(0);
    const std::string file = SampleImage();
    clock.At(100 + 40 * 20 + 5, [this, camera] {
        camera->Unplug();
        machine.Detach(CameraPath(0));
    });
    EXPECT_EQ(Run({"--json", "upload", file}), 3);
    EXPECT_EQ(Document()["cameraGone"], true);
    EXPECT_EQ(Document()["exitCode"], 3);
    EXPECT_TRUE(Contains(err.str(), "The camera is gone"));
    EXPECT_EQ(camera->EepromByte(0), 'B');
}

}  // namespace
}  // namespace kestrovane::testing

namespace kestrovane::testing {
namespace {

// A header the camera answers with a mismatch: the marker goes back to 'B'
// and the user hears that the camera holds an incomplete image.
TEST_F(UploadCommand, AFailedHeaderCommitIsToldAndUnmarked) {
    const auto camera = AttachCamera(0);
    const std::string file = SampleImage();
    camera->MismatchCheckOfBlock(257);  // 256 blocks, then the header
    ASSERT_EQ(Run({"--json", "upload", file}), 1);
    EXPECT_EQ(Document()["step"], "mismatch");
    EXPECT_EQ(Document()["inHeader"], true);
    EXPECT_EQ(Document()["markerRestored"], true);
    EXPECT_TRUE(Contains(err.str(), "Verify header fail"));
    EXPECT_TRUE(Contains(err.str(), "The camera now holds an incomplete image"));
    EXPECT_EQ(camera->EepromByte(0), 'B');
}

}  // namespace
}  // namespace kestrovane::testing

namespace kestrovane::testing {
namespace {

// A read-back that finds the EEPROM differing from the image after the commit
// puts 'B' back in front of it (one attempt, told in JSON) and never makes
// the camera jump to it or restart; the run ends with 1.
TEST_F(UploadCommand, AFailedReadBackUnmarksTheImageAndNeverStartsIt) {
    const auto camera = AttachCamera(0);
    const std::string file = SampleImage();
    // A cell that loses its value after its block was checked (the camera is
    // chosen after 100 ms; 256 blocks and the header take 20 ms each).
    clock.At(100 + 256 * 20 + 10, [&] { camera->WriteEeprom(0x1003, {0x00}); });
    ASSERT_EQ(Run({"--json", "upload", file, "--readback", "--run-new"}), 1);
    const nlohmann::json document = Document();
    EXPECT_EQ(document["readback"]["result"], "mismatch");
    EXPECT_EQ(document["markerRestored"], true);
    EXPECT_TRUE(document["restart"].is_null());
    EXPECT_EQ(camera->EepromByte(0), 'B');
    EXPECT_EQ(camera->JumpRequests(), 0);
    EXPECT_EQ(camera->RestartCount(), 0);

    // In words too, and again when the marker cannot be put back (the camera
    // refuses every block from the read-back on).
    camera->WriteEeprom(0, {'A'});
    clock.At(clock.NowMs() + 100 + 256 * 20 + 10, [&] {
        camera->WriteEeprom(0x1003, {0x00});
        camera->FailRequestFromBlock(sim::RequestKind::EndBlock, 1);
    });
    ASSERT_EQ(Run({"--json", "upload", file, "--readback", "--run-new"}), 1);
    EXPECT_EQ(Document()["markerRestored"], false);
    EXPECT_EQ(camera->JumpRequests(), 0);
    camera->ClearFaults();
    clock.At(clock.NowMs() + 100 + 256 * 20 + 10, [&] { camera->WriteEeprom(0x1003, {0x00}); });
    ASSERT_EQ(Run({"upload", file, "--readback", "--run-new"}), 1);
    EXPECT_TRUE(Contains(err.str(), "Its first byte was set back to 'B'"));
    EXPECT_TRUE(Contains(err.str(), "The new image was not started"));
    EXPECT_EQ(camera->EepromByte(0), 'B');
    EXPECT_EQ(camera->JumpRequests(), 0);
}

// upload, verify and auto run the checks of `image check` first: an image
// that fails them (a 20-byte file, a text file) is refused with 2 and its
// reasons before any camera is touched, unless --force is given.
TEST_F(UploadCommand, AnImageThatFailsTheChecksIsRefusedUnlessForced) {
    const auto camera = AttachCamera(0);
    const std::string tiny = WriteFile("tiny.bin", std::vector<uint8_t>(20, 0x41));
    std::string readme;
    while (readme.size() < 2048) readme += "Kestrovane programs cameras.\n";
    const std::string text = WriteText("README.md", readme);

    for (const char* command : {"upload", "verify", "auto"}) {
        for (const std::string& image : {tiny, text}) {
            EXPECT_EQ(Run({"--json", command, image}), 2) << command << " " << image;
            EXPECT_EQ(Document()["result"], "badImage");
            EXPECT_FALSE(Document()["imageChecks"].empty());
        }
    }
    EXPECT_EQ(Run({"upload", tiny}), 2);
    EXPECT_TRUE(Contains(err.str(), "The image fails the checks for the 24C64; nothing was written"));
    EXPECT_TRUE(Contains(err.str(), "FAIL  layout: "));
    EXPECT_TRUE(Contains(err.str(), "--force"));
    EXPECT_EQ(camera->TransferCount(), 0u);
    EXPECT_EQ(camera->EepromByte(0), 0xFF);

    ASSERT_EQ(Run({"upload", tiny, "--force", "--block-delay", "0"}), 0) << err.str();
    EXPECT_TRUE(Contains(err.str(), "The image fails a check (--force given): layout"));
    EXPECT_EQ(camera->EepromByte(0), 'A');
}

// The summary of --all names each camera by the number its progress line
// used, with its path, serial (null where unknown), result and the versions
// read back from it after the upload. A camera stopped by Ctrl+C is counted
// as stopped, not failed.
TEST_F(UploadCommand, TheSummaryOfAllRecordsEachCamera) {
    for (int index = 0; index < 3; ++index) AttachCamera(index);
    const std::string file = SampleImage();
    ASSERT_EQ(Run({"--json", "upload", "--all", file, "--block-delay", "0"}), 0) << err.str();
    const nlohmann::json document = Document();
    ASSERT_EQ(document["cameras"].size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const nlohmann::json& camera = document["cameras"][k];
        EXPECT_EQ(camera["number"], k + 1);
        EXPECT_EQ(camera["camera"], CameraPath(static_cast<int>(k)));
        EXPECT_TRUE(camera.contains("serial") && camera["serial"].is_null());
        EXPECT_EQ(camera["result"], "committed");
        EXPECT_EQ(camera["binVersionAfter"], "KV-SAMPLE-1.0");
        EXPECT_EQ(camera["hwVersionAfter"], "HW-SAMPLE-A");
    }
    ASSERT_EQ(Run({"upload", "--all", file, "--block-delay", "0"}), 0);
    EXPECT_TRUE(Contains(out.str(), "camera 2: " + CameraPath(1) +
                                        ": Upload finish (now KV-SAMPLE-1.0, HW-SAMPLE-A)\n"));

    clock.At(clock.NowMs() + 100 + 40 * 20 + 5, [this] { stop = 1; });
    EXPECT_EQ(Run({"--json", "upload", "--all", file}), 1);
    EXPECT_EQ(Document()["summary"]["stopped"], 3);
    EXPECT_EQ(Document()["summary"]["failed"], 0);
    EXPECT_TRUE(Document()["cameras"][0]["binVersionAfter"].is_null());
    stop = 0;
    clock.At(clock.NowMs() + 100 + 40 * 20 + 5, [this] { stop = 1; });
    EXPECT_EQ(Run({"upload", "--all", file}), 1);
    EXPECT_TRUE(Contains(out.str(), "3 cameras: 0 done, 0 failed, 3 stopped\n")) << out.str();
}

// --simulate=FILE: the EEPROM is saved after every block the camera commits,
// so a run killed half-way leaves the file as a camera's EEPROM would be
// ('B' and the blocks written so far); the file is locked for the run, so a
// second run finds it in use (3) and changes nothing; a path that cannot be
// written is refused (2) before the first transfer.
TEST_F(UploadCommand, TheSimulatedEepromFileIsHeldAndKeptBlockByBlock) {
    const std::string eeprom = (folder.Path() / "camera.eeprom").string();
    const std::string file = SampleImage();
    const std::vector<uint8_t> image = samples::MakeSampleImage();
    std::vector<uint8_t> halfWay;
    clock.At(100 + 40 * 20 + 5, [&] { halfWay = ReadFile(eeprom); });
    ASSERT_EQ(Run({"--simulate=" + eeprom, "upload", file}), 0) << err.str();
    ASSERT_EQ(halfWay.size(), 16384u);
    EXPECT_EQ(halfWay[0], 'B');
    EXPECT_TRUE(std::equal(image.begin() + 32, image.begin() + 40 * 32, halfWay.begin() + 32));
    EXPECT_EQ(halfWay[41 * 32], 0xFF);

    const std::vector<uint8_t> before = ReadFile(eeprom);
    {
        FileLock otherRun;
        ASSERT_EQ(otherRun.Take(std::filesystem::path(eeprom)), FileLock::Result::Locked);
        EXPECT_EQ(Run({"--simulate=" + eeprom, "erase", "--yes"}), 3);
        EXPECT_TRUE(Contains(err.str(), "is in use by another run; nothing was changed"));
        EXPECT_EQ(ReadFile(eeprom), before);
    }
    EXPECT_EQ(Run({"--simulate=" + eeprom, "erase", "--yes"}), 0) << err.str();

    const std::string nowhere = (folder.Path() / "no-such-folder" / "camera.eeprom").string();
    EXPECT_EQ(Run({"--simulate=" + nowhere, "upload", file}), 2);
    EXPECT_TRUE(Contains(err.str(), "cannot be written: No such file or directory"));
    EXPECT_FALSE(Contains(err.str(), "Upload finish"));
}

}  // namespace
}  // namespace kestrovane::testing
