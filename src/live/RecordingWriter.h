// The writing side of one camera's recording, on a thread of its own, so that no disk ever holds
// up the display tick that decodes the camera's pictures. The tick hands over: a new file to
// begin (where, and the stream's track), each frame (copied into a bounded queue, never waited
// for) and the end of the file. The writer thread makes the folders and the file (a taken name
// gets a number), writes the frames at the stream's own times, flushes each complete fragment to
// the disk within a second, cuts over to the next file and closes the last one.
//
// A queue that is full refuses the frame: the recording then has a gap, which lasts until a key
// frame finds the queue at most half full, so that the frames after it decode; the frames left
// out are counted and noted with the file. A file that cannot be made leaves the file before it
// (if any) going; a write or flush that fails ends the file, keeping what plays to its end.
//
// The file's life — made, cut over, closed — happens in OpenFile, CloseFile and FileFailed on
// the writer thread, which tell the listener of the files (RecordingEvents) and keep the report
// in Files(). When a file cannot be made, written or closed and the listener makes room on the
// disk, the failure is not told: the recording goes on with a new file (Renew; at a cut the new
// file is open already).
// Threading: Begin, Push and End from one thread at a time (the display tick, then the stop);
// WaitIdle and the reports from any thread. The writer thread is private and may outlive the
// object by the time its last write takes (a frozen disk), never touching the caller afterwards.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "live/RecordingEvents.h"
#include "media/Mp4Writer.h"
#include "media/RecordingQueue.h"
#include "platform/ByteSink.h"

namespace nimbrel {

class RecordingWriter {
  public:
    static constexpr std::size_t kQueueBytes = 8u << 20;
    // How long the end of the object waits at most for the last file to be finished (and never
    // more than two seconds without the disk making progress).
    static constexpr std::chrono::seconds kEndWait{10};

    // A file made for a recording: its sink and the name it got (a taken name gets a number).
    struct NewFile {
        std::unique_ptr<ByteSink> sink;
        std::filesystem::path path;
    };
    // Makes the file `wanted` (or a numbered name beside it); no sink, with the reason, when it
    // cannot.
    using SinkFactory = std::function<NewFile(const std::filesystem::path& wanted, std::string& error)>;
    // Tells the user something (at most once each time; the caller decides how often).
    using Tell = std::function<void(const char* text)>;

    struct FileReport {
        std::filesystem::path path;
        uint64_t frames = 0;
        bool closed = false;      // finished (a normal close, or stopped by a failure)
        bool failed = false;      // a write or flush failed: the file keeps what plays to its end
        uint64_t gapFrames = 0;   // frames left out of it because the disk could not keep up
        uint64_t gaps = 0;        // the stretches they make
    };

    enum class PushResult {
        Queued,
        GapStarted,  // the queue was full: the frame was left out and a gap began
        LeftOut,     // left out within a gap
    };

    struct Texts {
        const char* fileFailed;   // a file could not be made
        const char* writeFailed;  // a write or flush failed
    };

    // Whose file it is, for the listener of the files.
    struct Origin {
        std::string folder;  // the recording folder as stored
        std::string sid;
    };

    RecordingWriter(Texts texts, Tell tell, SinkFactory sinks = {},
                    std::size_t queueBytes = kQueueBytes);
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // From the next frame on, frames go into a new file `wanted` with `track`; its number (1, 2,
    // ... for this writer) names it in Opened and the failures. The file before it is closed
    // once the new one is made, and runs on when it cannot be made.
    uint64_t Begin(std::filesystem::path wanted, const Mp4Writer::Track& track, Origin origin);
    PushResult Push(const uint8_t* data, std::size_t size, const RecordingQueue::FrameInfo& info);
    // The file ends after the frames handed over so far.
    void End();

    // Who hears of the files (null: nobody).
    void SetEvents(RecordingEvents* events);

    // Waits until every file, frame and end handed over has been dealt with; false when that
    // took longer than `limit`.
    bool WaitIdle(std::chrono::milliseconds limit) const;

    // The highest number of a file that was made, that could not be made, and whose writing
    // failed (0: none).
    uint64_t Opened() const;
    uint64_t OpenFailed() const;
    uint64_t Failed() const;
    // The highest number of a file that ended or was not made while room was made on its disk:
    // the recording goes on with a new file.
    uint64_t Renew() const;
    bool FileOpen() const;
    // Frames left out in gaps, in all.
    uint64_t FramesLeftOut() const;
    // Every file so far, oldest first.
    std::vector<FileReport> Files() const;

  private:
    struct State;
    void StartThread();  // under the state's lock

    std::shared_ptr<State> state_;
    bool inGap_ = false;       // the tick's: frames are being left out
    uint32_t leftOut_ = 0;     // frames left out since the last one queued
};

}  // namespace nimbrel
