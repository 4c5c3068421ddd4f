#pragma once

#include <string>
#include <string_view>

#include "image/ImageEditorOpen.h"
#include "image/ImageEditorSave.h"

namespace kestrovane {

// The words in which the image editor's front ends (the Advanced dialog, the
// command line) report an open or a save that was refused.

// Empty for an image that was opened.
std::string_view EditorOpenFailureText(EditorOpenStatus status);

// Why a save was refused; nothing was written.
std::string EditorSaveRefusalText(const EditorSaveRefusal& refusal);

}  // namespace kestrovane
