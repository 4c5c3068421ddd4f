#include <unistd.h>

#include "files/HostName.h"

namespace kestrovane {

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace kestrovane
