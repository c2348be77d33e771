#include "live/CameraRecorder.h"

#include <algorithm>
#include <system_error>

#include "platform/DurableFile.h"
#include "platform/Log.h"

namespace nimbrel {

CameraRecorder::CameraRecorder(UserNotifier& notifier, LocalClock clock, SinkFactory sinks)
    : notifier_(notifier), clock_(std::move(clock)), sinks_(std::move(sinks)) {
    if (!sinks_)
        sinks_ = [](const std::filesystem::path& path, std::string& error) {
            return std::unique_ptr<ByteSink>(DurableFile::Create(path, error));
        };
}

CameraRecorder::~CameraRecorder() {
    EndView();
}

void CameraRecorder::BeginView(View view) {
    EndView();
    view_ = std::move(view);
    // Neither a length nor a frame period of 0 may divide: without both, files are not cut.
    fileTicks_ = view_.fileLength.count() > 0 && view_.framePeriodMs > 0
                     ? static_cast<int>(std::min<long long>(
                           view_.fileLength.count() / view_.framePeriodMs, INT32_MAX))
                     : -1;
    ticks_ = std::max(fileTicks_, 0);
}

void CameraRecorder::Upkeep(std::atomic<int>& record) {
    if (record == 0) {
        CloseCurrent(false);
        cutDue_ = false;
        return;
    }
    if (current_ && fileTicks_ >= 0 && ticks_.fetch_sub(1) <= 0) cutDue_ = true;
}

void CameraRecorder::WriteFrame(uint8_t* frame, std::size_t size, bool key,
                                std::atomic<int>& record) {
    if (record == 0) return;
    // A file begins with a key frame, so a cut waits for one and the old file runs on meanwhile.
    if ((!current_ || cutDue_) && key) OpenNext(record);
    if (!current_) return;
    ++offered_;
    const bool written = current_->WriteFrame(frame, size, key);
    {
        std::lock_guard guard(filesLock_);
        files_.back().frames = current_->Frames();
    }
    if (!written) {
        NLOG_DEBUG("record: writing " << files_.back().path << " failed");
        CloseCurrent(true);
        // A full disk: room made by the retention rule lets the next key frame start a new file.
        if (events_ && events_->MakeRoom(view_.folder)) return;
        NoticeOnce(kWriteFailedNotice);
        record = 0;
    } else if (const uint64_t limit = stopAfter_; limit > 0 && offered_ >= limit) {
        CloseCurrent(false);
        record = 0;
    }
}

bool CameraRecorder::OpenNext(std::atomic<int>& record) {
    std::string error = "the user id or the device id cannot name a file";
    if (events_) events_->BeforeNewFile(view_.folder);
    const auto path = PlanCapturePath(view_.folder, view_.user, view_.sid, clock_(), ".mp4");
    std::unique_ptr<ByteSink> sink;
    if (path && MakeFolders(path->folder, error)) sink = sinks_(path->file, error);
    auto next = std::make_unique<Mp4Writer>();
    const bool created = sink != nullptr;
    if (!created || !next->Open(std::move(sink), view_.track, error)) {
        NLOG_DEBUG("record: no file for " << view_.sid << ": " << error);
        if (created) {
            std::error_code ec;
            std::filesystem::remove(path->file, ec);  // a header without pictures helps nobody
        }
        // A full disk: the next key frame tries again once room was made.
        if (events_ && events_->MakeRoom(view_.folder)) return false;
        NoticeOnce(kFileFailedNotice);
        ++openFailures_;
        ticks_ = 0;
        if (view_.udt) {
            record = 0;
            CloseCurrent(false);
        }
        return false;
    }
    CloseCurrent(false);
    current_ = std::move(next);
    open_ = true;
    cutDue_ = false;
    noticeShown_ = false;
    ticks_ = std::max(fileTicks_, 0);
    {
        std::lock_guard guard(filesLock_);
        files_.push_back({path->file, 0, false, false});
    }
    if (events_) events_->FileOpened({path->file, view_.sid, 0, false});
    return true;
}

void CameraRecorder::CloseCurrent(bool failed) {
    if (!current_) return;
    // A writer whose sink failed has closed itself already.
    const bool closedWell = !failed && current_->Close();
    if (!failed && !closedWell) NoticeOnce(kWriteFailedNotice);
    RecordingEvents::File closed;
    {
        std::lock_guard guard(filesLock_);
        files_.back().frames = current_->Frames();
        files_.back().closed = true;
        files_.back().failed = !closedWell;
        closed = {files_.back().path, view_.sid, files_.back().frames, !closedWell};
    }
    current_.reset();
    open_ = false;
    if (events_) events_->FileClosed(closed);
}

void CameraRecorder::EndView() {
    CloseCurrent(false);
    cutDue_ = false;
    ticks_ = 0;
}

void CameraRecorder::NoticeOnce(const char* text) {
    if (noticeShown_) return;
    noticeShown_ = true;
    notifier_.ShowTip(text, kNoticeMs);
}

std::vector<CameraRecorder::FileReport> CameraRecorder::Files() const {
    std::lock_guard guard(filesLock_);
    return files_;
}

}  // namespace nimbrel
