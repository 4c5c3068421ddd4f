#include "upload/EepromDump.h"

#include <algorithm>

#include "camera/CommandSet.h"
#include "camera/Transport.h"

namespace kestrovane {

EepromDump ReadWholeEeprom(const CameraTarget& camera, std::size_t size,
                           const std::function<bool(std::size_t bytesRead)>& onProgress) {
    using Result = EepromDump::Result;
    EepromDump dump;
    XuLink link;
    if (const int opened = link.Open(camera); opened != XU_OK) {
        dump.code = opened;
        return dump;
    }
    if (const int probed = QueryXuProtocol(link, dump.level); probed != XU_OK) {
        dump.code = probed;
        return dump;
    }
    if (dump.level != 1 && dump.level != 2) {
        dump.result = Result::NotSupported;
        return dump;
    }
    dump.bytes.reserve(size);
    // Word reads address 16 bits, which every EEPROM of the family fits.
    for (std::size_t offset = 0; offset < size; offset += 2) {
        uint8_t word[2] = {};
        const int read = ReadEepromWord(link, dump.level, word, static_cast<uint16_t>(offset));
        if (read != XU_OK) {
            dump.code = read;
            return dump;
        }
        dump.bytes.insert(dump.bytes.end(), word, word + std::min<std::size_t>(2, size - offset));
        if (onProgress && !onProgress(dump.bytes.size())) {
            dump.result = Result::Cancelled;
            return dump;
        }
    }
    dump.result = Result::Read;
    return dump;
}

}  // namespace kestrovane
