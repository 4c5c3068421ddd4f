#include "upload/UploadImage.h"
#include "files/Utf8Path.h"

#include <filesystem>
#include <fstream>
#include <new>

namespace kestrovane {

namespace {

constexpr std::size_t kAddressableBytes = 0x10000;

}  // namespace

std::size_t PaddedLength(std::size_t length, std::size_t blockSize) {
    return (length + blockSize - 1) / blockSize * blockSize;
}

std::size_t UploadCapacity(EepromType type) {
    return eepromCapacity(type).value_or(kAddressableBytes);
}

UploadImage LoadUploadImage(const std::string& path, EepromType type) {
    UploadImage image;
    image.blockSize = uploadBlockSize(type);
    if (path.empty()) return image;

    const std::filesystem::path filePath = PathFromUtf8(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(filePath, error)) return image;
    std::ifstream file(filePath, std::ios::binary | std::ios::ate);
    if (!file) return image;
    const std::streamoff end = file.tellg();
    if (end < 0) return image;
    image.fileLength = static_cast<std::size_t>(end);
    if (image.fileLength == 0) {
        image.status = ImageLoadStatus::Empty;
        return image;
    }
    if (image.fileLength > UploadCapacity(type)) {
        image.status = ImageLoadStatus::TooLarge;
        return image;
    }

    try {
        image.bytes.assign(PaddedLength(image.fileLength, image.blockSize), 0);
    } catch (const std::bad_alloc&) {
        image.status = ImageLoadStatus::NoMemory;
        return image;
    }
    file.seekg(0);
    file.read(reinterpret_cast<char*>(image.bytes.data()),
              static_cast<std::streamsize>(image.fileLength));
    if (file.gcount() != static_cast<std::streamsize>(image.fileLength)) {
        image.bytes.clear();
        return image;
    }
    image.status = ImageLoadStatus::Ok;
    return image;
}

}  // namespace kestrovane
