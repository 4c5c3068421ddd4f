#pragma once

#include <windows.h>

#include <atomic>

#include "camera/sim/win32/SimulatedCameraExports.h"

namespace kestrovane::simcam {

enum class ObjectKind { ClassFactory, Filter, Topology, Control };

// The reference count of one COM object of the DLL, kept in the DLL-wide
// accounting. Each interface a program can obtain separately (the filter, its
// topology, its property control) is an object of its own, so the accounting
// tells which interface a program failed to release.
//
// An object released for good gives back what it holds (Retire) but keeps its
// memory until the DLL is unloaded: a program that releases it once more, or
// calls it after its release, is counted instead of corrupting the heap.
class CountedObject {
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
    virtual ~CountedObject() = default;

protected:
    explicit CountedObject(ObjectKind kind);

    ULONG AddReference();
    ULONG ReleaseReference();
    // False, and counted, when the object was released for good already.
    bool Alive();
    // Gives back what the object holds; called once, at its final release.
    virtual void Retire() {}

private:
    ObjectKind kind_;
    std::atomic<ULONG> references_{1};
};

SimCameraCounts CurrentCounts();
// True when no object is live and no server lock is held (DllCanUnloadNow).
bool CanUnload();
void LockServer(bool lock);
// Frees the memory of the objects released for good (the DLL is unloaded).
void FreeRetiredObjects();

}  // namespace kestrovane::simcam
