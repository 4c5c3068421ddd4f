// The image editor's open and save on random files, with every EEPROM type
// (none chosen, 0..4) and, for the large parts, both chip tables.
//
// The input is the image file, with the user's edits taken from its end: the
// last byte says which fields the user changed (none: the save must leave the
// file byte for byte as it was), the bytes before it give the new values.
//
// Checked for every open: the status the length rules give, and the fields
// the file holds where they lie. For every save: the file keeps its length; a
// refused save writes nothing; an accepted one changes no byte outside the
// fields the editor knows, keeps the firmware's orientation bits, and every
// changed text, id and orientation bit reads back (no write of an accepted
// save lands on another field).

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "image/EepromType.h"
#include "image/FieldOffsets.h"
#include "image/ImageEditorOpen.h"
#include "image/ImageEditorSave.h"
#include "image/LengthRules.h"
#include "image/ParameterOffsets.h"

namespace kestrovane::fuzzing {
namespace {

using Bytes = std::vector<uint8_t>;

// Which fields the user changed.
enum EditedField : uint8_t {
    kEditParameters = 1 << 0,
    kEditFrequency = 1 << 1,
    kEditUpsideDown = 1 << 2,
    kEditVendorId = 1 << 3,
    kEditProductId = 1 << 4,
    kEditDescription = 1 << 5,
    kEditBinVersion = 1 << 6,
    kEditHwVersion = 1 << 7,
};

struct Wishes {
    uint8_t changed = 0;
    std::array<std::array<int64_t, 3>, kPictureParameters.size()> parameters{};
    int frequencyChoice = -1;
    bool upsideDown = false;
    std::optional<uint64_t> vendorId;
    std::optional<uint64_t> productId;
    std::string description;
    std::string binVersion;
    std::string hwVersion;
};

// A typed number: mostly one every field takes, sometimes any number.
int64_t TypedNumber(FuzzedDataProvider& input) {
    const uint8_t small = input.ConsumeIntegral<uint8_t>();
    if (small < 0xF0) return small;
    return input.ConsumeIntegralInRange<int64_t>(-70000, 70000);
}

std::optional<uint64_t> TypedId(FuzzedDataProvider& input) {
    if (input.ConsumeIntegralInRange<int>(0, 15) == 0) return std::nullopt;  // no hex digit
    return input.ConsumeIntegralInRange<uint64_t>(0, 0x1FFFF);
}

// A typed text, its characters taken from the end of the input as well.
std::string TypedText(FuzzedDataProvider& input, std::size_t maxLength) {
    std::string text(input.ConsumeIntegralInRange<std::size_t>(0, maxLength), '\0');
    for (char& c : text) c = static_cast<char>(input.ConsumeIntegralInRange<int>(0x20, 0x7E));
    return text;
}

Wishes ConsumeWishes(FuzzedDataProvider& input) {
    Wishes wishes;
    wishes.changed = input.ConsumeIntegral<uint8_t>();
    if (wishes.changed & kEditParameters) {
        for (auto& values : wishes.parameters) {
            for (int64_t& value : values) value = TypedNumber(input);
        }
    }
    if (wishes.changed & kEditFrequency) {
        wishes.frequencyChoice = input.ConsumeIntegralInRange<int>(-1, 1);
    }
    if (wishes.changed & kEditUpsideDown) wishes.upsideDown = input.ConsumeBool();
    if (wishes.changed & kEditVendorId) wishes.vendorId = TypedId(input);
    if (wishes.changed & kEditProductId) wishes.productId = TypedId(input);
    // Up to one past each limit: 255 for the description, 16 for versions.
    if (wishes.changed & kEditDescription) wishes.description = TypedText(input, 256);
    if (wishes.changed & kEditBinVersion) wishes.binVersion = TypedText(input, 17);
    if (wishes.changed & kEditHwVersion) wishes.hwVersion = TypedText(input, 17);
    return wishes;
}

// What the dialog hands over: the fields as the open showed them, with the
// user's changes.
ImageEdits EditsOf(const OpenedImage& image, const Wishes& wishes) {
    ImageEdits edits;
    for (PictureParameter parameter : kPictureParameters) {
        const OpenedParameter& shown = image[parameter];
        edits[parameter] = {shown.defaultValue.value_or(0), shown.minimum.value_or(0),
                            shown.maximum.value_or(0)};
        if (wishes.changed & kEditParameters) {
            const auto& values = wishes.parameters[static_cast<std::size_t>(parameter)];
            edits[parameter] = {values[0], values[1], values[2]};
        }
    }
    edits.frequencyChoice = FrequencyChoiceOf(image.frequencyCode);
    edits.upsideDown = image.upsideDown.value_or(false);
    edits.vendorId = image.vendorId;
    edits.productId = image.productId;
    edits.description = image.description.value_or("");
    edits.binVersion = image.binVersion.value_or("");
    edits.hwVersion = image.hwVersion.value_or("");
    if (wishes.changed & kEditFrequency) edits.frequencyChoice = wishes.frequencyChoice;
    if (wishes.changed & kEditUpsideDown) edits.upsideDown = wishes.upsideDown;
    if (wishes.changed & kEditVendorId) edits.vendorId = wishes.vendorId;
    if (wishes.changed & kEditProductId) edits.productId = wishes.productId;
    if (wishes.changed & kEditDescription) edits.description = wishes.description;
    if (wishes.changed & kEditBinVersion) edits.binVersion = wishes.binVersion;
    if (wishes.changed & kEditHwVersion) edits.hwVersion = wishes.hwVersion;
    return edits;
}

std::optional<uint16_t> Le16At(const Bytes& file, std::size_t offset) {
    if (offset + 2 > file.size()) return std::nullopt;
    return static_cast<uint16_t>(file[offset] | file[offset + 1] << 8);
}

// The text of a 16-byte version field: up to the first 0x00 or 0xFF.
std::string FieldText(const Bytes& file, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < offset + kVersionFieldLength && i < file.size(); ++i) {
        if (file[i] == 0x00 || file[i] == 0xFF) break;
        text.push_back(static_cast<char>(file[i]));
    }
    return text;
}

struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool Contains(std::size_t i) const { return i >= offset && i < offset + length; }
};

// Where the editor may write in a file of this layout: the ids, the
// description record (at its old place, as long as the new text), the
// version fields and the layout's parameters.
std::vector<Span> EditorFields(const Bytes& file, const OpenedImage& image,
                               std::size_t descriptionLength) {
    std::vector<Span> fields{{kVendorIdOffset, 2},
                             {kProductIdOffset, 2},
                             {kBinVersionOffset, kVersionFieldLength},
                             {kHwVersionOffset, kVersionFieldLength}};
    fields.push_back({file[kDescriptionOffsetOffset], 1 + descriptionLength});
    if (image.layout == ImageLayout::Small) {
        fields.push_back({kSmallBrightnessOffset, 6});  // five defaults, the frequency code
        return fields;
    }
    const std::size_t base = file[kParameterBaseOffset];
    const ParameterOffsets& table = parameterOffsetsOf(image.revision);
    for (PictureParameter parameter : kPictureParameters) {
        const ParameterLocation& location = table[parameter];
        if (location.defaultValue) fields.push_back({base + *location.defaultValue, 2});
        fields.push_back({base + location.minimum, 2});
        fields.push_back({base + location.maximum, 2});
    }
    fields.push_back({base + table.powerLineFrequency, 1});
    fields.push_back({kOrientationFlagsOffset, 1});
    return fields;
}

void CheckOpen(const Bytes& file, EepromType type, ChipRevision revision,
               const EditorOpenResult& result) {
    const ImageLayout layout = imageLayoutOf(type);
    FUZZ_CHECK(layout == (type >= kEeprom24C64 ? ImageLayout::Large : ImageLayout::Small));
    if (file.size() < kMinimumImageLength) {
        FUZZ_CHECK(result.status == EditorOpenStatus::ShorterThanHeader);
        return;
    }
    const std::size_t needed =
        std::max<std::size_t>(kMinimumLargeImageLength, file[kParameterBaseOffset] + 197u);
    if (layout == ImageLayout::Large && file.size() < needed) {
        FUZZ_CHECK(result.status == EditorOpenStatus::ShorterThanParameterBlock);
        return;
    }
    FUZZ_CHECK(result.status == EditorOpenStatus::Opened);
    const OpenedImage& image = result.image;
    FUZZ_CHECK(image.layout == layout && image.eepromType == type);
    FUZZ_CHECK(image.vendorId == Le16At(file, kVendorIdOffset));
    FUZZ_CHECK(image.productId == Le16At(file, kProductIdOffset));
    const std::size_t record = file[kDescriptionOffsetOffset];
    if (record < file.size() && record + 1 + file[record] <= file.size()) {
        FUZZ_CHECK(
            image.description ==
            std::string(file.begin() + static_cast<std::ptrdiff_t>(record) + 1,
                        file.begin() + static_cast<std::ptrdiff_t>(record) + 1 + file[record]));
    } else {
        FUZZ_CHECK(!image.description);
    }
    for (const auto& [offset, text] : {std::pair{kBinVersionOffset, &image.binVersion},
                                       std::pair{kHwVersionOffset, &image.hwVersion}}) {
        if (offset + kVersionFieldLength <= file.size()) {
            FUZZ_CHECK(*text == FieldText(file, offset));
        } else {
            FUZZ_CHECK(!text->has_value());
        }
    }
    if (layout == ImageLayout::Small) {
        FUZZ_CHECK(!image.upsideDown && !image.identity);
        return;
    }
    FUZZ_CHECK(image.revision == revision);
    FUZZ_CHECK(image.upsideDown == ((file[kOrientationFlagsOffset] & 1) != 0));
    const uint16_t support = *Le16At(file, kSupportBitsOffset);
    for (PictureParameter parameter : kPictureParameters) {
        const bool supported = (support >> supportBitOf(parameter)) & 1;
        FUZZ_CHECK(image[parameter].supported == supported);
        FUZZ_CHECK(image[parameter].minimum.has_value() == supported);
    }
}

void CheckSave(const Bytes& before, const OpenedImage& image, const Wishes& wishes,
               const std::filesystem::path& path) {
    const ImageEdits edits = EditsOf(image, wishes);
    ImageSave save = ImageSave::Prepare(image, edits);
    if (save.Refusal()) {
        FUZZ_CHECK(save.PlannedBytes() == 0);
        FUZZ_CHECK(!save.Commit());
        FUZZ_CHECK(ReadWholeFile(path) == before);
        return;
    }
    FUZZ_CHECK(save.Commit());
    const Bytes after = ReadWholeFile(path);
    FUZZ_CHECK(after.size() == before.size());
    if (wishes.changed == 0) {
        FUZZ_CHECK(after == before);
        return;
    }
    const std::vector<Span> fields = EditorFields(before, image, edits.description.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] == before[i]) continue;
        FUZZ_CHECK(std::any_of(fields.begin(), fields.end(),
                               [i](const Span& field) { return field.Contains(i); }));
    }
    // No write of an accepted save lands on another field: the firmware's
    // orientation bits stay, and every field reads back as the user left it.
    if (image.layout == ImageLayout::Large) {
        FUZZ_CHECK((after[kOrientationFlagsOffset] & 0xFE) ==
                   (before[kOrientationFlagsOffset] & 0xFE));
        FUZZ_CHECK((after[kOrientationFlagsOffset] & 1) == (edits.upsideDown ? 1 : 0));
    }
    for (const auto& [offset, text, shown] :
         {std::tuple{kBinVersionOffset, &edits.binVersion, &image.binVersion},
          std::tuple{kHwVersionOffset, &edits.hwVersion, &image.hwVersion}}) {
        if (*text != shown->value_or("")) {
            FUZZ_CHECK(FieldText(after, offset) == FieldText(Bytes(text->begin(), text->end()), 0));
        }
    }
    if (edits.description != image.description.value_or("")) {
        const std::size_t record = before[kDescriptionOffsetOffset];
        FUZZ_CHECK(after[record] == edits.description.size());
        FUZZ_CHECK(std::equal(edits.description.begin(), edits.description.end(),
                              after.begin() + static_cast<std::ptrdiff_t>(record) + 1));
    }
    for (const auto& [offset, id] : {std::pair{kVendorIdOffset, &edits.vendorId},
                                     std::pair{kProductIdOffset, &edits.productId}}) {
        FUZZ_CHECK(Le16At(after, offset) == static_cast<uint16_t>(**id));
    }
}

}  // namespace
}  // namespace kestrovane::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace kestrovane;
    using namespace kestrovane::fuzzing;
    FuzzedDataProvider input(data, size);
    const Wishes wishes = ConsumeWishes(input);
    const Bytes file = input.ConsumeRemainingBytes<uint8_t>();
    const std::filesystem::path path = ScratchPath("image.bin");

    struct Choice {
        EepromType type;
        ChipRevision revision;
    };
    // The chip table matters only to the large parts.
    constexpr std::array<Choice, 8> kChoices{{{kNoEepromType, ChipRevision::Kv5},
                                              {kEeprom24C02, ChipRevision::Kv5},
                                              {kEeprom24C04, ChipRevision::Kv5},
                                              {kEeprom24C08, ChipRevision::Kv5},
                                              {kEeprom24C64, ChipRevision::Kv5},
                                              {kEeprom24C64, ChipRevision::Kv2ToKv4},
                                              {kEeprom24C128, ChipRevision::Kv5},
                                              {kEeprom24C128, ChipRevision::Kv2ToKv4}}};
    for (const Choice& choice : kChoices) {
        WriteWholeFile(path, file.data(), file.size());
        const EditorOpenResult opened =
            OpenImageForEditing(path.string(), choice.type, choice.revision);
        CheckOpen(file, choice.type, choice.revision, opened);
        if (opened.status == EditorOpenStatus::Opened) {
            CheckSave(file, opened.image, wishes, path);
        } else {
            FUZZ_CHECK(ReadWholeFile(path) == file);  // an open only reads
        }
    }
    return 0;
}
