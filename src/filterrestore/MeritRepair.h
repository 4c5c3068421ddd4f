#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "filterrestore/RegistryPort.h"

namespace kestrovane {

// What became of the registration in one registry view.
enum class RepairResult {
    Repaired,         // the merit was written
    KeyMissing,       // no registration key in this view
    KeyUnreadable,    // the key exists but could not be opened for reading
    ValueMissing,     // the key has no "FilterData"
    ValueUnreadable,  // the query failed for another reason
    NotBinary,        // "FilterData" is not of binary type
    TooShort,         // "FilterData" ends before the merit
    TooLong,          // "FilterData" does not fit the working buffer
    WriteRefused,     // the value was read but writing it back failed
};

struct ViewRepair {
    RegistryView view = RegistryView::Default;
    RepairResult result = RepairResult::Repaired;
    uint32_t valueType = 0;    // as read, when the value was found
    uint32_t valueLength = 0;  // as read, when the value was found
    RegistryOutcome failure;   // the failing registry request, if any
};

struct RepairReport {
    std::vector<ViewRepair> views;

    bool AnyRepaired() const;
    bool AnyWriteRefused() const;
    // Every view that holds the registration was repaired, and at least one
    // did. A view without the registration's key is no failure; a view that
    // holds it but was passed over is, since it may be the one the cameras'
    // programs use.
    bool Succeeded() const;
};

// Rewrites the merit of the MJPEG decompressor's registration in one view.
// Nothing is written unless a binary "FilterData" of a usable length was read
// whole; then exactly the bytes read go back, with the merit replaced.
ViewRepair RepairMeritInView(RegistryPort& registry, RegistryView view);

// Repairs each of the given views in turn, each by the same rules.
RepairReport RepairFilterMerit(RegistryPort& registry, std::span<const RegistryView> views);

}  // namespace kestrovane
