#pragma once

#include <string>

#include "image/ImageEditorFields.h"

namespace kestrovane {

enum class EditorOpenStatus {
    Opened,
    CannotOpen,                 // missing, unreadable, a folder
    ShorterThanHeader,          // below 28 bytes
    ShorterThanParameterBlock,  // a Large image without room for its parameter block
};

struct EditorOpenResult {
    EditorOpenStatus status = EditorOpenStatus::CannotOpen;
    OpenedImage image;  // meaningful when Opened
};

// Reads the editor's fields from the image file at `path` (UTF-8), in the
// layout of `eepromType`; a Large image with the parameter table of
// `revision`. The file is only read.
EditorOpenResult OpenImageForEditing(const std::string& path, EepromType eepromType,
                                     ChipRevision revision);

}  // namespace kestrovane
