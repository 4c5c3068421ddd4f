#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "image/ImageEditorOpen.h"
#include "image/ImageEditorSave.h"
#include "image/ImageFormat.h"

namespace kestrovane {
namespace {

constexpr uint8_t kBase = 0x40;
constexpr uint8_t kRecord = 0x30;

void PutLe16(std::vector<uint8_t>& bytes, std::size_t offset, int value) {
    bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void PutText(std::vector<uint8_t>& bytes, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A Large image: every parameter supported but Sharpness, a frequency code 7
// nobody knows, firmware bits around the orientation bit, a 4-character
// description and version texts with bytes after their terminators.
std::vector<uint8_t> LargeImage(ChipRevision revision) {
    std::vector<uint8_t> bytes = testing::PatternBytes(1024);
    bytes[kParameterBaseOffset] = kBase;
    PutLe16(bytes, kSupportBitsOffset, 0x042F);  // bits 0-3, 5 and 10
    bytes[kIdentityFlagsOffset] = kIdentityIdsInUse;
    bytes[kOrientationFlagsOffset] = 0xF0;
    bytes[kDescriptionOffsetOffset] = kRecord;
    bytes[kRecord] = 4;
    PutText(bytes, kRecord + 1, "Cam!");
    PutText(bytes, kBinVersionOffset, std::string("KV-2.1\0\x55\x66", 9));
    PutText(bytes, kHwVersionOffset, "HW-0123456789ABC");
    const ParameterOffsets& table = parameterOffsetsOf(revision);
    for (PictureParameter parameter : kPictureParameters) {
        const int n = static_cast<int>(parameter) * 100;
        if (table[parameter].defaultValue)
            PutLe16(bytes, kBase + *table[parameter].defaultValue, n + 1);
        PutLe16(bytes, kBase + table[parameter].minimum, n + 2);
        PutLe16(bytes, kBase + table[parameter].maximum, n + 3);
    }
    PutLe16(bytes, kBase + table[PictureParameter::Hue].minimum, 0xFFF6);  // -10
    bytes[kBase + table.powerLineFrequency] = 7;
    return bytes;
}

std::vector<uint8_t> SmallImage(std::size_t length) {
    std::vector<uint8_t> bytes = testing::PatternBytes(length);
    bytes[kDescriptionOffsetOffset] = kRecord;
    if (length > kRecord) bytes[kRecord] = 2;
    for (std::size_t i = 0; i < 6 && 41 + i < length; ++i)
        bytes[41 + i] = static_cast<uint8_t>(10 + i);
    if (length > kSmallPowerLineCodeOffset) bytes[kSmallPowerLineCodeOffset] = 2;
    return bytes;
}

// The edits that show what the open read, as the dialog hands them over
// when the user changes nothing.
ImageEdits EditsShowing(const OpenedImage& image) {
    ImageEdits edits;
    for (PictureParameter parameter : kPictureParameters) {
        const OpenedParameter& shown = image[parameter];
        edits[parameter] = {shown.defaultValue.value_or(0), shown.minimum.value_or(0),
                            shown.maximum.value_or(0)};
    }
    edits.frequencyChoice = FrequencyChoiceOf(image.frequencyCode);
    edits.upsideDown = image.upsideDown.value_or(false);
    edits.vendorId = image.vendorId;
    edits.productId = image.productId;
    edits.description = image.description.value_or("");
    edits.binVersion = image.binVersion.value_or("");
    edits.hwVersion = image.hwVersion.value_or("");
    return edits;
}

class ImageEditorTest : public ::testing::Test {
protected:
    OpenedImage Open(const std::vector<uint8_t>& bytes, EepromType type,
                     ChipRevision revision = ChipRevision::Kv5) {
        path_ = dir_.WriteFile("image.bin", bytes).string();
        const EditorOpenResult result = OpenImageForEditing(path_, type, revision);
        EXPECT_EQ(result.status, EditorOpenStatus::Opened);
        return result.image;
    }
    std::optional<EditorSaveRefusal> Save(const OpenedImage& image, const ImageEdits& edits) {
        ImageSave save = ImageSave::Prepare(image, edits);
        if (save.Refusal()) return save.Refusal();
        EXPECT_TRUE(save.Commit());
        return std::nullopt;
    }
    std::vector<uint8_t> FileBytes() const { return *readWholeFile(path_); }

    testing::TempDir dir_;
    std::string path_;
};

TEST_F(ImageEditorTest, EveryLargeFieldRoundTripsWithBothChipTables) {
    for (ChipRevision revision : {ChipRevision::Kv2ToKv4, ChipRevision::Kv5}) {
        SCOPED_TRACE(revision == ChipRevision::Kv5 ? "kv5" : "kv2-kv4");
        const std::vector<uint8_t> original = LargeImage(revision);
        const OpenedImage image = Open(original, kEeprom24C64, revision);
        EXPECT_EQ(image[PictureParameter::Gamma].defaultValue, 501);
        EXPECT_EQ(image[PictureParameter::Hue].minimum, -10);
        EXPECT_FALSE(image[PictureParameter::Hue].defaultValue);
        EXPECT_FALSE(image[PictureParameter::Sharpness].supported);
        EXPECT_FALSE(image[PictureParameter::Sharpness].minimum);
        EXPECT_EQ(image.frequencyCode, 7);
        EXPECT_EQ(image.upsideDown, false);
        EXPECT_TRUE(image.identity->idsInUse);
        EXPECT_FALSE(image.identity->descriptionInUse);
        EXPECT_EQ(image.description, "Cam!");
        EXPECT_EQ(image.binVersion, "KV-2.1");
        EXPECT_EQ(image.hwVersion, "HW-0123456789ABC");

        ImageEdits edits = EditsShowing(image);
        for (PictureParameter parameter : kPictureParameters) {
            const int n = 60000 + static_cast<int>(parameter) * 10;
            edits[parameter] = {n, n + 1, n + 2};
        }
        edits[PictureParameter::Hue] = {0, -32768, 32767};
        edits[PictureParameter::Sharpness] = {99999, -1, 70000};  // not supported: never written
        edits.frequencyChoice = 1;
        edits.upsideDown = true;
        edits.vendorId = 0x3A5E;
        edits.productId = 0x00A5;
        edits.description = "Cam";
        edits.binVersion = "KV-9.9";
        ASSERT_FALSE(Save(image, edits));

        const EditorOpenResult reread = OpenImageForEditing(path_, kEeprom24C128, revision);
        ASSERT_EQ(reread.status, EditorOpenStatus::Opened);
        for (PictureParameter parameter : {PictureParameter::Brightness, PictureParameter::Contrast,
                                           PictureParameter::Saturation, PictureParameter::Gamma}) {
            const EditedParameter& want = edits[parameter];
            EXPECT_EQ(reread.image[parameter].defaultValue, want.defaultValue);
            EXPECT_EQ(reread.image[parameter].minimum, want.minimum);
            EXPECT_EQ(reread.image[parameter].maximum, want.maximum);
        }
        EXPECT_EQ(reread.image[PictureParameter::Hue].minimum, -32768);
        EXPECT_EQ(reread.image[PictureParameter::Hue].maximum, 32767);
        EXPECT_EQ(reread.image.frequencyCode, 2);
        EXPECT_EQ(reread.image.upsideDown, true);
        EXPECT_EQ(reread.image.vendorId, 0x3A5E);
        EXPECT_EQ(reread.image.productId, 0x00A5);
        EXPECT_EQ(reread.image.description, "Cam");
        EXPECT_EQ(reread.image.binVersion, "KV-9.9");

        // Only the editor's fields changed; the firmware's bits and the rest
        // of every byte stay, and the file keeps its length.
        const std::vector<uint8_t> saved = FileBytes();
        ASSERT_EQ(saved.size(), original.size());
        EXPECT_EQ(saved[kOrientationFlagsOffset], 0xF1);
        const ParameterOffsets& table = parameterOffsetsOf(revision);
        std::set<std::size_t> fields{
            5, 6, 7, 8, kOrientationFlagsOffset, kBase + std::size_t{table.powerLineFrequency}};
        for (std::size_t i = 0; i < 5; ++i) fields.insert(kRecord + i);
        for (std::size_t i = 0; i < 16; ++i) fields.insert(kBinVersionOffset + i);
        for (PictureParameter parameter : kPictureParameters) {
            if (parameter == PictureParameter::Sharpness) continue;
            for (auto offset : {table[parameter].defaultValue.value_or(table[parameter].minimum),
                                table[parameter].minimum, table[parameter].maximum}) {
                fields.insert(kBase + std::size_t{offset});
                fields.insert(kBase + std::size_t{offset} + 1);
            }
        }
        for (std::size_t i = 0; i < saved.size(); ++i) {
            if (!fields.contains(i)) {
                EXPECT_EQ(saved[i], original[i]) << "offset " << i;
            }
        }
    }
}

TEST_F(ImageEditorTest, SmallImagesKeepTheirOneByteDefaultsAndCode) {
    const OpenedImage image = Open(SmallImage(256), kEeprom24C08);
    EXPECT_EQ(image.layout, ImageLayout::Small);
    EXPECT_EQ(image[PictureParameter::Brightness].defaultValue, 10);
    EXPECT_EQ(image[PictureParameter::Gamma].defaultValue, 14);
    EXPECT_FALSE(image[PictureParameter::Hue].supported);
    EXPECT_FALSE(image[PictureParameter::Brightness].minimum);
    EXPECT_EQ(image.frequencyCode, 2);
    EXPECT_FALSE(image.upsideDown);

    ImageEdits edits = EditsShowing(image);
    edits[PictureParameter::Brightness].defaultValue = 255;
    edits[PictureParameter::Contrast].defaultValue = 0;
    edits[PictureParameter::Gamma].defaultValue = 7;
    edits[PictureParameter::Brightness].minimum = 70000;  // no minimum in this layout
    edits.frequencyChoice = 0;
    ASSERT_FALSE(Save(image, edits));
    const std::vector<uint8_t> saved = FileBytes();
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 41, saved.begin() + 47),
              (std::vector<uint8_t>{255, 0, 12, 13, 7, 1}));
}

// Saving what was opened changes nothing: a code no choice stands for, and
// version texts with bytes after their terminators, stay as they are.
TEST_F(ImageEditorTest, AnUnchangedSaveLeavesTheFileAsItWas) {
    std::vector<uint8_t> small = SmallImage(256);
    small[kSmallPowerLineCodeOffset] = 0;
    for (const auto& [bytes, type] :
         {std::pair{LargeImage(ChipRevision::Kv5), kEeprom24C64}, std::pair{small, kEeprom24C02}}) {
        const OpenedImage image = Open(bytes, type);
        EXPECT_EQ(FrequencyChoiceOf(image.frequencyCode), -1);
        ASSERT_FALSE(Save(image, EditsShowing(image)));
        EXPECT_EQ(FileBytes(), bytes);
    }
    // A changed version text is written with zeros after it; the other stays.
    const OpenedImage image = Open(LargeImage(ChipRevision::Kv5), kEeprom24C64);
    ImageEdits edits = EditsShowing(image);
    edits.hwVersion = "HW-B";
    ASSERT_FALSE(Save(image, edits));
    const std::vector<uint8_t> saved = FileBytes();
    EXPECT_EQ(std::string(saved.begin() + kHwVersionOffset, saved.begin() + kHwVersionOffset + 16),
              std::string("HW-B\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(saved[kBinVersionOffset + 7], 0x55);
}

TEST_F(ImageEditorTest, ARefusedSaveNamesTheFieldAndWritesNothing) {
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        EepromType type;
        std::function<void(ImageEdits&)> change;
        EditorSaveProblem problem;
        std::string field;
    };
    std::vector<uint8_t> longRecord = SmallImage(256);
    longRecord[kDescriptionOffsetOffset] = 100;
    longRecord[100] = 4;
    const std::vector<Case> cases{
        {"large default above 65535", LargeImage(ChipRevision::Kv5), kEeprom24C64,
         [](ImageEdits& e) { e[PictureParameter::Brightness].defaultValue = 70000; },
         EditorSaveProblem::ValueOutOfRange, "Brightness default"},
        {"small default above 255", SmallImage(256), kEeprom24C02,
         [](ImageEdits& e) { e[PictureParameter::Gamma].defaultValue = 300; },
         EditorSaveProblem::ValueOutOfRange, "Gamma default"},
        {"hue below -32768", LargeImage(ChipRevision::Kv5), kEeprom24C64,
         [](ImageEdits& e) { e[PictureParameter::Hue].minimum = -32769; },
         EditorSaveProblem::ValueOutOfRange, "Hue minimum"},
        {"hue above 32767", LargeImage(ChipRevision::Kv5), kEeprom24C64,
         [](ImageEdits& e) { e[PictureParameter::Hue].maximum = 32768; },
         EditorSaveProblem::ValueOutOfRange, "Hue maximum"},
        {"vendor id without a hex digit", SmallImage(256), kEeprom24C02,
         [](ImageEdits& e) { e.vendorId.reset(); }, EditorSaveProblem::InvalidId, "vendor id"},
        {"product id above ffff", SmallImage(256), kEeprom24C02,
         [](ImageEdits& e) { e.productId = 0x10000; }, EditorSaveProblem::InvalidId, "product id"},
        {"description over 255 characters", SmallImage(256), kEeprom24C02,
         [](ImageEdits& e) { e.description = std::string(256, 'd'); },
         EditorSaveProblem::TextTooLong, "device description"},
        {"longer description over the version", longRecord, kEeprom24C02,
         [](ImageEdits& e) { e.description = std::string(20, 'd'); },
         EditorSaveProblem::OverlapsField, "device description"},
        {"changed version past the end", SmallImage(120), kEeprom24C02,
         [](ImageEdits& e) { e.binVersion = "V2"; }, EditorSaveProblem::PastEnd, "bin version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OpenedImage image = Open(c.bytes, c.type);
        ImageEdits edits = EditsShowing(image);
        c.change(edits);
        const std::optional<EditorSaveRefusal> refusal = Save(image, edits);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->problem, c.problem);
        EXPECT_EQ(refusal->field, c.field);
        EXPECT_EQ(FileBytes(), c.bytes);
    }
    const OpenedImage image = Open(longRecord, kEeprom24C02);
    ImageEdits edits = EditsShowing(image);
    edits.description = std::string(20, 'd');
    EXPECT_EQ(Save(image, edits)->otherField, "bin version");
}

// A write that lands on another field the save writes or keeps is refused
// whatever the lengths, naming both fields, and nothing is written.
TEST_F(ImageEditorTest, NoWriteLandsOnAnotherField) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::function<void(ImageEdits&)> change;
        std::string field;
        std::string otherField;
    };
    // A record of the same length whose characters lie on the support bits.
    std::vector<uint8_t> onSupportBits = LargeImage(ChipRevision::Kv5);
    onSupportBits[kDescriptionOffsetOffset] = kSupportBitsOffset - 1;
    onSupportBits[kSupportBitsOffset - 1] = 2;
    // A record that starts on the orientation flags, which the user changes.
    std::vector<uint8_t> onOrientation = LargeImage(ChipRevision::Kv5);
    onOrientation[kDescriptionOffsetOffset] = kOrientationFlagsOffset;
    onOrientation[kOrientationFlagsOffset] = 3;  // upside down; three characters
    // Parameters at base 0: the Brightness minimum lies in the bin version.
    std::vector<uint8_t> lowBase = LargeImage(ChipRevision::Kv5);
    lowBase[kParameterBaseOffset] = 0;
    const std::vector<Case> cases{
        {"same-length description on the support bits", onSupportBits,
         [](ImageEdits& e) { e.description = "ab"; }, "device description", "support bits"},
        {"upside-down byte under the description", onOrientation,
         [](ImageEdits& e) { e.upsideDown = false; }, "orientation flags", "device description"},
        {"a parameter in the version field", lowBase,
         [](ImageEdits& e) { e[PictureParameter::Brightness].minimum = 7; }, "Brightness minimum",
         "bin version"},
        {"a changed version over the parameters", lowBase,
         [](ImageEdits& e) { e.binVersion = "KV-3"; }, "bin version", "Brightness default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OpenedImage image = Open(c.bytes, kEeprom24C64);
        ImageEdits edits = EditsShowing(image);
        c.change(edits);
        const std::optional<EditorSaveRefusal> refusal = Save(image, edits);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->problem, EditorSaveProblem::OverlapsField);
        EXPECT_EQ(refusal->field, c.field);
        EXPECT_EQ(refusal->otherField, c.otherField);
        EXPECT_EQ(FileBytes(), c.bytes);
    }
    // Untouched saves change no byte, so nothing lands anywhere: taken.
    for (const std::vector<uint8_t>& bytes : {onSupportBits, onOrientation, lowBase}) {
        const OpenedImage image = Open(bytes, kEeprom24C64);
        EXPECT_FALSE(Save(image, EditsShowing(image)));
        EXPECT_EQ(FileBytes(), bytes);
    }
}

TEST_F(ImageEditorTest, AnOpenShowsNothingFromOutsideTheFile) {
    std::vector<uint8_t> large = LargeImage(ChipRevision::Kv5);
    large.resize(732);
    const std::string shortLarge = dir_.WriteFile("732.bin", large).string();
    EXPECT_EQ(OpenImageForEditing(shortLarge, kEeprom24C64, ChipRevision::Kv5).status,
              EditorOpenStatus::ShorterThanParameterBlock);

    // A small image of 100 bytes: no version texts; its description record
    // at 0x60 says 80 characters, which run past the end.
    std::vector<uint8_t> hundred = SmallImage(100);
    hundred[kDescriptionOffsetOffset] = 0x60;
    hundred[0x60] = 80;
    OpenedImage image = Open(hundred, kEeprom24C02);
    EXPECT_FALSE(image.binVersion);
    EXPECT_FALSE(image.hwVersion);
    EXPECT_FALSE(image.description);
    EXPECT_EQ(image[PictureParameter::Gamma].defaultValue, 14);
    // Saved untouched, it writes nothing that is not there.
    ASSERT_FALSE(Save(image, EditsShowing(image)));
    EXPECT_EQ(FileBytes(), hundred);

    // One of 44 bytes ends inside the defaults.
    image = Open(SmallImage(44), kEeprom24C02);
    EXPECT_EQ(image[PictureParameter::Saturation].defaultValue, 12);
    EXPECT_FALSE(image[PictureParameter::Sharpness].defaultValue);
    EXPECT_FALSE(image[PictureParameter::Gamma].defaultValue);
    EXPECT_FALSE(image.frequencyCode);
}

}  // namespace
}  // namespace kestrovane
