// A span of one camera's recordings saved as one MP4 file: the pictures copied as they are
// (no new encoding) from the key frame at or before the span's start to its end, across as many
// files as it covers, with times that run on without a break at each cut and over each pause
// between recordings. Written beside the target as "<file>.part" and renamed when complete, so
// a cancelled or failed export leaves nothing behind.
// Threading: ExportSpan runs on the caller's thread; the progress may be read and the cancel
// set from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "archive/ArchiveIndex.h"
#include "text/Translation.h"

namespace nimbrel::archive {

namespace export_text {
inline constexpr const char* kNothing = NIMBREL_TR_NOOP("Core", "В этом промежутке нет записей");
inline constexpr const char* kBadSpan =
    NIMBREL_TR_NOOP("Core", "Конец промежутка должен быть позже начала");
inline constexpr const char* kWriteFailed = NIMBREL_TR_NOOP("Core", "Не удалось записать файл");
inline constexpr const char* kCancelled = NIMBREL_TR_NOOP("Core", "Сохранение отменено");
}  // namespace export_text

struct ExportRequest {
    std::filesystem::path root;  // "<recording folder><user>"
    std::string sid;
    int64_t fromMs = 0;  // local ms
    int64_t toMs = 0;
    std::filesystem::path output;
};

struct ExportProgress {
    std::atomic<int64_t> doneMs{0};  // of the span
    std::atomic<int64_t> totalMs{0};
    std::atomic<bool> cancel{false};
};

struct ExportResult {
    bool ok = false;
    const char* error = nullptr;  // one of export_text, when not ok
    int64_t frames = 0;
    int64_t durationMs = 0;  // of the file written
    int64_t firstMs = 0;     // the time of its first frame (local ms)
    int64_t lastMs = 0;      // of its last frame
    int files = 0;           // recordings it was copied from
};

ExportResult ExportSpan(const ArchiveIndex& index, const ExportRequest& request,
                        ExportProgress* progress = nullptr);

}  // namespace nimbrel::archive
