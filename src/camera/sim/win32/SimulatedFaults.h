#pragma once

#include <optional>
#include <string>

namespace kestrovane::simcam {

// Faults a simulated camera can show, each of which only a real capture
// filter could otherwise show the adapters. Registered by name, separated by
// commas: "no-bind", "no-topology", "no-control", "node-count-fails",
// "node0-type-fails".
struct SimulatedFaults {
    bool noBind = false;          // creating the filter fails: the device does not bind
    bool noTopology = false;      // QueryInterface(IKsTopologyInfo) answers E_NOINTERFACE
    bool noControl = false;       // QueryInterface(IKsControl) answers E_NOINTERFACE
    bool nodeCountFails = false;  // get_NumNodes fails
    bool node0TypeFails = false;  // get_NodeType fails for node 0 only
};

// The faults named in `text`; none when a name is unknown (the name is then
// in `unknown`).
std::optional<SimulatedFaults> ParseFaults(const std::wstring& text, std::wstring* unknown);

}  // namespace kestrovane::simcam
