#include "live/CameraRecorder.h"

#include <algorithm>

#include "platform/Log.h"

namespace nimbrel {

CameraRecorder::CameraRecorder(UserNotifier& notifier, LocalClock clock, SinkFactory sinks,
                               std::size_t queueBytes)
    : notifier_(notifier),
      clock_(std::move(clock)),
      writer_({kFileFailedNotice, kWriteFailedNotice},
              [&notifier](const char* text) { notifier.ShowTip(text, kNoticeMs); },
              std::move(sinks), queueBytes) {}

void CameraRecorder::BeginView(View view) {
    EndView();
    view_ = std::move(view);
    // Neither a length nor a frame period of 0 may divide: without both, files are not cut.
    fileTicks_ = view_.fileLength.count() > 0 && view_.framePeriodMs > 0
                     ? static_cast<int>(std::min<long long>(
                           view_.fileLength.count() / view_.framePeriodMs, INT32_MAX))
                     : -1;
    ticks_ = std::max(fileTicks_, 0);
    nameTold_ = false;
}

void CameraRecorder::Upkeep(std::atomic<int>& record) {
    if (record == 0) {
        EndFile();
        behindTold_ = false;
        return;
    }
    FollowWriter(record);
    if (wanted_ && fileTicks_ >= 0 && ticks_.fetch_sub(1) <= 0) cutDue_ = true;
}

void CameraRecorder::WriteFrame(const FrameRing::Frame& frame, std::atomic<int>& record) {
    if (record == 0) return;
    FollowWriter(record);
    // A file begins with a key frame, so a cut waits for one and the old file runs on meanwhile.
    if ((!wanted_ || cutDue_) && frame.key) BeginFile(record);
    if (!wanted_ || record == 0) return;
    ++offered_;
    const auto pushed =
        writer_.Push(frame.data, frame.size, {frame.key, frame.timeValue, frame.completedNs});
    if (pushed == RecordingWriter::PushResult::GapStarted && !behindTold_) {
        behindTold_ = true;
        NLOG_DEBUG("record: the disk is behind; frames of " << view_.sid << " are left out");
        notifier_.ShowTip(kDiskBehindNotice, kNoticeMs);
    }
    if (const uint64_t limit = stopAfter_; limit > 0 && offered_ >= limit) {
        EndFile();
        record = 0;
    }
}

void CameraRecorder::FollowWriter(std::atomic<int>& record) {
    if (asked_ == 0) return;  // nothing handed over since the recording last ended
    // Only what became of this recording's files counts, not of files ended before.
    current_ = std::max(current_, writer_.Opened());
    if (const uint64_t failed = writer_.OpenFailed(); failed >= firstAsked_ && failed > failedSeen_) {
        failedSeen_ = failed;
        OpenFailed(record);
    }
    // A file that ended or was not made on a full disk where room was made since: the next key
    // frame begins a new one.
    if (const uint64_t renew = writer_.Renew(); renew >= firstAsked_ && renew > renewSeen_) {
        renewSeen_ = renew;
        if (writer_.FileOpen())
            cutDue_ = true;
        else
            wanted_ = false;
    }
    // A write that failed ended the file (the writer told the user): recording stops.
    if (current_ >= firstAsked_ && writer_.Failed() >= current_) {
        EndFile();
        record = 0;
    }
}

void CameraRecorder::BeginFile(std::atomic<int>& record) {
    const auto path = PlanCapturePath(view_.folder, view_.user, view_.sid, clock_(), ".mp4");
    if (!path) {
        NLOG_DEBUG("record: the folder, the user id or the device id cannot name a file");
        if (!nameTold_) notifier_.ShowTip(kFileFailedNotice, kNoticeMs);
        nameTold_ = true;
        OpenFailed(record);
        return;
    }
    const bool first = asked_ == 0;
    asked_ = writer_.Begin(path->file, view_.track, {view_.folder, view_.sid});
    if (first) firstAsked_ = asked_;
    wanted_ = true;
    cutDue_ = false;
    ticks_ = std::max(fileTicks_, 0);
}

void CameraRecorder::OpenFailed(std::atomic<int>& record) {
    ++openFailures_;
    ticks_ = 0;  // a running file is cut at the next key frame instead
    // The last file asked for was not made and none runs: the frames have nowhere to go until
    // the next key frame tries again.
    if (asked_ == 0 || (writer_.OpenFailed() >= asked_ && !writer_.FileOpen())) wanted_ = false;
    if (view_.udt) {
        EndFile();
        record = 0;
    }
}

void CameraRecorder::EndFile() {
    if (asked_ != 0) writer_.End();
    wanted_ = false;
    cutDue_ = false;
    asked_ = 0;
}

void CameraRecorder::EndView() {
    EndFile();
    ticks_ = 0;
}

}  // namespace nimbrel
