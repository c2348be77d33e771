// A camera's snapshot: asked for from any thread, taken on the display tick from the picture just
// decoded — converted at its own size to 24-bit BGR and written as a top-down BMP file readable by
// its owner only, either into the snapshot folder's day folder (named like recordings; a name
// taken already, as by a snapshot in the same second, gets a number) or to a file named by the
// caller. A day folder that cannot be made leaves the request standing for the next picture.
// Threading: Request and the reports from any thread; Take on the display tick only.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "live/CapturePaths.h"
#include "text/Translation.h"

struct AVFrame;

namespace nimbrel {

class PaneScaler;

class SnapshotTaker {
  public:
    // Says where the file went: %1 is its path.
    static constexpr const char* kTakenMessage =
        NIMBREL_TR_NOOP("Core", "Скриншот сохранен в файл\n%1");
    static constexpr const char* kFailedNotice =
        NIMBREL_TR_NOOP("Core", "Не удалось сохранить скриншот");

    // Where the folder rules put a snapshot.
    struct Place {
        std::string folder;  // the snapshot folder as stored
        std::string user;
        std::string sid;
    };

    enum class Outcome {
        None,     // nothing was asked for
        Written,  // the file is written; the request is done
        Retry,    // the folder could not be made: tried again with the next picture
        Failed,   // the picture or the file could not be written; the request is dropped
    };

    explicit SnapshotTaker(LocalClock clock = LocalNow) : clock_(std::move(clock)) {}

    // Asks for the next picture; an empty `file` follows the folder rules (m_bSnapshot = 1).
    void Request(std::filesystem::path file = {});
    bool Requested() const { return requested_.load(); }

    Outcome Take(const AVFrame& picture, PaneScaler& scaler, const Place& place);

    uint64_t Taken() const { return taken_.load(); }
    uint64_t Failed() const { return failed_.load(); }
    std::filesystem::path LastFile() const;

  private:
    LocalClock clock_;
    std::atomic<bool> requested_{false};
    std::atomic<uint64_t> taken_{0};
    std::atomic<uint64_t> failed_{0};
    mutable std::mutex lock_;
    std::filesystem::path target_;  // under lock_
    std::filesystem::path last_;    // under lock_
    std::vector<uint8_t> bgr_;      // the tick's conversion buffer
};

}  // namespace nimbrel
