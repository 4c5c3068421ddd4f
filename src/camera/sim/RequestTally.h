#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "camera/XuRequests.h"
#include "camera/XuTypes.h"

namespace kestrovane::sim {

// The name of one SET request by what it asks of the controller: the EEPROM
// staging requests and direct registers on EepromChannel ("EE_SET_OFFSET",
// "REG_WRITE", ...), the commands and register ops on CommandChannel at the
// controller's protocol level ("CMD_PROBE", "REG_OP_CHIP_ADDRESS", ...).
std::string RequestKindName(uint32_t selector, const XuRequest& bytes, XuProtocolLevel level);

// Counts the requests a simulated camera received, by kind. A GET is counted
// as the reply to the SET before it on the same channel ("CMD_PROBE reply");
// a data word that is answered by a GET was a block check and moves from
// "EE_DATA_WORD" to "EE_CHECK_BLOCK". Requests the camera refused are counted
// by the reason. Not thread-safe: its owner serialises the calls.
class RequestTally {
public:
    explicit RequestTally(XuProtocolLevel level) : level_(level) {}

    void CountServed(uint32_t selector, bool isGet, const XuRequest& request);
    void CountRefused(std::string_view reason);

    // Count of one kind ("EE_END_BLOCK", "refused: node id", ...); 0 when unseen.
    uint64_t Count(const std::string& kind) const;
    uint64_t ServedTotal() const { return served_; }
    uint64_t RefusedTotal() const { return refused_; }
    // One "kind count" line per kind seen, served kinds first, by name.
    std::string Report() const;

private:
    XuProtocolLevel level_;
    std::map<std::string, uint64_t> servedKinds_;
    std::map<std::string, uint64_t> refusedKinds_;
    uint64_t served_ = 0;
    uint64_t refused_ = 0;
    // The last SET per channel, for naming the GET that follows it.
    std::string lastEepromSet_;
    std::string lastCommandSet_;
};

}  // namespace kestrovane::sim
