#pragma once

#include <cstdint>
#include <vector>

namespace kestrovane::samples {

// The sample image the README's command-line section uses: 8 KiB for a 24C64,
// the large layout with the Kv5 parameter table, every picture parameter and
// the power-line frequency supported, the vendor's ids and a description in
// use, version texts "KV-SAMPLE-1.0" and "HW-SAMPLE-A". Its other bytes are a
// fixed pattern standing for firmware; it is no firmware a camera can run.
std::vector<uint8_t> MakeSampleImage();

}  // namespace kestrovane::samples
