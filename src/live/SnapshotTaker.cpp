#include "live/SnapshotTaker.h"

#include "media/BmpFile.h"
#include "media/PaneScaler.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {

void SnapshotTaker::Request(std::filesystem::path file) {
    {
        std::lock_guard guard(lock_);
        target_ = std::move(file);
    }
    requested_ = true;
}

SnapshotTaker::Outcome SnapshotTaker::Take(const AVFrame& picture, PaneScaler& scaler,
                                           const Place& place) {
    if (!requested_) return Outcome::None;
    std::filesystem::path file;
    {
        std::lock_guard guard(lock_);
        file = target_;
    }
    if (file.empty()) {
        const auto path = PlanCapturePath(place.folder, place.user, place.sid, clock_(), ".bmp");
        if (!path) {
            requested_ = false;
            ++failed_;
            return Outcome::Failed;
        }
        std::string error;
        if (!MakeFolders(path->folder, error)) {
            NLOG_DEBUG("snapshot: " << error);
            return Outcome::Retry;
        }
        file = path->file;
    }
    requested_ = false;
    bool written = scaler.ConvertFullSize(picture, bgr_);
    if (written) {
        const std::string bmp = EncodeSnapshotBmp(picture.width, picture.height, bgr_.data());
        written = !bmp.empty() && WriteFileAtomically(file, bmp,
                                                      std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
    }
    // The buffer of a full-size picture is not kept between snapshots.
    std::vector<uint8_t>().swap(bgr_);
    if (!written) {
        NLOG_DEBUG("snapshot: " << file << " could not be written");
        ++failed_;
        return Outcome::Failed;
    }
    ++taken_;
    std::lock_guard guard(lock_);
    last_ = file;
    return Outcome::Written;
}

std::filesystem::path SnapshotTaker::LastFile() const {
    std::lock_guard guard(lock_);
    return last_;
}

}  // namespace nimbrel
