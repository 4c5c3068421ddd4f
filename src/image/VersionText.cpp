#include "image/VersionText.h"
#include "files/Utf8Path.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kestrovane {

std::size_t versionFieldOffset(VersionField field) {
    return field == VersionField::Bin ? kBinVersionOffset : kHwVersionOffset;
}

std::string decodeVersionText(std::span<const uint8_t> field) {
    std::string text;
    for (const uint8_t byte : field.first(std::min(field.size(), kVersionFieldLength))) {
        if (byte == 0x00 || byte == 0xFF) break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

std::optional<VersionFieldBytes> encodeVersionText(std::string_view text) {
    if (text.size() > kVersionFieldLength) return std::nullopt;
    VersionFieldBytes bytes{};
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](char c) { return static_cast<uint8_t>(c); });
    return bytes;
}

std::optional<std::string> readVersionText(const ImageBytes& image, VersionField field) {
    VersionFieldBytes bytes{};
    if (!image.Read(versionFieldOffset(field), bytes)) return std::nullopt;
    return decodeVersionText(bytes);
}

std::optional<std::string> readFileBinVersion(const std::string& path) {
    std::ifstream file(PathFromUtf8(path),
                       std::ios::binary);
    if (!file) return std::nullopt;
    VersionFieldBytes field{};
    file.seekg(static_cast<std::streamoff>(kBinVersionOffset));
    if (file) file.read(reinterpret_cast<char*>(field.data()), field.size());
    // Only the bytes the file has count; the rest stays 0 and ends the text.
    return decodeVersionText(field);
}

WriteStatus writeVersionText(ImageBytes& image, VersionField field, std::string_view text) {
    const auto bytes = encodeVersionText(text);
    if (!bytes) return WriteStatus::TooLong;
    return image.Write(versionFieldOffset(field), *bytes);
}

}  // namespace kestrovane
