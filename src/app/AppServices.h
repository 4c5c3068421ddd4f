#pragma once

#include "app/DialogHost.h"
#include "app/ProgramPath.h"
#include "camera/Clock.h"

namespace kestrovane {

// The platform services the application's dialogs work with.
struct AppServices {
    DialogHost& dialogHost;
    ProgramPath& programPath;
    Clock& clock;
};

}  // namespace kestrovane
