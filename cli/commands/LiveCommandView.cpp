#include "LiveCommandView.h"

#include <thread>

#include "ExitCode.h"
#include "devices/VideoLock.h"

namespace nimbrel::cli {

using namespace std::chrono;

bool PollUntil(const std::function<bool()>& done, milliseconds limit) {
    const auto until = steady_clock::now() + limit;
    while (!done()) {
        if (steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

LiveCommandView::~LiveCommandView() {
    if (camera_) camera_->Shutdown();
}

int LiveCommandView::Open(const AccountOptions& account, const std::string& sid) {
    if (const int rc = session_.Open(account); rc != kExitOk) return rc;
    camera_ = session_.Camera(sid);
    if (!camera_) return kExitFailed;
    switch (CheckDeviceOpening(*camera_)) {
        case OpenCheck::Open:
            break;
        case OpenCheck::AdminLocked:
            return ctx_.Fail(kExitFailed, "REFUSED", kAdminLockMessage);
        case OpenCheck::Offline:
            return ctx_.Fail(kExitFailed, "REFUSED", kDeviceOfflineNotice);
        case OpenCheck::NeedsCode:
            return ctx_.Fail(kExitFailed, "REFUSED", kWrongCodeNotice);
    }
    CCanvas& canvas = session_.Canvas();
    canvas.Relayout(0, 1, 1);
    canvas.PlacePanes(320, 180);
    return kExitOk;
}

int LiveCommandView::StartAndWaitPlaying(seconds limit) {
    camera_->CameraStart();
    const bool playing = PollUntil(
        [this] {
            return camera_->m_nStatus == kStatusPlaying || camera_->m_nStatus == kStatusFailed;
        },
        limit);
    if (const auto signedOut = session_.FailIfSignedOut()) return *signedOut;
    if (!playing || camera_->m_nStatus != kStatusPlaying)
        return ctx_.Fail(kExitFailed, "FAILED", "Воспроизведение не удалось");
    return kExitOk;
}

}  // namespace nimbrel::cli
