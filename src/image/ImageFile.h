#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "image/ImageBytes.h"

namespace kestrovane {

// An image file on disk, open for reading or for rewriting fields in place. Its length
// is taken when it is opened and never changes: writes that would reach past the end
// are refused, so an edit can neither grow nor truncate the file.
class ImageFile final : public ImageBytes {
public:
    // Nothing when the file cannot be opened (missing, unreadable, a directory).
    static std::optional<ImageFile> OpenForReading(const std::filesystem::path& path);
    // Opens an existing file for reading and writing without truncating it.
    static std::optional<ImageFile> OpenForUpdate(const std::filesystem::path& path);

    ImageFile(ImageFile&&) = default;
    ImageFile& operator=(ImageFile&&) = default;

    std::size_t Size() const override;
    bool Read(std::size_t offset, std::span<uint8_t> out) const override;
    WriteStatus Write(std::size_t offset, std::span<const uint8_t> data) override;

    // Flushes and closes the file. False when any write since the open, or the
    // flush itself, failed. Later reads and writes fail.
    bool Close();

private:
    ImageFile(std::fstream stream, std::size_t size, bool writable);

    mutable std::fstream stream_;  // reading moves the stream position
    std::size_t size_ = 0;
    bool writable_ = false;
    bool writeFailed_ = false;
};

// The whole content of a file, or nothing when it cannot be opened or read completely.
std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path);

}  // namespace kestrovane
