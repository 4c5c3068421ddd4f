#include "filterrestore/RepairMessage.h"

#include "filterrestore/FilterRegistration.h"

namespace kestrovane {

namespace {

std::string ViewLabel(RegistryView view) {
    switch (view) {
        case RegistryView::Wow64Key64:
            return "64-bit registry view";
        case RegistryView::Wow64Key32:
            return "32-bit registry view";
        case RegistryView::Default:
            break;
    }
    return "Registry";
}

std::string Why(const RegistryOutcome& failure) {
    if (failure.status == RegistryStatus::AccessDenied) {
        return "access denied; run the program as administrator";
    }
    return "error " + std::to_string(failure.systemCode);
}

std::string Describe(const ViewRepair& repair) {
    const std::string key = "HKEY_CLASSES_ROOT\\" + FilterKeyPath();
    const std::string value = "the value \"" + std::string(kFilterDataValueName) + "\"";
    switch (repair.result) {
        case RepairResult::Repaired:
            return "repaired";
        case RepairResult::KeyMissing:
            return "the key " + key + " does not exist";
        case RepairResult::KeyUnreadable:
            return "the key " + key + " could not be opened (" + Why(repair.failure) + ")";
        case RepairResult::ValueMissing:
            return "the key has no value \"" + std::string(kFilterDataValueName) + "\"";
        case RepairResult::ValueUnreadable:
            return value + " could not be read (" + Why(repair.failure) + ")";
        case RepairResult::NotBinary:
            return value + " is not binary data (registry type " +
                   std::to_string(repair.valueType) + ")";
        case RepairResult::TooShort:
            return value + " holds " + std::to_string(repair.valueLength) + " bytes; at least " +
                   std::to_string(kMinimumFilterDataLength) + " are needed";
        case RepairResult::TooLong:
            return value + " holds " + std::to_string(repair.valueLength) + " bytes; at most " +
                   std::to_string(kFilterDataCapacity) + " are expected";
        case RepairResult::WriteRefused:
            return "writing " + value + " failed (" + Why(repair.failure) + ")";
    }
    return "unknown result";
}

}  // namespace

UserMessage ComposeMessage(const RepairReport& report) {
    if (report.Succeeded()) return {kSuccessText, kSuccessCaption, false};

    const bool partly = report.AnyRepaired();
    std::string text = partly
                           ? "The merit of the MJPEG decompressor filter was repaired only in part."
                           : "The merit of the MJPEG decompressor filter could not be repaired.";
    text += "\n\n";
    if (report.views.empty()) text += "No registry view was searched.\n";
    for (const ViewRepair& repair : report.views) {
        text += ViewLabel(repair.view) + ": " + Describe(repair) + ".\n";
    }
    text += partly ? "\nThe repaired view takes effect after a reboot." : "\nNothing was changed.";
    return {text, kErrorCaption, true};
}

int ExitCodeFor(const RepairReport& report) {
    return report.Succeeded() ? 0 : 1;
}

}  // namespace kestrovane
