#pragma once

#include <string>

namespace kestrovane {

// The machine's name as the system reports it; empty when it cannot be read.
std::string HostName();

}  // namespace kestrovane
