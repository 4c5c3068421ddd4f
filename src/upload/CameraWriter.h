#pragma once

#include <cstddef>

#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "upload/UploadOutcome.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// What a caller sees of one camera being written, and how it steers the run.
// Called on the thread that writes.
class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    // The image is loaded and the camera prepared; `blockCount` blocks are
    // about to go out. Returning false ends the run before any block.
    virtual bool BeginBlocks(std::size_t blockCount) = 0;
    // Block `index` (0-based) begins.
    virtual void BeginBlock(std::size_t index) = 0;
    // Asked at the top of every block: true ends the run there.
    virtual bool StopRequested() = 0;
};

// Writes (or, in verify only, checks) the image of `settings` into the camera
// under `settings.cameraPath`:
//   1. load and check the whole image before the camera is touched;
//   2. open a link, make the EEPROM writable, force the EEPROM type if asked;
//   3. send every block (EE_SET_OFFSET, the data words, EE_END_BLOCK unless
//      verify only), pause `blockDelayMs`, and check it when asked;
//   4. unless verify only, commit the header: block 0 again with the marker
//      'A' in place of the 'B' it went out with first, always checked.
// A run that ends before step 4 completes leaves 'B' in EEPROM byte 0, so the
// camera never looks as if it held a complete image.
UploadOutcome WriteCamera(CameraPort& cameras, Clock& clock, const UploadSettings& settings,
                          WriteObserver& observer);

}  // namespace kestrovane
