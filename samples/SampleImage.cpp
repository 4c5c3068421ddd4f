#include "SampleImage.h"

#include "image/ImageFormat.h"

namespace kestrovane::samples {

namespace {

constexpr std::size_t kImageLength = 8192;  // a 24C64
constexpr std::size_t kPatternStart = 0x200;
constexpr uint8_t kParameterBase = 0xA0;
constexpr uint8_t kDescriptionRecord = 0x40;

struct SampleParameter {
    PictureParameter parameter;
    ParameterValues values;
};

constexpr SampleParameter kParameters[] = {
    {PictureParameter::Brightness, {128, 0, 255}},    {PictureParameter::Contrast, {32, 0, 64}},
    {PictureParameter::Hue, {std::nullopt, -10, 10}}, {PictureParameter::Saturation, {64, 0, 128}},
    {PictureParameter::Sharpness, {3, 0, 7}},         {PictureParameter::Gamma, {100, 72, 500}},
};

}  // namespace

std::vector<uint8_t> MakeSampleImage() {
    std::vector<uint8_t> bytes(kImageLength, 0);
    for (std::size_t offset = kPatternStart; offset < bytes.size(); ++offset) {
        bytes[offset] = static_cast<uint8_t>((offset * 37 + 11) & 0xFF);
    }
    MemoryImage image{std::span<uint8_t>(bytes)};
    writeMarker(image, kMarkerComplete);
    writeVendorId(image, 0x3A5E);
    writeProductId(image, 0x2B01);
    writeByte(image, kIdentityFlagsOffset, kIdentityIdsInUse | kIdentityDescriptionInUse);
    writeByte(image, kParameterBaseOffset, kParameterBase);
    writeByte(image, kDescriptionOffsetOffset, kDescriptionRecord);
    writeDeviceDescription(image, "Kestrovane sample camera");
    uint16_t support = 1u << kSupportBitPowerLineFrequency;
    const ParameterOffsets& offsets = parameterOffsetsOf(ChipRevision::Kv5);
    for (const SampleParameter& sample : kParameters) {
        support |= static_cast<uint16_t>(1u << supportBitOf(sample.parameter));
        writeParameter(image, kParameterBase, offsets, sample.parameter, sample.values);
    }
    writeLe16(image, kSupportBitsOffset, support);
    writeByte(image, powerLineCodeOffset(ImageLayout::Large, kParameterBase, offsets),
              kPowerLineCode50Hz);
    writeVersionText(image, VersionField::Bin, "KV-SAMPLE-1.0");
    writeVersionText(image, VersionField::Hw, "HW-SAMPLE-A");
    return bytes;
}

}  // namespace kestrovane::samples
