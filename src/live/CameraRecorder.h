// The recording of one camera's live view into MP4 files, as the display tick drives it: a file
// begins at the first key frame once recording is asked for, is cut over to a new file after the
// recording length (at the next key frame, so every file starts with a picture and no frame is
// lost or written twice across a cut), and ends when recording is switched off or the view
// stops. The tick only decides and hands over; the files are made and written by the
// recording's writer (RecordingWriter) on a thread of its own, so a slow or frozen disk never
// holds up the tick. What the writer reports comes back at the next tick: a file that could not
// be made is tried again at the next key frame (over UDT recording is switched off), and a
// failed write switches recording off — unless the listener of the files (the archive) made room
// on the disk, when the next key frame begins a new file. When the disk cannot keep up the recording has a gap,
// counted with its file, and the user is told once.
// Threading: BeginView, Upkeep, WriteFrame and EndView from one thread at a time (the display
// tick, then the stop after the tick has ended); Flush and the reports from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "live/CapturePaths.h"
#include "live/RecordingWriter.h"
#include "media/FrameRing.h"
#include "media/Mp4Writer.h"
#include "platform/UserNotifier.h"
#include "text/Translation.h"

namespace nimbrel {

class CameraRecorder {
  public:
    static constexpr const char* kFileFailedNotice =
        NIMBREL_TR_NOOP("Core", "Не удалось создать файл видеозаписи");
    static constexpr const char* kWriteFailedNotice =
        NIMBREL_TR_NOOP("Core", "Запись видео остановлена: не удалось записать файл");
    static constexpr const char* kDiskBehindNotice =
        NIMBREL_TR_NOOP("Core", "Диск не успевает за записью видео: часть кадров не записана");
    static constexpr int kNoticeMs = 2000;

    using SinkFactory = RecordingWriter::SinkFactory;
    using FileReport = RecordingWriter::FileReport;

    // What one view records: where, how long a file runs, and the stream's track.
    struct View {
        std::string folder;  // the recording folder as stored
        std::string user;    // the account's user id
        std::string sid;
        std::chrono::milliseconds fileLength{0};  // 0 or less: files are not cut
        int framePeriodMs = 0;
        bool udt = false;  // over UDT a file that cannot be made switches recording off
        Mp4Writer::Track track;
    };

    // `queueBytes`: how much the writer may have still to write before frames are left out.
    explicit CameraRecorder(UserNotifier& notifier, LocalClock clock = LocalNow,
                            SinkFactory sinks = {},
                            std::size_t queueBytes = RecordingWriter::kQueueBytes);
    // Who hears of every file opened and closed, and is asked for room (null: nobody); told by
    // the writer's thread as the files are made and closed.
    void SetEvents(RecordingEvents* events) { writer_.SetEvents(events); }

    // The view's handshake is done: its stream and the settings in force. The first file, like
    // every later one, is cut after the recording length.
    void BeginView(View view);
    // At the start of every display tick (`record` is the camera's recording flag).
    void Upkeep(std::atomic<int>& record);
    // Every frame taken for decoding while `record` is set, before it is decoded; the frame is
    // copied, not changed.
    void WriteFrame(const FrameRing::Frame& frame, std::atomic<int>& record);
    // The view stops: the open file ends (the writer finishes it on its own).
    void EndView();
    // Ends the recording (closes the file, clears the flag) once `frames` frames are handed over
    // in all; 0 records on until switched off. For recordings of a set length.
    void StopAfter(uint64_t frames) { stopAfter_ = frames; }
    // Waits until the writer has written and closed everything handed over; false when that
    // took longer than `limit`.
    bool Flush(std::chrono::milliseconds limit) const { return writer_.WaitIdle(limit); }

    // Display ticks left before the file is cut (m_nRecordTicks).
    int RecordTicks() const { return ticks_.load(); }
    // The writer has a file open.
    bool FileOpen() const { return writer_.FileOpen(); }
    // Frames handed over from the first key frame of a file on, in all files of the recording
    // (those left out in gaps included).
    uint64_t FramesOffered() const { return offered_.load(); }
    // Frames left out because the disk could not keep up.
    uint64_t FramesLeftOut() const { return writer_.FramesLeftOut(); }
    // Files that could not be made.
    uint64_t OpenFailures() const { return openFailures_.load(); }
    // Every file of this camera so far, oldest first.
    std::vector<FileReport> Files() const { return writer_.Files(); }

  private:
    // Acts on what the writer reported since the last look.
    void FollowWriter(std::atomic<int>& record);
    void BeginFile(std::atomic<int>& record);
    void OpenFailed(std::atomic<int>& record);
    void EndFile();

    UserNotifier& notifier_;
    LocalClock clock_;
    View view_;
    int fileTicks_ = -1;         // ticks per file; -1: not cut
    bool cutDue_ = false;        // the length ran out: the next key frame starts a new file
    bool wanted_ = false;        // frames go to a file (made, or being made)
    uint64_t asked_ = 0;       // the writer's number of the file asked for last; 0: none
    uint64_t firstAsked_ = 0;  // the number of this recording's first file
    uint64_t current_ = 0;     // the number of the file known made last
    uint64_t failedSeen_ = 0;  // the number of the last file not made that was acted on
    uint64_t renewSeen_ = 0;   // the number of the last file to renew that was acted on
    bool behindTold_ = false;    // the user was told of a gap since recording was switched on
    bool nameTold_ = false;      // the user was told that the ids cannot name a file
    std::atomic<int> ticks_{0};
    std::atomic<uint64_t> offered_{0};
    std::atomic<uint64_t> stopAfter_{0};
    std::atomic<uint64_t> openFailures_{0};
    // Declared last, so that it ends first: its end waits for the last file while what it tells
    // is still there.
    RecordingWriter writer_;
};

}  // namespace nimbrel
