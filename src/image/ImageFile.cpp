#include "image/ImageFile.h"

namespace kestrovane {
namespace {

// The length of an open stream, leaving its position at the start.
std::optional<std::size_t> streamLength(std::fstream& stream) {
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (!stream || end < 0) return std::nullopt;
    return static_cast<std::size_t>(end);
}

}  // namespace

ImageFile::ImageFile(std::fstream stream, std::size_t size, bool writable)
    : stream_(std::move(stream)), size_(size), writable_(writable) {}

std::optional<ImageFile> ImageFile::OpenForReading(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::fstream stream(path, std::ios::in | std::ios::binary);
    if (!stream.is_open()) return std::nullopt;
    const auto length = streamLength(stream);
    if (!length) return std::nullopt;
    return ImageFile(std::move(stream), *length, false);
}

std::optional<ImageFile> ImageFile::OpenForUpdate(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    // in|out opens an existing file without truncating it and never creates one.
    std::fstream stream(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!stream.is_open()) return std::nullopt;
    const auto length = streamLength(stream);
    if (!length) return std::nullopt;
    return ImageFile(std::move(stream), *length, true);
}

std::size_t ImageFile::Size() const {
    return size_;
}

bool ImageFile::Read(std::size_t offset, std::span<uint8_t> out) const {
    if (!fitsWithin(offset, out.size(), size_) || !stream_.is_open()) return false;
    if (out.empty()) return true;
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    const bool complete =
        stream_.good() && stream_.gcount() == static_cast<std::streamsize>(out.size());
    stream_.clear();
    return complete;
}

WriteStatus ImageFile::Write(std::size_t offset, std::span<const uint8_t> data) {
    if (!fitsWithin(offset, data.size(), size_)) return WriteStatus::BeyondEnd;
    if (!writable_ || !stream_.is_open()) return WriteStatus::Failed;
    if (data.empty()) return WriteStatus::Written;
    stream_.clear();
    stream_.seekp(static_cast<std::streamoff>(offset), std::ios::beg);
    stream_.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
    if (!stream_.good()) {
        writeFailed_ = true;
        stream_.clear();
        return WriteStatus::Failed;
    }
    return WriteStatus::Written;
}

bool ImageFile::Close() {
    if (!stream_.is_open()) return !writeFailed_;
    stream_.clear();
    if (writable_) stream_.flush();
    const bool flushed = stream_.good();
    stream_.close();
    return flushed && !stream_.fail() && !writeFailed_;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path) {
    auto file = ImageFile::OpenForReading(path);
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes(file->Size());
    if (!file->Read(0, bytes)) return std::nullopt;
    return bytes;
}

}  // namespace kestrovane
