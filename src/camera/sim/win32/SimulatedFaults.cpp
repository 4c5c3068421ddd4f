#include "camera/sim/win32/SimulatedFaults.h"

namespace kestrovane::simcam {

std::optional<SimulatedFaults> ParseFaults(const std::wstring& text, std::wstring* unknown) {
    SimulatedFaults faults;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L',', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring name = text.substr(start, end - start);
        if (name == L"no-bind") {
            faults.noBind = true;
        } else if (name == L"no-topology") {
            faults.noTopology = true;
        } else if (name == L"no-control") {
            faults.noControl = true;
        } else if (name == L"node-count-fails") {
            faults.nodeCountFails = true;
        } else if (name == L"node0-type-fails") {
            faults.node0TypeFails = true;
        } else if (!name.empty()) {
            if (unknown) *unknown = name;
            return std::nullopt;
        }
        start = end + 1;
    }
    return faults;
}

}  // namespace kestrovane::simcam
