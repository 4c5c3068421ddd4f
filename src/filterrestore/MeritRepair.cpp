#include "filterrestore/MeritRepair.h"

#include <algorithm>
#include <array>
#include <string>

#include "filterrestore/FilterRegistration.h"
#include "filterrestore/ValueAccess.h"

namespace kestrovane {

namespace {

void StoreLe32(std::span<uint8_t> bytes, std::size_t offset, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

ViewRepair ViewOutcome(RegistryView view, RepairResult result, RegistryOutcome failure = {}) {
    ViewRepair repair;
    repair.view = view;
    repair.result = result;
    repair.failure = failure;
    return repair;
}

}  // namespace

bool RepairReport::AnyRepaired() const {
    return std::any_of(views.begin(), views.end(),
                       [](const ViewRepair& v) { return v.result == RepairResult::Repaired; });
}

bool RepairReport::AnyWriteRefused() const {
    return std::any_of(views.begin(), views.end(),
                       [](const ViewRepair& v) { return v.result == RepairResult::WriteRefused; });
}

bool RepairReport::Succeeded() const {
    return AnyRepaired() && std::all_of(views.begin(), views.end(), [](const ViewRepair& v) {
               return v.result == RepairResult::Repaired || v.result == RepairResult::KeyMissing;
           });
}

ViewRepair RepairMeritInView(RegistryPort& registry, RegistryView view) {
    const std::string path = FilterKeyPath();
    const std::string name(kFilterDataValueName);
    std::array<uint8_t, kFilterDataCapacity> buffer{};

    const ValueRead read = ReadValue(registry, RegistryRoot::ClassesRoot, view, path, name, buffer);
    if (!read.open.Ok()) {
        return ViewOutcome(view,
                           read.open.status == RegistryStatus::NotFound
                               ? RepairResult::KeyMissing
                               : RepairResult::KeyUnreadable,
                           read.open);
    }

    ViewRepair repair = ViewOutcome(view, RepairResult::Repaired);
    repair.valueType = read.type;
    repair.valueLength = read.length;
    switch (read.query.status) {
        case RegistryStatus::Ok:
            break;
        case RegistryStatus::NotFound:
            repair.result = RepairResult::ValueMissing;
            repair.failure = read.query;
            return repair;
        case RegistryStatus::MoreData:
            repair.result = RepairResult::TooLong;
            return repair;
        case RegistryStatus::AccessDenied:
        case RegistryStatus::Failed:
            repair.result = RepairResult::ValueUnreadable;
            repair.failure = read.query;
            return repair;
    }
    if (read.type != kRegistryTypeBinary) {
        repair.result = RepairResult::NotBinary;
        return repair;
    }
    if (read.length > buffer.size()) {
        // A query must never claim more than it stored; treat it as too long.
        repair.result = RepairResult::TooLong;
        return repair;
    }
    if (read.length < kMinimumFilterDataLength) {
        repair.result = RepairResult::TooShort;
        return repair;
    }

    const std::span<uint8_t> record(buffer.data(), read.length);
    StoreLe32(record, kMeritOffset, kReplacementMerit);
    const ValueWrite write =
        WriteBinaryValue(registry, RegistryRoot::ClassesRoot, view, path, name, record);
    if (!write.Succeeded()) {
        repair.result = RepairResult::WriteRefused;
        repair.failure = write.open.Ok() ? write.set : write.open;
    }
    return repair;
}

RepairReport RepairFilterMerit(RegistryPort& registry, std::span<const RegistryView> views) {
    RepairReport report;
    for (const RegistryView view : views) report.views.push_back(RepairMeritInView(registry, view));
    return report;
}

}  // namespace kestrovane
