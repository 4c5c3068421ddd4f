#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "FakeDialogWindow.h"
#include "TempFolder.h"
#include "VirtualClock.h"
#include "app/AppServices.h"
#include "app/UploadDialogIds.h"
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::testing {

// A program stored in a fresh temporary folder.
class FakeProgramPath final : public ProgramPath {
public:
    explicit FakeProgramPath(std::string path) : path_(std::move(path)) {}
    std::string FullPath() const override { return path_; }

private:
    std::string path_;
};

// Services of a program in a temporary folder, with fake windows prepared as
// the main dialog's and the About box's templates create them.
class AppTest : public ::testing::Test {
protected:
    AppTest()
        : folder_(FolderName()),
          programPath_((folder_.Path() / "Kestrovane.exe").string()),
          services_{host_,    programPath_, clock_,      machine_,
                    machine_, claims_,      cameraPath_, installer_} {
        host_.SetTemplate(kUploadDialogTemplate, [](FakeDialogWindow& window) {
            window.SetCaption("Pelloric");
            window.SetResourceString(kAboutMenuStringId, "关于 Kestrovane(&A)...");
            window.SetItemText(kUploadButton, "Upload");
            window.SetItemText(kFinishCountText, "Upload finished times:");
            for (int id : {kBlockDelayEdit, kProgressBar, kAdvancedButton, kForceEnableCheck,
                           kForceKind8k16k32kRadio, kForceKind256BRadio, kEraseButton}) {
                window.CreateHidden(id);
            }
        });
        host_.SetTemplate(kAboutDialogTemplate,
                          [](FakeDialogWindow& window) { window.SetCaption("关于 Kestrovane"); });
    }

    std::filesystem::path CounterFile() const { return folder_.Path() / "Kestrovane.DAT"; }
    void WriteCounterFile(std::initializer_list<unsigned char> bytes) const {
        std::ofstream file(CounterFile(), std::ios::binary);
        for (unsigned char byte : bytes) file.put(static_cast<char>(byte));
    }

    FakeDialogHost host_;
    VirtualClock clock_;
    sim::SimulatedMachine machine_{clock_};
    InProcessCameraClaims claims_;
    CameraPath cameraPath_;
    sim::SimulatedDeviceInstaller installer_{machine_};

private:
    static std::string FolderName() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string("kestrovane_app_") + test->test_suite_name() + "_" + test->name();
    }

    TempFolder folder_;
    FakeProgramPath programPath_;

protected:
    AppServices services_;
};

}  // namespace kestrovane::testing
