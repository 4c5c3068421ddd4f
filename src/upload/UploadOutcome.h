#pragma once

#include <cstddef>
#include <optional>

#include "upload/UploadImage.h"

namespace kestrovane {

// The step of writing one camera at which a run stopped.
enum class UploadStep {
    None,
    LoadImage,          // see `imageStatus`
    OpenCamera,         // the camera under the run's path was not found
    OpenExtensionUnit,  // no vendor node in its topology
    GetKsControl,       // no property control
    MakeWritable,
    SetEepromType,
    SetOffset,  // EE_SET_OFFSET
    DataWord,   // an EE_DATA_WORD
    EndBlock,   // EE_END_BLOCK
    CheckSet,   // the SET half of EE_CHECK_BLOCK
    CheckGet,   // the GET half of EE_CHECK_BLOCK
    Mismatch,   // the camera answered that the block differs
};

// How writing one camera ended, in plain terms: each front end turns it into
// its own report (a message box, a status line, an exit code).
struct UploadOutcome {
    enum class Result {
        Committed,   // every block written and the header committed and checked
        Verified,    // verify only: every block matched
        Cancelled,   // a stop request was found at the top of `block`
        NotStarted,  // the caller declined to begin the blocks (it is closing)
        Failed,      // see `step`
    };

    Result result = Result::Failed;
    UploadStep step = UploadStep::None;
    // The block the run stopped at (0-based); none in the header commit.
    std::optional<std::size_t> block;
    bool inHeader = false;

    // For step LoadImage: why the image was refused, its length and what the
    // chosen EEPROM holds.
    ImageLoadStatus imageStatus = ImageLoadStatus::Ok;
    std::size_t fileLength = 0;
    std::size_t capacity = 0;

    // After a commit of block 0 (the header with 'A', or block 0's first write
    // with 'B') that failed once its EE_END_BLOCK was sent (the camera may now
    // hold 'A' in front of an image that is not known good): whether the one
    // attempt to put 'B' back worked. When it did not, the marker's state is
    // unknown. None when no attempt was needed.
    std::optional<bool> markerRestored;

    // The padded image's size in blocks and bytes (0 when it was not loaded).
    std::size_t blockCount = 0;
    std::size_t blockSize = 0;

    bool Succeeded() const { return result == Result::Committed || result == Result::Verified; }
};

}  // namespace kestrovane
