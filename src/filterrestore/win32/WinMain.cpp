#include <windows.h>

#include "filterrestore/MeritRepair.h"
#include "filterrestore/RepairMessage.h"
#include "filterrestore/win32/MessageReport.h"
#include "filterrestore/win32/Win32Registry.h"

// Repairs the merit once, reports the outcome and exits; the command line is
// not used.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    kestrovane::Win32Registry registry;
    const std::vector<kestrovane::RegistryView> views = kestrovane::RegistryViewsOfThisSystem();
    const kestrovane::RepairReport report = kestrovane::RepairFilterMerit(registry, views);
    kestrovane::ShowUserMessage(kestrovane::ComposeMessage(report));
    return kestrovane::ExitCodeFor(report);
}
