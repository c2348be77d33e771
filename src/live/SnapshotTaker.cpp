#include "live/SnapshotTaker.h"

#include <optional>

#include "media/BmpFile.h"
#include "media/PaneScaler.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {
namespace {

// Pictures of someone's home are the user's alone.
constexpr auto kPrivate = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

}  // namespace

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
    const bool byRules = file.empty();
    if (byRules) {
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
    std::optional<std::filesystem::path> written;
    if (scaler.ConvertFullSize(picture, bgr_)) {
        const std::string bmp = EncodeSnapshotBmp(picture.width, picture.height, bgr_.data());
        // A name the rules gave is never written over: two snapshots in one second both stay.
        if (bmp.empty())
            written = std::nullopt;
        else if (byRules)
            written = WriteNewFileAtomically(file, bmp, kPrivate);
        else if (WriteFileAtomically(file, bmp, kPrivate))
            written = file;
    }
    // The buffer of a full-size picture is not kept between snapshots.
    std::vector<uint8_t>().swap(bgr_);
    if (!written) {
        NLOG_DEBUG("snapshot: " << file << " could not be written");
        ++failed_;
        return Outcome::Failed;
    }
    file = *written;
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
