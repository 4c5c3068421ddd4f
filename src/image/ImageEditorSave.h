#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/ImageEditorFields.h"
#include "image/ImageFile.h"

namespace kestrovane {

enum class EditorSaveProblem {
    CannotOpen,                 // the file cannot be opened for writing in place
    ShorterThanParameterBlock,  // a Large image without room for its parameter block
    ValueOutOfRange,            // a number outside its field's range
    InvalidId,                  // a vendor or product id that is no hex number up to ffff
    TextTooLong,                // a description over 255 or a version over 16 characters
    PastEnd,                    // a field would be written past the end of the file
    OverlapsField,              // a write would land on another field the save writes or keeps
    TextNotStorable,            // a text holds a character its 8-bit field cannot store
};

// Why a save was refused; nothing has been written.
struct EditorSaveRefusal {
    EditorSaveProblem problem = EditorSaveProblem::CannotOpen;
    std::string field;       // the field concerned, in words ("Brightness default")
    std::string otherField;  // OverlapsField: the field the write would land on
    int64_t minimum = 0;     // ValueOutOfRange: the field's range
    int64_t maximum = 0;
};

// A save of the editor's fields into the file they were opened from, checked
// whole before anything is written. Only fields the open could read, or the
// user changed, are written, each in place and only where its bytes change;
// the file's other bytes and its length never change.
class ImageSave {
public:
    // Opens the file for writing in place and checks every value and length
    // of the save, and that no write lands on another field the save writes
    // or keeps. The same layout and parameter table as the open.
    static ImageSave Prepare(const OpenedImage& opened, const ImageEdits& edits);

    ImageSave(ImageSave&&) = default;
    ImageSave& operator=(ImageSave&&) = default;

    const std::optional<EditorSaveRefusal>& Refusal() const { return refusal_; }

    // Writes the checked changes and flushes the file. False when a write or
    // the flush failed (the file may then hold part of the changes).
    bool Commit();

    // The number of bytes a commit writes (for tests and reports): those of
    // the fields whose bytes change.
    std::size_t PlannedBytes() const;

private:
    struct PlannedWrite {
        std::size_t offset = 0;
        std::vector<uint8_t> bytes;
        std::string field;
    };

    ImageSave() = default;
    void Refuse(EditorSaveRefusal refusal);
    void Plan(std::size_t offset, std::vector<uint8_t> bytes, std::string field);
    bool CheckRange(std::string field, int64_t value, int64_t minimum, int64_t maximum);
    void PlanSmallParameters(const OpenedImage& opened, const ImageEdits& edits);
    void PlanLargeParameters(const OpenedImage& opened, const ImageEdits& edits, uint8_t base);
    void PlanIdentity(const ImageEdits& edits);
    void PlanDescription(const OpenedImage& opened, const ImageEdits& edits);
    void PlanVersions(const OpenedImage& opened, const ImageEdits& edits);
    void CheckPlanFits();
    void CheckNoOverlaps(const OpenedImage& opened, uint8_t base);

    std::optional<ImageFile> file_;
    std::vector<PlannedWrite> writes_;
    std::optional<EditorSaveRefusal> refusal_;
};

}  // namespace kestrovane
