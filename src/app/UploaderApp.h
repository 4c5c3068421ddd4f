#pragma once

#include "app/AppServices.h"

namespace kestrovane {

// The application: its start-up shows the main dialog modally, and the
// program ends when that dialog closes.
class UploaderApp {
public:
    explicit UploaderApp(const AppServices& services) : services_(services) {}

    // Runs the main dialog to its end. Returns false always: there is no
    // message loop of the application's own to run afterwards.
    bool InitInstance();

private:
    const AppServices services_;
};

}  // namespace kestrovane
