#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kestrovane {

// SHA-256 (FIPS 180-4), for the fingerprint of an image in the operation log.
class Sha256 {
public:
    Sha256();
    void Update(std::span<const uint8_t> bytes);
    // The digest; the object then starts over.
    std::array<uint8_t, 32> Finish();

    // The digest of `bytes` in lower-case hexadecimal.
    static std::string HexOf(std::span<const uint8_t> bytes);

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> state_{};
    std::array<uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes hashed
};

}  // namespace kestrovane
