#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "SampleImage.h"
#include "ScheduledClock.h"
#include "TempFolder.h"
#include "camera/CameraClaim.h"
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedMachine.h"
#include "cli/CommandLine.h"
#include "cli/SimulatedCameras.h"

namespace kestrovane::testing {

// Whether `text` holds `part`; a failure shows the whole text.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" is not in:\n" << text;
}

// The machine's services over a simulated machine the test arranges.
class TestPlatform final : public cli::CliPlatform {
public:
    TestPlatform(sim::SimulatedMachine& machine, DeviceInstaller& installer, CameraClaims& claims)
        : machine_(machine), installer_(installer), claims_(claims) {}
    CameraPort& Cameras() override { return machine_; }
    WindowList& Windows() override { return machine_; }
    CameraClaims& Claims() override { return claims_; }
    DeviceInstaller& Installer() override { return installer_; }
    std::string RestartRightsAdvice() const override { return "ask for the rights"; }

private:
    sim::SimulatedMachine& machine_;
    DeviceInstaller& installer_;
    CameraClaims& claims_;
};

// The command line run as a process would run it, over a simulated machine
// on virtual time, with its standard streams captured.
class CliTest : public ::testing::Test {
protected:
    // Runs the program; `out` and `err` then hold what it wrote.
    int Run(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        cli::CliEnvironment environment{console, clock, [this](cli::VerboseLines) {
                                            return std::make_unique<TestPlatform>(
                                                machine, installer, claims);
                                        }};
        return cli::RunCommandLine(arguments, environment);
    }

    // The JSON document the last run wrote.
    nlohmann::json Document() const { return nlohmann::json::parse(out.str()); }

    // The camera at `index` of a line of cameras under paths of their own.
    std::string CameraPath(int index) const { return cli::SimulatedCameras::CameraPath(index); }
    std::shared_ptr<sim::SimulatedController> AttachCamera(int index, XuProtocolLevel level = 2) {
        return machine.AttachCamera(CameraPath(index), 16384, level);
    }

    // A camera of another vendor, without the extension unit.
    void AddWebcam() {
        sim::SimulatedDevice webcam;
        webcam.path = sim::UsbCameraPath("046d", "0825", "webcam");
        webcam.nodeTypes = sim::PlainCameraNodes();
        machine.AddDevice(std::move(webcam));
    }

    // The project's sample image (8 KiB, 24C64), written into the test's folder.
    std::string SampleImage() {
        const std::vector<uint8_t> bytes = samples::MakeSampleImage();
        return WriteFile("sample.bin", bytes);
    }
    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::filesystem::path path = folder.Path() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string WriteText(const std::string& name, const std::string& text) {
        return WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // The sample image as a committed upload leaves it in a camera.
    static std::vector<uint8_t> Committed(const std::vector<uint8_t>& image) {
        std::vector<uint8_t> committed = image;
        committed[0] = 'A';
        return committed;
    }
    static bool Holds(const sim::SimulatedController& camera, const std::vector<uint8_t>& bytes) {
        const std::vector<uint8_t> eeprom = camera.Eeprom();
        return std::equal(bytes.begin(), bytes.end(), eeprom.begin());
    }

    ScheduledClock clock;
    sim::SimulatedMachine machine{clock};
    sim::SimulatedDeviceInstaller installer{machine};
    InProcessCameraClaims claims;
    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};

    std::ostringstream out;
    std::ostringstream err;
    std::atomic<int32_t> stop{0};
    // What the user types at questions, one answer per line.
    std::deque<std::string> answers;
    cli::Console console{out,
                         err,
                         false,
                         false,
                         false,
                         [this]() -> std::optional<std::string> {
                             if (answers.empty()) return std::nullopt;
                             std::string answer = answers.front();
                             answers.pop_front();
                             return answer;
                         },
                         stop};
};

}  // namespace kestrovane::testing
