#include "image/ImageEditorSave.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>

#include "files/Utf8Path.h"
#include "image/ByteAccess.h"
#include "image/DeviceDescription.h"
#include "image/FieldOffsets.h"
#include "image/HeaderFields.h"
#include "image/LengthRules.h"
#include "image/ParameterBlock.h"
#include "image/VersionText.h"

namespace kestrovane {

namespace {

constexpr int64_t kMaxSmallValue = 0xFF;
constexpr int64_t kMaxLargeValue = 0xFFFF;
constexpr int64_t kMinHueValue = -32768;
constexpr int64_t kMaxHueValue = 32767;
constexpr int64_t kMaxId = 0xFFFF;

std::vector<uint8_t> Le16Bytes(int64_t value) {
    return {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF)};
}

std::string ValueName(PictureParameter parameter, std::string_view which) {
    return std::string(PictureParameterName(parameter)) + " " + std::string(which);
}

// A field of the image that the editor knows: where it lies and its name.
struct KnownField {
    std::size_t offset;
    std::size_t length;
    std::string name;
};

bool Overlap(const KnownField& a, const KnownField& b) {
    return a.offset < b.offset + b.length && b.offset < a.offset + a.length;
}

// Every field of the layout the editor knows, with the description record as
// the file holds it (when the open could read it).
std::vector<KnownField> KnownFields(const OpenedImage& opened, const ImageBytes& file,
                                    uint8_t base) {
    std::vector<KnownField> fields{
        {kMarkerOffset, 1, "marker"},
        {kVendorIdOffset, 2, "vendor id"},
        {kProductIdOffset, 2, "product id"},
        {kDescriptionOffsetOffset, 1, "description offset"},
        {kBinVersionOffset, kVersionFieldLength, "bin version"},
        {kHwVersionOffset, kVersionFieldLength, "HW version"},
    };
    if (opened.description) {
        const std::size_t record = readByte(file, kDescriptionOffsetOffset).value_or(0);
        fields.push_back({record, 1 + opened.description->size(), "device description"});
    }
    if (opened.layout == ImageLayout::Small) {
        for (PictureParameter parameter : kPictureParameters) {
            if (const auto offset = smallDefaultOffset(parameter)) {
                fields.push_back({*offset, 1, ValueName(parameter, "default")});
            }
        }
        fields.push_back({kSmallPowerLineCodeOffset, 1, "power-line frequency code"});
        return fields;
    }
    fields.push_back({kIdentityFlagsOffset, 1, "identity flags"});
    fields.push_back({kOrientationFlagsOffset, 1, "orientation flags"});
    fields.push_back({kParameterBaseOffset, 1, "parameter base"});
    fields.push_back({kSupportBitsOffset, 2, "support bits"});
    const ParameterOffsets& offsets = parameterOffsetsOf(opened.revision);
    for (PictureParameter parameter : kPictureParameters) {
        const ParameterLocation& location = offsets[parameter];
        if (location.defaultValue) {
            fields.push_back(
                {std::size_t{base} + *location.defaultValue, 2, ValueName(parameter, "default")});
        }
        fields.push_back(
            {std::size_t{base} + location.minimum, 2, ValueName(parameter, "minimum")});
        fields.push_back(
            {std::size_t{base} + location.maximum, 2, ValueName(parameter, "maximum")});
    }
    fields.push_back(
        {std::size_t{base} + offsets.powerLineFrequency, 1, "power-line frequency code"});
    return fields;
}

}  // namespace

ImageSave ImageSave::Prepare(const OpenedImage& opened, const ImageEdits& edits) {
    ImageSave save;
    save.file_ = ImageFile::OpenForUpdate(
        PathFromUtf8(opened.path));
    if (!save.file_) {
        save.Refuse({EditorSaveProblem::CannotOpen, {}, {}, 0, 0});
        return save;
    }
    const uint8_t base = readParameterBase(*save.file_).value_or(0);
    if (opened.layout == ImageLayout::Large &&
        checkImageLength(save.file_->Size(), ImageLayout::Large, base) != LengthCheck::Acceptable) {
        save.Refuse({EditorSaveProblem::ShorterThanParameterBlock, {}, {}, 0, 0});
        return save;
    }
    if (opened.layout == ImageLayout::Small) {
        save.PlanSmallParameters(opened, edits);
    } else {
        save.PlanLargeParameters(opened, edits, base);
    }
    save.PlanIdentity(edits);
    save.PlanDescription(opened, edits);
    save.PlanVersions(opened, edits);
    save.CheckPlanFits();
    save.CheckNoOverlaps(opened, base);
    return save;
}

void ImageSave::Refuse(EditorSaveRefusal refusal) {
    if (refusal_) return;  // the first problem found is the one reported
    refusal_ = std::move(refusal);
    writes_.clear();
    file_.reset();  // closed unchanged
}

void ImageSave::Plan(std::size_t offset, std::vector<uint8_t> bytes, std::string field) {
    if (refusal_) return;
    // Bytes the file already holds are not written again, so a field the user
    // left alone is kept, never rewritten (a write past the end stays planned
    // and is refused).
    std::vector<uint8_t> held(bytes.size());
    if (file_->Read(offset, held) && held == bytes) return;
    writes_.push_back({offset, std::move(bytes), std::move(field)});
}

bool ImageSave::CheckRange(std::string field, int64_t value, int64_t minimum, int64_t maximum) {
    if (value >= minimum && value <= maximum) return true;
    Refuse({EditorSaveProblem::ValueOutOfRange, std::move(field), {}, minimum, maximum});
    return false;
}

void ImageSave::PlanSmallParameters(const OpenedImage& opened, const ImageEdits& edits) {
    for (PictureParameter parameter : kPictureParameters) {
        const std::optional<std::size_t> offset = smallDefaultOffset(parameter);
        // A default the file is too short for was never shown, and is not written.
        if (!offset || !opened[parameter].defaultValue) continue;
        const int64_t value = edits[parameter].defaultValue;
        if (!CheckRange(ValueName(parameter, "default"), value, 0, kMaxSmallValue)) return;
        Plan(*offset, {static_cast<uint8_t>(value)}, ValueName(parameter, "default"));
    }
    if (const auto code = FrequencyCodeOf(edits.frequencyChoice)) {
        Plan(kSmallPowerLineCodeOffset, {*code}, "power-line frequency code");
    }
}

void ImageSave::PlanLargeParameters(const OpenedImage& opened, const ImageEdits& edits,
                                    uint8_t base) {
    const ParameterOffsets& offsets = parameterOffsetsOf(opened.revision);
    for (PictureParameter parameter : kPictureParameters) {
        if (!opened[parameter].supported) continue;
        const ParameterLocation& location = offsets[parameter];
        const EditedParameter& values = edits[parameter];
        const bool isSigned = isSignedParameter(parameter);
        const int64_t low = isSigned ? kMinHueValue : 0;
        const int64_t high = isSigned ? kMaxHueValue : kMaxLargeValue;
        if (location.defaultValue) {
            if (!CheckRange(ValueName(parameter, "default"), values.defaultValue, low, high))
                return;
            Plan(std::size_t{base} + *location.defaultValue, Le16Bytes(values.defaultValue),
                 ValueName(parameter, "default"));
        }
        if (!CheckRange(ValueName(parameter, "minimum"), values.minimum, low, high)) return;
        Plan(std::size_t{base} + location.minimum, Le16Bytes(values.minimum),
             ValueName(parameter, "minimum"));
        if (!CheckRange(ValueName(parameter, "maximum"), values.maximum, low, high)) return;
        Plan(std::size_t{base} + location.maximum, Le16Bytes(values.maximum),
             ValueName(parameter, "maximum"));
    }
    // Without a choice the code the image holds stays, whatever it is.
    if (opened.frequencySupported) {
        if (const auto code = FrequencyCodeOf(edits.frequencyChoice)) {
            Plan(std::size_t{base} + offsets.powerLineFrequency, {*code},
                 "power-line frequency code");
        }
    }
    // Only bit 0 is the editor's; the firmware's other bits stay.
    if (const auto flags = readByte(*file_, kOrientationFlagsOffset)) {
        const auto updated =
            static_cast<uint8_t>(edits.upsideDown ? (*flags | kOrientationUpsideDown)
                                                  : (*flags & ~kOrientationUpsideDown));
        Plan(kOrientationFlagsOffset, {updated}, "orientation flags");
    }
}

void ImageSave::PlanIdentity(const ImageEdits& edits) {
    const std::array<std::pair<const std::optional<uint64_t>*, const char*>, 2> ids{
        {{&edits.vendorId, "vendor id"}, {&edits.productId, "product id"}}};
    const std::array<std::size_t, 2> offsets{kVendorIdOffset, kProductIdOffset};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const auto& [id, name] = ids[i];
        if (!*id || **id > static_cast<uint64_t>(kMaxId)) {
            Refuse({EditorSaveProblem::InvalidId, name, {}, 0, kMaxId});
            return;
        }
        Plan(offsets[i], Le16Bytes(static_cast<int64_t>(**id)), name);
    }
}

void ImageSave::PlanDescription(const OpenedImage& opened, const ImageEdits& edits) {
    if (refusal_) return;
    const std::string& text = edits.description;
    // Written only when changed. A record the file is too short for was
    // shown as nothing; left empty, it stays out of the file.
    if (text == opened.description.value_or("")) return;
    if (text.size() > kMaximumDescriptionLength) {
        Refuse({EditorSaveProblem::TextTooLong,
                "device description",
                {},
                0,
                static_cast<int64_t>(kMaximumDescriptionLength)});
        return;
    }
    const auto recordOffset = readByte(*file_, kDescriptionOffsetOffset);
    if (!recordOffset) {
        Refuse({EditorSaveProblem::PastEnd, "device description", {}, 0, 0});
        return;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() + 1);
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    Plan(*recordOffset, std::move(bytes), "device description");
}

void ImageSave::PlanVersions(const OpenedImage& opened, const ImageEdits& edits) {
    const std::array<std::tuple<VersionField, const std::optional<std::string>*, const std::string*,
                                const char*>,
                     2>
        versions{{{VersionField::Bin, &opened.binVersion, &edits.binVersion, "bin version"},
                  {VersionField::Hw, &opened.hwVersion, &edits.hwVersion, "HW version"}}};
    for (const auto& [field, atOpen, text, name] : versions) {
        if (refusal_) return;
        // Written only when changed, so that the bytes after an unchanged
        // text's terminator stay as they are.
        if (*text == atOpen->value_or("")) continue;
        const auto bytes = encodeVersionText(*text);
        if (!bytes) {
            Refuse({EditorSaveProblem::TextTooLong,
                    name,
                    {},
                    0,
                    static_cast<int64_t>(kVersionFieldLength)});
            return;
        }
        Plan(versionFieldOffset(field), std::vector<uint8_t>(bytes->begin(), bytes->end()), name);
    }
}

void ImageSave::CheckPlanFits() {
    if (refusal_) return;
    for (const PlannedWrite& write : writes_) {
        if (!fitsWithin(write.offset, write.bytes.size(), file_->Size())) {
            Refuse({EditorSaveProblem::PastEnd, write.field, {}, 0, 0});
            return;
        }
    }
}

// No write may land on another field the save writes or keeps, whatever the
// lengths: a description record that lies on the support bits, parameters
// whose base puts them into a version field. The first write found that does
// is refused with both names.
void ImageSave::CheckNoOverlaps(const OpenedImage& opened, uint8_t base) {
    if (refusal_) return;
    std::vector<KnownField> fields;
    for (const PlannedWrite& write : writes_) {
        fields.push_back({write.offset, write.bytes.size(), write.field});
    }
    for (KnownField& known : KnownFields(opened, *file_, base)) {
        const bool written = std::any_of(writes_.begin(), writes_.end(), [&](const auto& write) {
            return write.field == known.name;
        });
        if (!written) fields.push_back(std::move(known));
    }
    for (std::size_t w = 0; w < writes_.size(); ++w) {
        for (std::size_t other = 0; other < fields.size(); ++other) {
            if (other == w || !Overlap(fields[w], fields[other])) continue;
            Refuse({EditorSaveProblem::OverlapsField, fields[w].name, fields[other].name, 0, 0});
            return;
        }
    }
}

bool ImageSave::Commit() {
    if (refusal_ || !file_) return false;
    bool written = true;
    for (const PlannedWrite& write : writes_) {
        if (file_->Write(write.offset, write.bytes) != WriteStatus::Written) {
            written = false;
            break;
        }
    }
    const bool closed = file_->Close();
    file_.reset();
    writes_.clear();
    return written && closed;
}

std::size_t ImageSave::PlannedBytes() const {
    std::size_t total = 0;
    for (const PlannedWrite& write : writes_) total += write.bytes.size();
    return total;
}

}  // namespace kestrovane
