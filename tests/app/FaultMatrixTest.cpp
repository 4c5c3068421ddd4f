// Every single transfer of an upload, an erase and a register load is
// interrupted in turn: the transfer fails, the camera is unplugged at it, or
// (for a block commit) the commit is torn as an EEPROM's page write tears: its
// first bytes only, all or nothing before the stop condition, undefined bytes
// after a power loss in the write cycle, or torn by a pulled cable and gone.
// After each run the camera holds the marker 'A' in front of an image that is
// not whole only when the user was told that it may, a notice that the marker
// was set back to 'B' is true of the EEPROM, a verify afterwards tells the
// truth, the user was told of the failure, and the dialog wound down.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <string>
#include <vector>

#include "AdvancedTestFixture.h"
#include "FakeDialogWindow.h"
#include "UploadTestFixture.h"
#include "app/DeviceCommands.h"
#include "image/FieldOffsets.h"

namespace kestrovane::testing {
namespace {

enum class Interruption {
    TransferFails,
    Unplugged,
    TornCommit,     // the commit's first bytes only
    CutBeforeStop,  // nothing written, or (odd variants) all written and the answer lost
    PowerLost,      // the page's bytes undefined
    PulledCable,    // the page's bytes undefined, and the camera gone at once
};

const char* Name(Interruption interruption) {
    switch (interruption) {
        case Interruption::TransferFails:
            return "transfer fails";
        case Interruption::Unplugged:
            return "unplugged";
        case Interruption::TornCommit:
            return "torn commit";
        case Interruption::CutBeforeStop:
            return "cut before the stop condition";
        case Interruption::PowerLost:
            return "power lost in the write cycle";
        case Interruption::PulledCable:
            return "cable pulled";
    }
    return "";
}

// Applies the interruption to the n-th transfer from now; `variant` chooses
// the undefined bytes of a power loss and the side of an all-or-nothing cut.
void Interrupt(sim::SimulatedController& camera, Interruption interruption, uint64_t n,
               std::size_t blockSize, uint32_t variant = 0) {
    switch (interruption) {
        case Interruption::TransferFails:
            camera.FailNthTransfer(n);
            break;
        case Interruption::Unplugged:
            camera.UnplugAfterTransfers(n - 1);
            break;
        case Interruption::TornCommit:
            camera.TearNthTransfer(n, 1 + n % (blockSize - 1));
            break;
        case Interruption::CutBeforeStop:
            camera.TearNthTransfer(
                n, sim::CommitTear{.kind = sim::TearKind::BeforeStop, .pageWritten = variant % 2 == 1});
            break;
        case Interruption::PowerLost:
        case Interruption::PulledCable:
            camera.TearNthTransfer(
                n, sim::CommitTear{.kind = sim::TearKind::PowerLost,
                                   .seed = variant,
                                   .cablePulled = interruption == Interruption::PulledCable});
            break;
    }
}

constexpr std::string_view kMarkerSetBack =
    "The camera now holds an incomplete image. Its first byte was set back to 'B'";
constexpr std::string_view kMarkerUnknown = "The camera may hold an incomplete image";

struct UploadCase {
    const char* name;
    EepromType type;
    std::size_t eepromSize;
    std::size_t imageLength;
    bool verify;
};

// Transfers that are block commits (EE_END_BLOCK), 1-based, in a clean run.
std::vector<uint64_t> CommitTransfers(const sim::SimulatedController& camera) {
    std::vector<uint64_t> commits;
    const auto log = camera.TransferLog();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (!log[i].isGet && log[i].selector == EepromChannel && log[i].bytes[0] == EE_END_BLOCK) {
            commits.push_back(i + 1);
        }
    }
    return commits;
}

class UploadMatrix {
public:
    explicit UploadMatrix(const UploadCase& upload) : upload_(upload), folder_(upload.name) {
        settings_.imagePath = (folder_.Path() / "image.bin").string();
        settings_.eepromType = upload.type;
        settings_.verifyAfterWrite = upload.verify;
        settings_.blockDelayMs = 20;
        settings_.cameraPath = kPath;
        std::vector<char> bytes(upload.imageLength);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
        // A finished image file: so a verify afterwards matches a whole image.
        bytes[kMarkerOffset] = static_cast<char>(kMarkerComplete);
        std::ofstream(settings_.imagePath, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        padded_.assign(bytes.begin(), bytes.end());
        blockSize_ = upload.type <= kEeprom24C08 ? 8 : 32;
        padded_.resize((padded_.size() + blockSize_ - 1) / blockSize_ * blockSize_, 0);
        padded_[kMarkerOffset] = kMarkerComplete;
    }

    // A clean run: how many transfers, which of them commit a block.
    void Measure() {
        VirtualClock clock;
        sim::SimulatedMachine machine(clock);
        auto camera = Plug(machine);
        FakeUploadHost host;
        uploadWorker(host, machine, clock, settings_);
        ASSERT_EQ(host.window.Messages().at(0).text, "Upload finish");
        transfers_ = camera->TransferCount();
        commits_ = CommitTransfers(*camera);
    }

    // One run interrupted at transfer n; false (with a recorded failure) when
    // an invariant does not hold.
    void RunInterrupted(Interruption interruption, uint64_t n, uint32_t variant = 0) {
        VirtualClock clock;
        sim::SimulatedMachine machine(clock);
        auto camera = Plug(machine);
        Interrupt(*camera, interruption, n, blockSize_, variant);
        FakeUploadHost host;
        uploadWorker(host, machine, clock, settings_);
        ++runs_;

        const auto where = [&] {
            return std::string(upload_.name) + ", " + Name(interruption) + " at transfer " +
                   std::to_string(n);
        };
        const std::vector<uint8_t> eeprom = camera->Eeprom();
        const bool whole = std::equal(padded_.begin(), padded_.end(), eeprom.begin());
        const auto messages = host.window.Messages();
        const auto told = [&](std::string_view notice) {
            return std::any_of(messages.begin(), messages.end(),
                               [&](const auto& m) { return m.text.starts_with(notice); });
        };
        const bool markerUnknown = told(kMarkerUnknown);
        // A camera the run never wrote to keeps its older image, marker and
        // all; else 'A' stands in front of an image that is not whole only
        // where the user heard that the camera may hold one.
        const bool markedBroken =
            eeprom[kMarkerOffset] == kMarkerComplete && !whole && eeprom != OldImage();
        if (markedBroken && !markerUnknown) {
            ADD_FAILURE() << where() << ": 'A' in front of an image that is not whole";
        }
        if (told(kMarkerSetBack) && eeprom[kMarkerOffset] != kMarkerUploadStarted) {
            ADD_FAILURE() << where() << ": told 'B' was set back, the EEPROM holds "
                          << int(eeprom[kMarkerOffset]);
        }
        if (markedBroken && n == commits_.front()) ++oldMarkerBeforeChangedBytes_;
        const auto header = static_cast<std::ptrdiff_t>(blockSize_);
        if (markedBroken && n == commits_.back() &&
            !std::equal(padded_.begin() + 1, padded_.begin() + header, eeprom.begin() + 1)) {
            ++markerBeforeGarbageHeader_;
        }
        if (interruption == Interruption::PulledCable && !camera->Present()) ++tornThenGone_;
        if (told(kMarkerSetBack) || markerUnknown) VerifyTellsTheTruth(machine, clock, *camera, where());
        const bool finished = !messages.empty() && messages[0].text == "Upload finish";
        if (finished && !whole) ADD_FAILURE() << where() << ": success reported, image not whole";
        if (!finished) {
            if (messages.empty()) ADD_FAILURE() << where() << ": the user was told nothing";
            ++failuresTold_;
        }
        if (host.window.Caption() != "Pelloric" || host.uploadRunning != 0 ||
            host.window.Control(kProgressBar).visible) {
            ADD_FAILURE() << where() << ": the dialog did not wind down";
        }
    }

    // The camera answers the header's check with a mismatch: the image is
    // known bad although 'A' went out; the marker goes back to 'B' and the
    // user hears of the incomplete image.
    void RunWithBadHeader() {
        VirtualClock clock;
        sim::SimulatedMachine machine(clock);
        auto camera = Plug(machine);
        camera->MismatchCheckOfBlock(commits_.size());  // the header is the last block
        FakeUploadHost host;
        uploadWorker(host, machine, clock, settings_);
        ++runs_;
        ++failuresTold_;
        EXPECT_EQ(camera->EepromByte(kMarkerOffset), kMarkerUploadStarted) << upload_.name;
        const auto messages = host.window.Messages();
        ASSERT_EQ(messages.size(), 2u) << upload_.name;
        EXPECT_EQ(messages[0].text, "Verify header fail");
        EXPECT_TRUE(messages[1].text.starts_with(
            "The camera now holds an incomplete image. Its first byte was set back to 'B'"));
    }

    // With the camera back and its faults gone, a verify of the image file
    // tells what the EEPROM holds: a match only for the whole image, else the
    // first block that differs.
    void VerifyTellsTheTruth(sim::SimulatedMachine& machine, VirtualClock& clock,
                             sim::SimulatedController& camera, const std::string& where) {
        camera.ClearFaults();
        camera.Replug();
        const std::vector<uint8_t> eeprom = camera.Eeprom();
        std::string truth = "Verify finished, All match";
        for (std::size_t offset = 0; offset < padded_.size(); offset += blockSize_) {
            const auto at = static_cast<std::ptrdiff_t>(offset);
            const auto size = static_cast<std::ptrdiff_t>(blockSize_);
            if (!std::equal(padded_.begin() + at, padded_.begin() + at + size,
                            eeprom.begin() + at)) {
                truth = "Verify fail, block index = " + std::to_string(offset / blockSize_);
                break;
            }
        }
        UploadSettings verify = settings_;
        verify.verifyOnly = true;
        FakeUploadHost host;
        uploadWorker(host, machine, clock, verify);
        ++verifies_;
        const auto messages = host.window.Messages();
        if (messages.empty() || messages[0].text != truth) {
            ADD_FAILURE() << where << ": the verify afterwards said \""
                          << (messages.empty() ? "" : messages[0].text) << "\", the EEPROM: "
                          << truth;
        }
    }

    uint64_t Transfers() const { return transfers_; }
    int OldMarkerBeforeChangedBytes() const { return oldMarkerBeforeChangedBytes_; }
    int MarkerBeforeGarbageHeader() const { return markerBeforeGarbageHeader_; }
    int TornThenGone() const { return tornThenGone_; }
    int Verifies() const { return verifies_; }
    const std::vector<uint64_t>& Commits() const { return commits_; }
    int Runs() const { return runs_; }
    int FailuresTold() const { return failuresTold_; }

private:
    static constexpr const char* kPath =
        "\\\\?\\usb#vid_3a5e&pid_2b01&mi_00#7&matrix&0&0000#{65e8773d}\\global";

    // The camera held a complete older image.
    std::vector<uint8_t> OldImage() const {
        std::vector<uint8_t> old(upload_.eepromSize, 0x66);
        old[kMarkerOffset] = kMarkerComplete;
        return old;
    }
    std::shared_ptr<sim::SimulatedController> Plug(sim::SimulatedMachine& machine) const {
        auto camera = machine.AttachCamera(kPath, upload_.eepromSize, 2);
        camera->WriteEeprom(0, OldImage());
        return camera;
    }

    const UploadCase upload_;
    TempFolder folder_;
    UploadSettings settings_;
    std::vector<uint8_t> padded_;
    std::size_t blockSize_ = 32;
    uint64_t transfers_ = 0;
    std::vector<uint64_t> commits_;
    int runs_ = 0;
    int failuresTold_ = 0;
    int oldMarkerBeforeChangedBytes_ = 0;  // the older image's 'A' before this run's bytes
    int markerBeforeGarbageHeader_ = 0;    // 'A' before header bytes that are not the image's
    int tornThenGone_ = 0;
    int verifies_ = 0;
};

// Every transfer is interrupted, unless KESTROVANE_FAULT_MATRIX_STRIDE asks
// for every n-th only: the sanitizer builds, where the whole matrix would take
// minutes, look at a sample (every 4th under AddressSanitizer, every 16th
// under ThreadSanitizer); the plain build runs it whole.
uint64_t MatrixStride() {
    const char* stride = std::getenv("KESTROVANE_FAULT_MATRIX_STRIDE");
    const long value = stride != nullptr ? std::strtol(stride, nullptr, 10) : 1;
    return value > 1 ? static_cast<uint64_t>(value) : 1;
}

class FaultMatrixTest : public ::testing::TestWithParam<UploadCase> {};

TEST_P(FaultMatrixTest, AnUploadInterruptedAtEveryTransferNeverLooksComplete) {
    UploadMatrix matrix(GetParam());
    matrix.Measure();
    const auto start = std::chrono::steady_clock::now();
    const uint64_t stride = MatrixStride();
    for (uint64_t n = 1; n <= matrix.Transfers(); n += stride) {
        matrix.RunInterrupted(Interruption::TransferFails, n);
        matrix.RunInterrupted(Interruption::Unplugged, n);
    }
    const auto& commits = matrix.Commits();
    for (std::size_t i = 0; i < commits.size(); i += stride) {
        const auto variant = static_cast<uint32_t>(i);
        matrix.RunInterrupted(Interruption::TornCommit, commits[i]);
        matrix.RunInterrupted(Interruption::CutBeforeStop, commits[i], variant);
        matrix.RunInterrupted(Interruption::CutBeforeStop, commits[i], variant + 1);
        matrix.RunInterrupted(Interruption::PowerLost, commits[i], variant);
        matrix.RunInterrupted(Interruption::PulledCable, commits[i], variant);
    }
    // The commits of block 0 (its first write with 'B', the header with 'A')
    // torn in many ways: the undefined bytes take other values each time.
    for (const uint64_t commit : {commits.front(), commits.back()}) {
        for (uint32_t variant = 1000; variant < 1024; ++variant) {
            matrix.RunInterrupted(Interruption::PowerLost, commit, variant);
            matrix.RunInterrupted(Interruption::PulledCable, commit, variant);
        }
    }
    matrix.RunWithBadHeader();
    // The tears an EEPROM shows were all met.
    EXPECT_GT(matrix.OldMarkerBeforeChangedBytes(), 0)
        << "byte 0 still the old 'A', later bytes changed";
    EXPECT_GT(matrix.MarkerBeforeGarbageHeader(), 0) << "'A' with other header bytes garbage";
    EXPECT_GT(matrix.TornThenGone(), 0) << "torn, then gone";
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %llu transfers, %d runs (%zu commits, each torn five ways), %d verifies "
                "afterwards, in %.1f s\n",
                GetParam().name, static_cast<unsigned long long>(matrix.Transfers()),
                matrix.Runs(), matrix.Commits().size(), matrix.Verifies(), seconds);
    // Every interruption is a failure the user hears of.
    EXPECT_EQ(matrix.FailuresTold(), matrix.Runs());
}

INSTANTIATE_TEST_SUITE_P(
    Uploads, FaultMatrixTest,
    ::testing::Values(UploadCase{"Image16KiB24C128Verified", kEeprom24C128, 16384, 16384, true},
                      UploadCase{"Image1KiB24C08Unverified", kEeprom24C08, 1024, 1000, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrovane::testing

namespace kestrovane::testing {
namespace {

// Erase: the EEPROM made writable (10 transfers), then offset, word, commit.
TEST(FaultMatrix, AnEraseInterruptedAtEveryTransferIsNeverReportedAsDone) {
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "7&erase&0&0000");
    int runs = 0;
    for (const Interruption interruption :
         {Interruption::TransferFails, Interruption::Unplugged, Interruption::TornCommit}) {
        for (uint64_t n = 1; n <= 13; ++n) {
            VirtualClock clock;
            sim::SimulatedMachine machine(clock);
            auto camera = machine.AttachCamera(path, 256, 2);
            camera->WriteEeprom(0, {'A', 0x12, 0x34});
            Interrupt(*camera, interruption, n, 8);
            FakeDialogWindow window;
            window.ScriptAnswer(message_box::kIdYes);
            CameraPath chosen;
            InProcessCameraClaims claims;
            CameraAccess access{machine, machine, clock, chosen, claims};
            EraseDeviceImage(window, access);
            ++runs;

            const auto messages = window.Messages();
            ASSERT_EQ(messages.size(), 2u) << Name(interruption) << " at " << n;
            const bool erased = camera->EepromByte(0) == 0xFF && camera->EepromByte(1) == 0xFF;
            EXPECT_NE(messages[1].text, "Erase Finished") << Name(interruption) << " at " << n;
            EXPECT_EQ(messages[1].caption == "Fail" || messages[1].caption == "Error", true);
            // Untouched, unless the commit itself was torn: what it wrote is
            // unknown to the program, which reported a failure all the same.
            EXPECT_TRUE(camera->EepromByte(0) == 'A' ||
                        (interruption == Interruption::TornCommit && n == 13))
                << Name(interruption) << " at " << n << (erased ? ", erased" : "");
        }
    }
    std::printf("erase: %d runs\n", runs);
}

// A register file of eight chip registers loaded through the Advanced dialog.
class RegisterLoadMatrix : public AdvancedTest {};

TEST_F(RegisterLoadMatrix, ALoadInterruptedAtEveryTransferIsNeverReportedAsDone) {
    std::string text;
    for (int i = 0; i < 8; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "0x%04X:0x%04X\n", 0x40 + i, 0xA0 + i);
        text += line;
    }
    const std::string file = WriteText("load.txt", text);
    const auto reset = [&] {
        controller_->ClearFaults();
        controller_->Replug();
        for (int i = 0; i < 8; ++i) controller_->SetChipRegister(0x40 + i, 0);
    };
    const auto loaded = [&] {
        int count = 0;
        for (int i = 0; i < 8; ++i) count += controller_->ChipRegister(0x40 + i) == 0xA0 + i;
        return count;
    };
    int runs = 0;
    Run("", 3, [&](AdvancedDialog& d, FakeDialogWindow& window) {
        // A clean load: how many transfers it takes.
        reset();
        const uint64_t before = controller_->TransferCount();
        window.ScriptFileChoice(file);
        d.OnCommand(kLoadChipButton);
        ASSERT_EQ(window.Messages().back().text,
                  "WriteFile OK, file is written to tovrine registers!!");
        const uint64_t transfers = controller_->TransferCount() - before;
        for (const Interruption interruption :
             {Interruption::TransferFails, Interruption::Unplugged}) {
            for (uint64_t n = 1; n <= transfers; ++n) {
                reset();
                Interrupt(*controller_, interruption, n, 8);
                window.ScriptFileChoice(file);
                const std::size_t shown = window.Messages().size();
                d.OnCommand(kLoadChipButton);
                ++runs;
                ASSERT_EQ(window.Messages().size(), shown + 1);
                // Success only when every register holds its value; else a failure.
                const RecordedMessage told = window.Messages().back();
                if (told.caption != "Fail") {
                    EXPECT_EQ(told.text, "WriteFile OK, file is written to tovrine registers!!");
                    EXPECT_EQ(loaded(), 8) << Name(interruption) << " at " << n;
                }
                EXPECT_FALSE(claims_.IsClaimed(cameraPathText_));
                EXPECT_EQ(window.Cursor(), CursorShape::Arrow);
            }
        }
    });
    std::printf("register load: %d runs\n", runs);
}

}  // namespace
}  // namespace kestrovane::testing
