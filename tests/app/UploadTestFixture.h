#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "FakeDialogWindow.h"
#include "SimulatedCameraFixture.h"
#include "TempFolder.h"
#include "VirtualClock.h"
#include "app/UploadDialogIds.h"
#include "app/UploadHost.h"
#include "app/UploadWorker.h"
#include "upload/UploadSettings.h"

namespace kestrovane::testing {

// The dialog as an upload worker sees it, over a fake window.
class FakeUploadHost final : public UploadHost {
public:
    DialogWindow& Window() override { return window; }
    std::atomic<int32_t>& UploadRunning() override { return uploadRunning; }
    std::atomic<int32_t>& RestartPending() override { return restartPending; }
    std::atomic<int32_t>& CurrentCameraDone() override { return currentCameraDone; }
    std::string IdleButtonText() override { return verifyOnlyNow ? "Verify" : "Upload"; }
    bool Closing() override {
        const bool value = closing;
        // Lets a test land the dialog's close right after the worker looked.
        if (closeRightAfterLook.exchange(false)) {
            closing = true;
            uploadRunning.exchange(0);
        }
        return value;
    }
    void CountFinish() override { ++finishCount; }
    int Report(const MessageReport& message) override {
        return window.ShowMessage(message.text, message.caption, message.style);
    }

    FakeDialogWindow window{"camera path"};
    std::atomic<int32_t> uploadRunning{0};
    std::atomic<int32_t> restartPending{0};
    std::atomic<int32_t> currentCameraDone{0};
    std::atomic<bool> verifyOnlyNow{false};
    std::atomic<bool> closing{false};
    std::atomic<bool> closeRightAfterLook{false};
    std::atomic<int> finishCount{0};
};

// A virtual clock that runs an action at the n-th millisecond pause: the
// worker's block pauses are its only ones, so "at pause n" means "while block
// n - 1 waits".
class ActingClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override {
        time.SleepMs(milliseconds);
        ++pauses;
        pauseLengths.push_back(milliseconds);
        if (action && pauses == actAtPause) action();
    }
    uint64_t NowMs() const override { return time.NowMs(); }

    VirtualClock time;
    int pauses = 0;
    std::vector<uint32_t> pauseLengths;
    int actAtPause = 0;
    std::function<void()> action;
};

// One Tovrine camera (level 2, 24C128) and an image file in a fresh folder.
class UploadTest : public SimulatedCameraTest {
protected:
    UploadTest() : folder_(TestFolderName()), folderPath_(folder_.Path()) {
        settings.imagePath = (folderPath_ / "image.bin").string();
        settings.eepromType = kEeprom24C64;
        settings.cameraPath = cameraPath;
    }

    // Writes the image file: `length` bytes 0x10, 0x11, ... (wrapping).
    std::vector<uint8_t> WriteImage(std::size_t length) {
        std::vector<uint8_t> bytes(length);
        for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(0x10 + i);
        WriteImageBytes(bytes);
        return bytes;
    }
    void WriteImageBytes(const std::vector<uint8_t>& bytes) {
        std::ofstream file(settings.imagePath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> ReadImageFile() const {
        std::ifstream file(settings.imagePath, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    void Run() { uploadWorker(host, machine, workerClock, settings); }

    std::vector<RecordedMessage> Messages() const { return host.window.Messages(); }

    // The dialog after the wind-down: caption, button, progress bar, flag.
    void ExpectWoundDown(const std::string& buttonText = "Upload") {
        EXPECT_EQ(host.window.Caption(), "Pelloric");
        EXPECT_EQ(host.window.Control(kUploadButton).text, buttonText);
        EXPECT_FALSE(host.window.Control(kProgressBar).visible);
        EXPECT_EQ(host.uploadRunning, 0);
    }

    // EEPROM-channel requests the worker sent, by their first byte.
    std::size_t CountSent(uint8_t firstByte) const {
        std::size_t count = 0;
        for (const XuRequest& request : SentRequests(EepromChannel)) {
            if (request[0] == firstByte) ++count;
        }
        return count;
    }

    // Transfers MakeEepromWritable makes before the worker's own requests.
    static constexpr uint64_t kWritableTransfers = 10;

    FakeUploadHost host;
    ActingClock workerClock;
    UploadSettings settings;

private:
    static std::string TestFolderName() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string("kestrovane_upload_") + test->test_suite_name() + "_" + test->name();
    }
    TempFolder folder_;

protected:
    const std::filesystem::path folderPath_;
};

}  // namespace kestrovane::testing
