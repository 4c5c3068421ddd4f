#include "camera/sim/win32/ObjectAccounting.h"

#include <mutex>
#include <vector>

namespace kestrovane::simcam {

namespace {

constexpr int kKinds = 4;

struct Accounting {
    std::atomic<LONG> liveObjects{0};
    std::atomic<LONG> references[kKinds]{};
    std::atomic<LONG> created[kKinds]{};
    std::atomic<LONG> overReleases{0};
    std::atomic<LONG> callsAfterRelease{0};
    std::atomic<LONG> serverLocks{0};
};

Accounting& Counts() {
    static Accounting accounting;
    return accounting;
}

std::mutex& RetiredLock() {
    static std::mutex lock;
    return lock;
}

std::vector<CountedObject*>& Retired() {
    static std::vector<CountedObject*> retired;
    return retired;
}

int Index(ObjectKind kind) {
    return static_cast<int>(kind);
}

}  // namespace

CountedObject::CountedObject(ObjectKind kind) : kind_(kind) {
    ++Counts().liveObjects;
    ++Counts().references[Index(kind)];
    ++Counts().created[Index(kind)];
}

ULONG CountedObject::AddReference() {
    ULONG current = references_.load();
    do {
        if (current == 0) {
            // An object released for good is not brought back.
            ++Counts().callsAfterRelease;
            return 0;
        }
    } while (!references_.compare_exchange_weak(current, current + 1));
    ++Counts().references[Index(kind_)];
    return current + 1;
}

ULONG CountedObject::ReleaseReference() {
    ULONG current = references_.load();
    do {
        if (current == 0) {
            ++Counts().overReleases;
            return 0;
        }
    } while (!references_.compare_exchange_weak(current, current - 1));
    --Counts().references[Index(kind_)];
    if (current - 1 == 0) {
        --Counts().liveObjects;
        Retire();
        std::lock_guard lock(RetiredLock());
        Retired().push_back(this);
    }
    return current - 1;
}

bool CountedObject::Alive() {
    if (references_.load() != 0) return true;
    ++Counts().callsAfterRelease;
    return false;
}

SimCameraCounts CurrentCounts() {
    const Accounting& counts = Counts();
    SimCameraCounts result{};
    result.liveObjects = counts.liveObjects.load();
    result.factoryReferences = counts.references[Index(ObjectKind::ClassFactory)].load();
    result.filterReferences = counts.references[Index(ObjectKind::Filter)].load();
    result.topologyReferences = counts.references[Index(ObjectKind::Topology)].load();
    result.controlReferences = counts.references[Index(ObjectKind::Control)].load();
    result.liveReferences = result.factoryReferences + result.filterReferences +
                            result.topologyReferences + result.controlReferences;
    result.overReleases = counts.overReleases.load();
    result.callsAfterRelease = counts.callsAfterRelease.load();
    result.filtersCreated = counts.created[Index(ObjectKind::Filter)].load();
    result.topologiesCreated = counts.created[Index(ObjectKind::Topology)].load();
    result.controlsCreated = counts.created[Index(ObjectKind::Control)].load();
    return result;
}

bool CanUnload() {
    return Counts().liveObjects.load() == 0 && Counts().serverLocks.load() == 0;
}

void LockServer(bool lock) {
    std::atomic<LONG>& locks = Counts().serverLocks;
    if (lock) {
        ++locks;
        return;
    }
    // An unlock without its lock is ignored: a count below zero would keep
    // the DLL loaded after the next lock is given back.
    LONG held = locks.load();
    while (held > 0 && !locks.compare_exchange_weak(held, held - 1)) {
    }
}

void FreeRetiredObjects() {
    std::lock_guard lock(RetiredLock());
    for (CountedObject* object : Retired()) delete object;
    Retired().clear();
}

}  // namespace kestrovane::simcam
