#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/Output.h"

namespace kestrovane::cli {

// The fields every JSON document of a kind carries, in their order, whatever
// path the run took: a field the run had nothing for is `null`. The one list
// of them, which docs/CLI.md's table of document fields repeats.
struct DocumentField {
    std::string name;
    // The fields of each entry, when the field is an array of objects, or of
    // the object itself; empty for a plain value.
    std::string entryShape;
};

// Every shape: each command's document (`upload --all`, `verify --all` of
// their own) and the shapes of nested objects (`cameraUpload`, `allCamera`,
// `autoPass`, `readback`, `restart`).
std::vector<std::string> DocumentShapeNames();
// The fields of `shape` after `command`, `exitCode` and `error`; empty for an
// unknown shape.
const std::vector<DocumentField>& DocumentFields(std::string_view shape);

// `document` with every field of `shape` (nested ones too): the documented
// fields first in their order, absent ones as null, then any others.
Json Shaped(const Json& document, std::string_view shape);

}  // namespace kestrovane::cli
