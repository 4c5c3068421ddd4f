// auto: the auto-upload stream in a terminal.
#include <gtest/gtest.h>

#include "CliTestFixture.h"

namespace kestrovane::testing {
namespace {

class AutoCommand : public CliTest {};

// Cameras plugged in one after the other under one path are served in turn,
// one line each; Ctrl+C in the middle of a camera stops at the top of the
// next block and leaves that camera's marker 'B'.
TEST_F(AutoCommand, ServesAStreamOfCamerasUntilCtrlC) {
    const std::string path = CameraPath(0);
    const auto first = AttachCamera(0);
    std::shared_ptr<sim::SimulatedController> second;
    const std::string file = SampleImage();
    // The first camera is served by about 7.3 s (a look, 2 s of settling, 257
    // blocks of 20 ms); the second is plugged in at 9.5 s and stopped
    // half-way through its blocks.
    clock.At(9000, [&] { machine.Detach(path); });
    clock.At(9500, [&] { second = AttachCamera(0); });
    clock.At(9500 + 2200 + 100 * 20, [&] { stop = 1; });

    EXPECT_EQ(Run({"auto", file, "--camera", path}), 1);
    const std::string expected = "camera 1: " + path + ": Upload successfully\ncamera 2: " + path +
                                 ": Operation cancelled\n1 camera(s) served, 1 pass(es) failed\n";
    EXPECT_EQ(out.str(), expected);
    EXPECT_TRUE(Contains(err.str(), "Operation status: No camera"));
    EXPECT_TRUE(Holds(*first, Committed(samples::MakeSampleImage())));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->EepromByte(0), 'B');
}

// --count ends the stream by itself; with --simulate the simulated line
// hands over a fresh camera after each one served.
TEST_F(AutoCommand, EndsAfterTheCountWithSimulatedCameras) {
    const std::string file = SampleImage();
    ASSERT_EQ(Run({"--simulate", "--json", "auto", file, "--count", "2", "--block-delay", "0"}), 0)
        << err.str();
    const nlohmann::json document = Document();
    EXPECT_EQ(document["served"], 2);
    ASSERT_EQ(document["passes"].size(), 2u);
    EXPECT_EQ(document["passes"][1]["status"], "Upload successfully");
}

}  // namespace
}  // namespace kestrovane::testing
