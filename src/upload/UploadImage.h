#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/EepromType.h"

namespace kestrovane {

enum class ImageLoadStatus {
    Ok,
    CannotOpen,  // missing, unreadable, a folder, or not read whole
    Empty,
    TooLarge,  // more bytes than the selected EEPROM holds
    NoMemory,
};

// An image ready to be sent: the whole file, zero-padded to whole blocks.
struct UploadImage {
    ImageLoadStatus status = ImageLoadStatus::CannotOpen;
    std::size_t blockSize = 8;
    std::size_t fileLength = 0;
    std::vector<uint8_t> bytes;  // padded; empty unless status is Ok

    std::size_t BlockCount() const { return bytes.size() / blockSize; }
};

// The length rounded up to a whole number of blocks.
std::size_t PaddedLength(std::size_t length, std::size_t blockSize);

// The most bytes an image for `type` may hold: the part's size, or, with no
// type selected, what 16-bit block offsets can address.
std::size_t UploadCapacity(EepromType type);

// Reads and checks the image before anything is sent to the camera. The file's
// size is checked before it is read, so a huge file is refused cheaply.
UploadImage LoadUploadImage(const std::string& path, EepromType type);

}  // namespace kestrovane
