#include "upload/BlockRequests.h"

#include "camera/XuRequests.h"

namespace kestrovane {

BlockSendResult SendBlock(XuLink& link, uint16_t offset, std::span<const uint8_t> block,
                          bool commit, XuRequest& lastDataWord) {
    XuRequest setOffset = EeSetOffsetRequest(offset);
    if (!link.Set(EepromChannel, setOffset)) return BlockSendResult::SetOffsetFailed;
    for (std::size_t k = 0; k + 1 < block.size(); k += 2) {
        lastDataWord = EeDataWordRequest(block[k], block[k + 1]);
        if (!link.Set(EepromChannel, lastDataWord)) return BlockSendResult::DataWordFailed;
    }
    if (commit) {
        XuRequest endBlock = EeEndBlockRequest(lastDataWord);
        if (!link.Set(EepromChannel, endBlock)) return BlockSendResult::EndBlockFailed;
    }
    return BlockSendResult::Ok;
}

BlockCheckResult CheckBlock(XuLink& link, XuRequest& request) {
    if (!link.Set(EepromChannel, request)) return BlockCheckResult::SetFailed;
    if (!link.Get(EepromChannel, request)) return BlockCheckResult::GetFailed;
    return request[1] == 1 ? BlockCheckResult::Match : BlockCheckResult::Mismatch;
}

}  // namespace kestrovane
