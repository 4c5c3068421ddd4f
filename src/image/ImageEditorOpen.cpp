#include "image/ImageEditorOpen.h"

#include <filesystem>

#include "files/Utf8Path.h"
#include "image/ByteAccess.h"
#include "image/DeviceDescription.h"
#include "image/FieldOffsets.h"
#include "image/ImageFile.h"
#include "image/LengthRules.h"
#include "image/ParameterBlock.h"
#include "image/VersionText.h"

namespace kestrovane {

namespace {

void ReadSmallParameters(const ImageBytes& image, OpenedImage& opened) {
    for (PictureParameter parameter : kPictureParameters) {
        const std::optional<std::size_t> offset = smallDefaultOffset(parameter);
        OpenedParameter& shown = opened.parameters[static_cast<std::size_t>(parameter)];
        shown.supported = offset.has_value();
        if (offset) {
            if (const auto byte = readByte(image, *offset)) shown.defaultValue = *byte;
        }
    }
    opened.frequencySupported = true;
    opened.frequencyCode = readByte(image, kSmallPowerLineCodeOffset);
}

void ReadLargeParameters(const ImageBytes& image, uint8_t base, OpenedImage& opened) {
    const ParameterOffsets& offsets = parameterOffsetsOf(opened.revision);
    const uint16_t support = readSupportBits(image).value_or(0);
    for (PictureParameter parameter : kPictureParameters) {
        OpenedParameter& shown = opened.parameters[static_cast<std::size_t>(parameter)];
        shown.supported = hasSupportBit(support, supportBitOf(parameter));
        if (!shown.supported) continue;
        if (const auto values = readParameter(image, base, offsets, parameter)) {
            shown.defaultValue = values->defaultValue;
            shown.minimum = values->minimum;
            shown.maximum = values->maximum;
        }
    }
    opened.frequencySupported = hasSupportBit(support, kSupportBitPowerLineFrequency);
    if (opened.frequencySupported) {
        opened.frequencyCode =
            readByte(image, powerLineCodeOffset(ImageLayout::Large, base, offsets));
    }
    opened.upsideDown = readUpsideDown(image);
    opened.identity = readIdentityFlags(image);
}

}  // namespace

EditorOpenResult OpenImageForEditing(const std::string& path, EepromType eepromType,
                                     ChipRevision revision) {
    EditorOpenResult result;
    const std::optional<ImageFile> file =
        ImageFile::OpenForReading(PathFromUtf8(path));
    if (!file) return result;

    OpenedImage& opened = result.image;
    opened.path = path;
    opened.eepromType = eepromType;
    opened.layout = imageLayoutOf(eepromType);
    opened.revision = revision;
    const uint8_t base = readParameterBase(*file).value_or(0);
    switch (checkImageLength(file->Size(), opened.layout, base)) {
        case LengthCheck::ShorterThanHeader:
            result.status = EditorOpenStatus::ShorterThanHeader;
            return result;
        case LengthCheck::ShorterThanParameterBlock:
            result.status = EditorOpenStatus::ShorterThanParameterBlock;
            return result;
        case LengthCheck::Acceptable:
            break;
    }
    if (opened.layout == ImageLayout::Small) {
        ReadSmallParameters(*file, opened);
    } else {
        ReadLargeParameters(*file, base, opened);
    }
    opened.vendorId = readVendorId(*file);
    opened.productId = readProductId(*file);
    opened.description = readDeviceDescription(*file);
    opened.binVersion = readVersionText(*file, VersionField::Bin);
    opened.hwVersion = readVersionText(*file, VersionField::Hw);
    result.status = EditorOpenStatus::Opened;
    return result;
}

}  // namespace kestrovane
