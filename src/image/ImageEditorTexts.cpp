#include "image/ImageEditorTexts.h"

namespace kestrovane {

std::string_view EditorOpenFailureText(EditorOpenStatus status) {
    switch (status) {
        case EditorOpenStatus::CannotOpen:
            return "Can not open file";
        case EditorOpenStatus::ShorterThanHeader:
            return "File too short to 0x1c";
        case EditorOpenStatus::ShorterThanParameterBlock:
            return "File too short";
        case EditorOpenStatus::Opened:
            break;
    }
    return {};
}

std::string EditorSaveRefusalText(const EditorSaveRefusal& refusal) {
    const std::string nothing = ": nothing was written.";
    switch (refusal.problem) {
        case EditorSaveProblem::CannotOpen:
            return "Can not open file";
        case EditorSaveProblem::ShorterThanParameterBlock:
            return "File too short";
        case EditorSaveProblem::ValueOutOfRange:
            return refusal.field + " must be from " + std::to_string(refusal.minimum) + " to " +
                   std::to_string(refusal.maximum) + nothing;
        case EditorSaveProblem::InvalidId:
            return "The " + refusal.field + " must be a hexadecimal number from 0 to ffff" +
                   nothing;
        case EditorSaveProblem::TextTooLong:
            return "The " + refusal.field + " may hold at most " + std::to_string(refusal.maximum) +
                   " characters" + nothing;
        case EditorSaveProblem::PastEnd:
            return "The file is too short for the " + refusal.field + nothing;
        case EditorSaveProblem::OverlapsField:
            return "Writing the " + refusal.field + " would overwrite the " + refusal.otherField +
                   nothing;
        case EditorSaveProblem::TextNotStorable:
            return "The " + refusal.field +
                   " holds a character that the image's 8-bit text cannot store" + nothing;
    }
    return "Can not open file";
}

}  // namespace kestrovane
