// The recording of one camera's live view into MP4 files: opens a file at the first key frame
// once recording is asked for, cuts to a new file after the recording length (at the next key
// frame, so every file starts with a picture and no frame is lost or written twice across a
// cut), closes the file when recording is switched off or the view stops, and says once when a
// file cannot be made or written. A failed file never stops the view.
// Threading: BeginView, Upkeep, WriteFrame and EndView from one thread at a time (the display
// tick, then the stop after the tick has ended); the reports may be read from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "live/CapturePaths.h"
#include "live/RecordingEvents.h"
#include "media/Mp4Writer.h"
#include "platform/ByteSink.h"
#include "platform/UserNotifier.h"
#include "text/Translation.h"

namespace nimbrel {

class CameraRecorder {
  public:
    static constexpr const char* kFileFailedNotice =
        NIMBREL_TR_NOOP("Core", "Не удалось создать файл видеозаписи");
    static constexpr const char* kWriteFailedNotice =
        NIMBREL_TR_NOOP("Core", "Запись видео остановлена: не удалось записать файл");
    static constexpr int kNoticeMs = 2000;

    // Makes the file a recording is written into; null with the reason when it cannot.
    using SinkFactory =
        std::function<std::unique_ptr<ByteSink>(const std::filesystem::path&, std::string& error)>;

    // What one view records: where, how long a file runs, and the stream's track.
    struct View {
        std::string folder;  // the recording folder, ending in "/"
        std::string user;    // the account's user id
        std::string sid;
        std::chrono::milliseconds fileLength{0};  // 0 or less: files are not cut
        int framePeriodMs = 0;
        bool udt = false;  // over UDT a file that cannot be made switches recording off
        Mp4Writer::Track track;
    };

    struct FileReport {
        std::filesystem::path path;
        uint64_t frames = 0;
        bool closed = false;  // finished (a normal close, or stopped by a failure)
        bool failed = false;  // a write failed: the file holds its complete fragments only
    };

    explicit CameraRecorder(UserNotifier& notifier, LocalClock clock = LocalNow,
                            SinkFactory sinks = {});
    // Who hears of every file opened and closed, and is asked for room (null: nobody). Set
    // before the first view begins.
    void SetEvents(RecordingEvents* events) { events_ = events; }
    ~CameraRecorder();

    // The view's handshake is done: its stream and the settings in force. The first file, like
    // every later one, is cut after the recording length.
    void BeginView(View view);
    // At the start of every display tick (`record` is the camera's recording flag).
    void Upkeep(std::atomic<int>& record);
    // Every frame taken for decoding while `record` is set, before it is decoded. The frame's
    // bytes are the same afterwards.
    void WriteFrame(uint8_t* frame, std::size_t size, bool key, std::atomic<int>& record);
    // The view stops: the open file is closed, complete and playable.
    void EndView();
    // Ends the recording (closes the file, clears the flag) once `frames` frames are recorded in
    // all; 0 records on until switched off. For recordings of a set length.
    void StopAfter(uint64_t frames) { stopAfter_ = frames; }

    // Display ticks left before the file is cut (m_nRecordTicks).
    int RecordTicks() const { return ticks_.load(); }
    bool FileOpen() const { return open_.load(); }
    // Frames handed over from the first written key frame on, in all files of the recording.
    uint64_t FramesOffered() const { return offered_.load(); }
    // Files that could not be made.
    uint64_t OpenFailures() const { return openFailures_.load(); }
    // Every file of this camera so far, oldest first.
    std::vector<FileReport> Files() const;

  private:
    bool OpenNext(std::atomic<int>& record);
    void CloseCurrent(bool failed);
    void NoticeOnce(const char* text);

    UserNotifier& notifier_;
    RecordingEvents* events_ = nullptr;
    LocalClock clock_;
    SinkFactory sinks_;
    View view_;
    int fileTicks_ = -1;        // ticks per file; -1: not cut
    bool cutDue_ = false;       // the length ran out: the next key frame starts a new file
    bool noticeShown_ = false;  // a failure was told since the last good file
    std::unique_ptr<Mp4Writer> current_;
    std::atomic<int> ticks_{0};
    std::atomic<bool> open_{false};
    std::atomic<uint64_t> offered_{0};
    std::atomic<uint64_t> stopAfter_{0};
    std::atomic<uint64_t> openFailures_{0};
    mutable std::mutex filesLock_;
    std::vector<FileReport> files_;
};

}  // namespace nimbrel
