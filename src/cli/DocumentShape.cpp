#include "cli/DocumentShape.h"

#include <map>

namespace kestrovane::cli {

namespace {

using Fields = std::vector<DocumentField>;

Fields UploadFields() {
    return {{"camera", ""},  {"result", ""},          {"step", ""},
            {"block", ""},   {"inHeader", ""},        {"markerRestored", ""},
            {"blocks", ""},  {"blockSize", ""},       {"message", ""},
            {"seconds", ""}, {"readback", "readback"}, {"restart", "restart"},
            {"cameraGone", ""}};
}

Fields Joined(Fields first, const Fields& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

const std::map<std::string, Fields, std::less<>>& Shapes() {
    static const std::map<std::string, Fields, std::less<>> shapes = [] {
        std::map<std::string, Fields, std::less<>> all;
        all["cameraUpload"] = UploadFields();
        all["readback"] = {{"result", ""},          {"bytes", ""},    {"protocolLevel", ""},
                           {"firstDifference", ""}, {"expected", ""}, {"actual", ""}};
        all["restart"] = {{"result", ""}, {"needsReboot", ""}};
        all["allCamera"] = Joined(Joined({{"number", ""}, {"serial", ""}}, UploadFields()),
                                  {{"binVersionAfter", ""}, {"hwVersionAfter", ""}});
        all["autoPass"] = Joined(Joined({{"pass", ""}}, UploadFields()), {{"status", ""}});
        all["list"] = {{"devices", ""}, {"cameras", ""}};
        all["verify"] = Joined(UploadFields(), {{"imageChecks", ""}});
        // An upload may also save a backup first, be a dry run (the camera's
        // versions and image state instead of writing) or be refused for want
        // of a named camera (the candidates).
        all["upload"] = Joined(all["verify"], {{"backup", "backup"},
                                               {"binVersion", ""},
                                               {"hwVersion", ""},
                                               {"imageState", ""},
                                               {"candidates", ""}});
        all["backup"] = {{"file", ""}, {"bytes", ""}, {"protocolLevel", ""}, {"result", ""}};
        all["read"] = {{"camera", ""}, {"file", ""},   {"bytes", ""},
                       {"protocolLevel", ""}, {"result", ""}, {"seconds", ""}};
        all["upload --all"] = {{"cameras", "allCamera"},
                               {"summary", "allSummary"},
                               {"imageChecks", ""}};
        all["verify --all"] = all["upload --all"];
        all["allSummary"] = {{"cameras", ""}, {"succeeded", ""}, {"failed", ""}, {"stopped", ""}};
        all["auto"] = {{"camera", ""},
                       {"passes", "autoPass"},
                       {"served", ""},
                       {"failedPasses", ""},
                       {"imageChecks", ""}};
        all["version"] = {
            {"camera", ""}, {"binVersion", ""}, {"hwVersion", ""}, {"imageState", ""}};
        all["erase"] = {{"camera", ""}, {"result", ""}, {"message", ""}, {"candidates", ""}};
        const Fields registerFields{{"register", ""}, {"camera", ""}, {"protocolLevel", ""}};
        all["reg read"] =
            Joined(registerFields, {{"address", ""}, {"value", ""}, {"valueHex", ""}});
        all["reg write"] =
            Joined(registerFields, {{"address", ""}, {"value", ""}, {"candidates", ""}});
        all["reg dump"] = Joined(registerFields,
                                 {{"registers", ""}, {"first", ""}, {"last", ""}, {"lines", ""}});
        all["reg load"] =
            Joined(registerFields, {{"registers", ""},
                                    {"failedLine", ""},
                                    {"passedOver", ""},
                                    {"candidates", ""}});
        all["image show"] = {{"image", ""},       {"length", ""},      {"layout", ""},
                             {"eeprom", ""},      {"chip", ""},        {"marker", ""},
                             {"vendorId", ""},    {"productId", ""},   {"description", ""},
                             {"binVersion", ""},  {"hwVersion", ""},   {"idsInUse", ""},
                             {"descriptionInUse", ""}, {"upsideDown", ""}, {"frequency", ""},
                             {"parameters", ""}};
        all["image set"] = {{"image", ""}, {"bytesWritten", ""}};
        all["image check"] = {{"image", ""}, {"eeprom", ""}, {"checks", ""}, {"ok", ""}};
        return all;
    }();
    return shapes;
}

}  // namespace

std::vector<std::string> DocumentShapeNames() {
    std::vector<std::string> names;
    for (const auto& [name, fields] : Shapes()) names.push_back(name);
    return names;
}

const std::vector<DocumentField>& DocumentFields(std::string_view shape) {
    static const Fields none;
    const auto found = Shapes().find(shape);
    return found == Shapes().end() ? none : found->second;
}

Json Shaped(const Json& document, std::string_view shape) {
    const Fields& fields = DocumentFields(shape);
    if (fields.empty() || !document.is_object()) return document;
    Json shaped = Json::object();
    for (const DocumentField& field : fields) {
        const auto found = document.find(field.name);
        if (found == document.end() || found->is_null()) {
            shaped[field.name] = nullptr;
        } else if (field.entryShape.empty()) {
            shaped[field.name] = *found;
        } else if (found->is_array()) {
            Json entries = Json::array();
            for (const Json& entry : *found) entries.push_back(Shaped(entry, field.entryShape));
            shaped[field.name] = entries;
        } else {
            shaped[field.name] = Shaped(*found, field.entryShape);
        }
    }
    for (const auto& [key, value] : document.items()) {
        if (!shaped.contains(key)) shaped[key] = value;
    }
    return shaped;
}

}  // namespace kestrovane::cli
