#include "upload/AutoUploadRun.h"

#include <memory>
#include <optional>

#include "camera/Discovery.h"

namespace kestrovane {

namespace {

bool CameraAttached(CameraPort& cameras, const std::string& path) {
    std::unique_ptr<CaptureFilter> filter;
    return OpenCamera({cameras, path}, &filter) == XU_OK;
}

}  // namespace

void RunAutoUpload(CameraPort& cameras, Clock& clock, const UploadSettings& settings,
                   AutoUploadFlags flags, AutoUploadObserver& observer) {
    std::optional<AutoUploadState> state;
    const auto enter = [&](AutoUploadState next) {
        if (state == next) return;
        state = next;
        observer.StateChanged(next);
    };

    flags.currentCameraDone = 0;
    while (flags.running != 0) {
        clock.SleepMs(kAutoLookPauseMs);
        if (!CameraAttached(cameras, settings.cameraPath)) {
            flags.currentCameraDone = 0;
            enter(AutoUploadState::Waiting);
            continue;
        }
        if (flags.currentCameraDone != 0) continue;

        enter(AutoUploadState::Settling);
        clock.SleepMs(kAutoSettleMs);
        if (flags.running == 0) break;
        enter(AutoUploadState::Writing);
        const UploadOutcome outcome = WriteCamera(cameras, clock, settings, observer);
        if (outcome.Succeeded()) flags.currentCameraDone = 1;
        if (!observer.CameraServed(outcome)) break;
        if (outcome.result == UploadOutcome::Result::Cancelled) break;
        if (outcome.Succeeded()) enter(AutoUploadState::Done);
    }
    enter(AutoUploadState::Ended);
}

}  // namespace kestrovane
