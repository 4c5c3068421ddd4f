// Version texts on random bytes: the decoder reads a field as the firmware
// does, every decoded text stores back to the same text, and a text is only
// ever written into its own 16 bytes of an image.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "image/FieldOffsets.h"
#include "image/MemoryImage.h"
#include "image/VersionText.h"

namespace kestrovane::fuzzing {
namespace {

// The text of a field: its bytes up to the first 0x00 or 0xFF, at most 16.
std::string ExpectedText(const std::vector<uint8_t>& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size() && i < kVersionFieldLength; ++i) {
        if (field[i] == 0x00 || field[i] == 0xFF) break;
        text.push_back(static_cast<char>(field[i]));
    }
    return text;
}

void CheckDecode(const std::vector<uint8_t>& field) {
    const std::string text = decodeVersionText(field);
    FUZZ_CHECK(text == ExpectedText(field));
    // What was shown is what a save stores back.
    const auto stored = encodeVersionText(text);
    FUZZ_CHECK(stored.has_value());
    FUZZ_CHECK(decodeVersionText(*stored) == text);
}

void CheckEncode(const std::string& text) {
    const auto stored = encodeVersionText(text);
    FUZZ_CHECK(stored.has_value() == (text.size() <= kVersionFieldLength));
    if (!stored) return;
    // The characters, then zeros to the end of the field.
    for (std::size_t i = 0; i < kVersionFieldLength; ++i) {
        FUZZ_CHECK((*stored)[i] == (i < text.size() ? static_cast<uint8_t>(text[i]) : 0));
    }
}

// A write of the text into an image of any length: inside the image only its
// field changes; a field that does not fit, or a text too long, leaves the
// image as it was.
void CheckWrite(std::vector<uint8_t> image, VersionField field, const std::string& text) {
    const std::vector<uint8_t> before = image;
    MemoryImage memory{std::span<uint8_t>(image)};
    const std::size_t offset = versionFieldOffset(field);
    const WriteStatus status = writeVersionText(memory, field, text);
    const bool fits = offset + kVersionFieldLength <= before.size();
    if (text.size() > kVersionFieldLength) {
        FUZZ_CHECK(status == WriteStatus::TooLong);
    } else {
        FUZZ_CHECK(status == (fits ? WriteStatus::Written : WriteStatus::BeyondEnd));
    }
    FUZZ_CHECK(image.size() == before.size());
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool inField = i >= offset && i < offset + kVersionFieldLength;
        if (status != WriteStatus::Written || !inField) FUZZ_CHECK(image[i] == before[i]);
    }
    if (status == WriteStatus::Written) {
        const auto readBack = readVersionText(memory, field);
        FUZZ_CHECK(readBack.has_value());
        FUZZ_CHECK(*readBack == ExpectedText(std::vector<uint8_t>(text.begin(), text.end())));
    }
}

// The version of an image file beside Browse: the bytes at 0x70 the file has,
// a file that ends inside the field ending the text there.
void CheckFileVersion(const std::vector<uint8_t>& file) {
    const std::filesystem::path path = ScratchPath("version.bin");
    WriteWholeFile(path, file.data(), file.size());
    const auto text = readFileBinVersion(path.string());
    FUZZ_CHECK(text.has_value());
    std::vector<uint8_t> field;
    for (std::size_t i = kBinVersionOffset;
         i < file.size() && i < kBinVersionOffset + kVersionFieldLength; ++i) {
        field.push_back(file[i]);
    }
    FUZZ_CHECK(*text == ExpectedText(field));
}

}  // namespace
}  // namespace kestrovane::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace kestrovane;
    using namespace kestrovane::fuzzing;
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(40);
    const VersionField field = input.ConsumeBool() ? VersionField::Bin : VersionField::Hw;
    const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();

    // The field as any run of bytes, from none to more than 16.
    CheckDecode(
        std::vector<uint8_t>(rest.begin(), rest.begin() + std::min<std::size_t>(rest.size(), 24)));
    CheckEncode(text);
    CheckWrite(rest, field, text);
    CheckFileVersion(rest);
    return 0;
}
