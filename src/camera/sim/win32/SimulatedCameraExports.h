#pragma once

// What the simulated-camera DLL exports beside the COM server entry points:
// its reference accounting, for tests that check that every interface a
// program obtained from a camera was released exactly once.

#include <windows.h>

struct SimCameraCounts {
    LONG liveObjects;         // objects handed out and not yet released for good
    LONG liveReferences;      // their outstanding references, of every kind below
    LONG factoryReferences;   // class factories
    LONG filterReferences;    // capture filters (IBaseFilter and its base interfaces)
    LONG topologyReferences;  // IKsTopologyInfo
    LONG controlReferences;   // IKsControl
    LONG overReleases;        // Release on an object that was already released for good
    LONG callsAfterRelease;   // any other call on such an object
    LONG filtersCreated;
    LONG topologiesCreated;
    LONG controlsCreated;
};

// Exported as "SimCameraGetCounts".
using SimCameraGetCountsFunction = void(WINAPI*)(SimCameraCounts* counts);
inline constexpr char kSimCameraGetCountsExport[] = "SimCameraGetCounts";
