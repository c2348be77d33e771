#include "live/RecordingWriter.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "live/CapturePaths.h"
#include "media/SampleClock.h"
#include "platform/DurableFile.h"
#include "platform/Log.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A file's complete fragments reach the disk at least this often while frames keep coming.
constexpr auto kSyncEvery = 1s;
// A writer with no file and nothing to do ends its thread after this long.
constexpr auto kIdleEnd = 2s;
// The end of the writer stops waiting for a disk that made no progress for this long.
constexpr auto kStallWait = 2s;

RecordingWriter::NewFile MakeDurableFile(const std::filesystem::path& wanted, std::string& error) {
    auto file = DurableFile::Create(wanted, error);
    if (!file) return {};
    std::filesystem::path path = file->Path();
    return {std::move(file), std::move(path)};
}

}  // namespace

struct RecordingWriter::State {
    struct Control {
        enum class Kind { Begin, End } kind;
        uint64_t afterFrames;  // comes after this many frames of the queue
        uint64_t number = 0;
        std::filesystem::path wanted;
        Mp4Writer::Track track;
        Origin origin;
        uint32_t leftOut = 0;  // frames of a gap that no later frame reports
    };

    State(Texts t, Tell tl, SinkFactory s, std::size_t queueBytes)
        : texts(t), tell(std::move(tl)), sinks(std::move(s)), queue(queueBytes) {}

    // Nothing is left to do. Under the lock.
    bool Idle() const { return controls.empty() && queue.Frames() == 0 && !busy; }

    // The thread.
    void Run();
    bool NextItem(std::unique_lock<std::mutex>& lock);
    void Handle(const Control& control);
    void Handle(const RecordingQueue::Frame& frame, bool queueEmpty);
    void OpenFile(const Control& begin);
    void CloseFile(uint32_t leftOut);
    void FileFailed();
    void TellOnce(const char* text);
    // Calls `call` with the listener, if there is one.
    template <class Call>
    void ToListener(Call call) {
        std::lock_guard guard(eventsLock);
        if (events) call(*events);
    }
    template <class Change>
    void Report(Change change) {
        std::lock_guard guard(filesLock);
        if (!files.empty()) change(files.back());
    }

    const Texts texts;
    const Tell tell;
    const SinkFactory sinks;

    mutable std::mutex lock;
    std::condition_variable wake;          // work arrived, or the end
    mutable std::condition_variable idle;  // the thread dealt with everything it was given
    RecordingQueue queue;
    std::deque<Control> controls;
    uint64_t pushed = 0;  // frames queued in all
    uint64_t popped = 0;  // frames dealt with in all
    bool busy = false;    // the thread deals with an item outside the lock
    uint64_t handled = 0;  // items dealt with in all
    bool running = false;
    bool ending = false;
    bool abandoned = false;  // the owner is gone: tell nothing more
    bool told = false;       // a failure was told since the last file that was made
    std::thread thread;
    uint64_t numbers = 0;

    // The writer thread's own.
    std::unique_ptr<Mp4Writer> file;
    uint64_t fileNumber = 0;
    Origin origin;  // the open file's
    SampleClock clock;
    Clock::time_point lastSync{};

    std::atomic<uint64_t> opened{0};
    std::atomic<uint64_t> openFailed{0};
    std::atomic<uint64_t> failed{0};
    std::atomic<uint64_t> renew{0};
    // The listener is called under its own lock, so that it is never called once it is gone.
    std::mutex eventsLock;
    RecordingEvents* events = nullptr;  // under eventsLock
    std::atomic<uint64_t> leftOut{0};
    std::atomic<bool> fileOpen{false};
    mutable std::mutex filesLock;
    std::vector<FileReport> files;
};

RecordingWriter::RecordingWriter(Texts texts, Tell tell, SinkFactory sinks, std::size_t queueBytes)
    : state_(std::make_shared<State>(texts, std::move(tell),
                                     sinks ? std::move(sinks) : SinkFactory(&MakeDurableFile),
                                     queueBytes)) {}

RecordingWriter::~RecordingWriter() {
    End();
    State& s = *state_;
    std::unique_lock lock(s.lock);
    // The last file is finished while the disk makes progress, within kEndWait in all; a disk
    // that holds a write for ever must not hold the program.
    const auto until = std::chrono::steady_clock::now() + kEndWait;
    bool finished = false;
    for (uint64_t seen = s.handled;;) {
        finished = s.idle.wait_for(lock, kStallWait, [&] { return s.Idle(); });
        if (finished || s.handled == seen || std::chrono::steady_clock::now() >= until) break;
        seen = s.handled;
    }
    s.ending = true;
    s.abandoned = true;
    s.wake.notify_all();
    if (!s.thread.joinable()) return;
    if (finished) {
        lock.unlock();
        s.thread.join();
        return;
    }
    // The thread finishes on its own, with its own share of the state, and tells no one.
    NLOG_WARN("recording: the last file is still being written; left to finish by itself");
    s.thread.detach();
    lock.unlock();
    SetEvents(nullptr);
}

void RecordingWriter::StartThread() {
    State& s = *state_;
    if (s.running) return;
    if (s.thread.joinable()) s.thread.join();  // it ended: nothing left to wait for
    s.running = true;
    s.thread = std::thread([state = state_] { state->Run(); });
}

uint64_t RecordingWriter::Begin(std::filesystem::path wanted, const Mp4Writer::Track& track,
                                Origin origin) {
    State& s = *state_;
    std::lock_guard guard(s.lock);
    const uint64_t number = ++s.numbers;
    s.controls.push_back(
        {State::Control::Kind::Begin, s.pushed, number, std::move(wanted), track, std::move(origin)});
    StartThread();
    s.wake.notify_one();
    return number;
}

RecordingWriter::PushResult RecordingWriter::Push(const uint8_t* data, std::size_t size,
                                                  const RecordingQueue::FrameInfo& info) {
    State& s = *state_;
    std::unique_lock lock(s.lock);
    // A gap ends at a key frame that finds room, so that what follows decodes; half the queue
    // free keeps a disk that is just keeping up from making a gap at every other key frame.
    const bool resumes = !inGap_ || (info.key && s.queue.Bytes() <= s.queue.Capacity() / 2);
    RecordingQueue::FrameInfo queued = info;
    queued.skippedBefore = leftOut_;
    if (resumes && s.queue.Push(data, size, queued)) {
        ++s.pushed;
        inGap_ = false;
        leftOut_ = 0;
        StartThread();  // a writer that ended while no file was made takes these frames too
        s.wake.notify_one();
        return PushResult::Queued;
    }
    lock.unlock();
    ++leftOut_;
    s.leftOut.fetch_add(1);
    if (inGap_) return PushResult::LeftOut;
    inGap_ = true;
    return PushResult::GapStarted;
}

void RecordingWriter::End() {
    State& s = *state_;
    std::lock_guard guard(s.lock);
    const uint32_t leftOut = leftOut_;
    leftOut_ = 0;
    inGap_ = false;
    // A thread that ended had no file open and nothing to do.
    if (!s.running) return;
    s.controls.push_back({State::Control::Kind::End, s.pushed, 0, {}, {}, {}, leftOut});
    s.wake.notify_one();
}

bool RecordingWriter::WaitIdle(std::chrono::milliseconds limit) const {
    const State& s = *state_;
    std::unique_lock lock(s.lock);
    return s.idle.wait_for(lock, limit, [&] { return s.Idle(); });
}

uint64_t RecordingWriter::Opened() const {
    return state_->opened.load();
}
uint64_t RecordingWriter::OpenFailed() const {
    return state_->openFailed.load();
}
uint64_t RecordingWriter::Failed() const {
    return state_->failed.load();
}
uint64_t RecordingWriter::Renew() const {
    return state_->renew.load();
}

void RecordingWriter::SetEvents(RecordingEvents* events) {
    std::lock_guard guard(state_->eventsLock);
    state_->events = events;
}

bool RecordingWriter::FileOpen() const {
    return state_->fileOpen.load();
}
uint64_t RecordingWriter::FramesLeftOut() const {
    return state_->leftOut.load();
}

std::vector<RecordingWriter::FileReport> RecordingWriter::Files() const {
    std::lock_guard guard(state_->filesLock);
    return state_->files;
}

void RecordingWriter::State::Run() {
    pthread_setname_np(pthread_self(), "cam-record");
    std::unique_lock lock(this->lock);
    while (NextItem(lock)) {
    }
    running = false;
    queue.ReleaseIfEmpty();
    idle.notify_all();
}

// Deals with the next control or frame; false when the thread should end.
bool RecordingWriter::State::NextItem(std::unique_lock<std::mutex>& held) {
    auto due = [&] {
        return (!controls.empty() && controls.front().afterFrames == popped) ||
               queue.Frames() > 0;
    };
    while (!due()) {
        idle.notify_all();
        if (ending) return false;
        if (wake.wait_for(held, kIdleEnd) == std::cv_status::timeout && !due() && !file)
            return false;
    }
    busy = true;
    if (!controls.empty() && controls.front().afterFrames == popped) {
        const Control control = std::move(controls.front());
        controls.pop_front();
        held.unlock();
        Handle(control);
        held.lock();
    } else {
        RecordingQueue::Frame frame;
        queue.Front(frame);
        const bool last = queue.Frames() == 1 && controls.empty();
        held.unlock();
        Handle(frame, last);
        held.lock();
        queue.Pop();
        ++popped;
    }
    busy = false;
    ++handled;
    return true;
}

void RecordingWriter::State::Handle(const Control& control) {
    if (control.kind == Control::Kind::Begin) {
        OpenFile(control);
        return;
    }
    CloseFile(control.leftOut);
}

void RecordingWriter::State::OpenFile(const Control& begin) {
    ToListener([&](RecordingEvents& l) { l.BeforeNewFile(begin.origin.folder); });
    std::string error = "the file could not be made";
    NewFile made;
    if (MakeFolders(begin.wanted.parent_path(), error)) made = sinks(begin.wanted, error);
    auto next = std::make_unique<Mp4Writer>();
    const bool created = made.sink != nullptr;
    if (!created || !next->Open(std::move(made.sink), begin.track, error)) {
        NLOG_DEBUG("record: no file " << begin.wanted << ": " << error);
        if (created) {
            std::error_code ec;
            std::filesystem::remove(made.path, ec);  // a header without pictures helps nobody
        }
        // A full disk where room was made: the next key frame tries again.
        bool roomMade = false;
        ToListener([&](RecordingEvents& l) { roomMade = l.MakeRoom(begin.origin.folder); });
        if (roomMade) {
            renew = begin.number;
            return;
        }
        TellOnce(texts.fileFailed);
        openFailed = begin.number;
        return;  // the file before goes on
    }
    CloseFile(0);
    file = std::move(next);
    fileNumber = begin.number;
    origin = begin.origin;
    clock.Restart(begin.track.sampleDuration);
    lastSync = Clock::now();
    {
        std::lock_guard guard(lock);
        told = false;
    }
    {
        std::lock_guard guard(filesLock);
        files.push_back({made.path});
    }
    fileOpen = true;
    opened = begin.number;
    ToListener([&](RecordingEvents& l) { l.FileOpened({made.path, origin.sid, 0, false}); });
}

void RecordingWriter::State::CloseFile(uint32_t leftOutBefore) {
    if (!file) return;
    const bool closedWell = file->Close();
    const uint64_t frames = file->Frames();
    RecordingEvents::File closed;
    Report([&](FileReport& r) {
        r.frames = frames;
        r.closed = true;
        r.failed = !closedWell;
        if (leftOutBefore > 0) {
            r.gapFrames += leftOutBefore;
            ++r.gaps;
        }
        closed = {r.path, origin.sid, frames, !closedWell};
    });
    file.reset();
    fileOpen = false;
    // A close that failed (the disk filled as the last fragment, the index or the flush went
    // out) asks for room as a failed write does: where room was made, the recording goes on
    // (at a cut the next file is open already) and nothing is told.
    bool roomMade = false;
    ToListener([&](RecordingEvents& l) {
        l.FileClosed(closed);
        if (!closedWell) roomMade = l.MakeRoom(origin.folder);
    });
    if (!closedWell && !roomMade) {
        TellOnce(texts.writeFailed);
        failed = fileNumber;
    }
}

void RecordingWriter::State::Handle(const RecordingQueue::Frame& frame, bool queueEmpty) {
    if (!file) return;  // no file was made for these frames, or it failed
    const int64_t time = clock.Next(frame.info.timeValue, frame.info.arrivalNs);
    bool ok = file->WriteFrame(frame.data, frame.size, frame.info.key, time);
    if (ok && (queueEmpty || Clock::now() - lastSync >= kSyncEvery)) {
        ok = file->Sync();
        lastSync = Clock::now();
    }
    const uint64_t frames = file->Frames();
    Report([&](FileReport& r) {
        r.frames = frames;
        if (frame.info.skippedBefore > 0) {
            r.gapFrames += frame.info.skippedBefore;
            ++r.gaps;
        }
    });
    if (!ok) FileFailed();
}

void RecordingWriter::State::FileFailed() {
    // The writer cut the file back to what plays to its end and closed it.
    const uint64_t frames = file->Frames();
    NLOG_DEBUG("record: writing file " << fileNumber << " failed; it keeps " << frames
                                       << " frames");
    RecordingEvents::File closed;
    Report([&](FileReport& r) {
        r.frames = frames;
        r.closed = true;
        r.failed = true;
        closed = {r.path, origin.sid, frames, true};
    });
    file.reset();
    fileOpen = false;
    // A full disk where room was made: the recording goes on with a new file.
    bool roomMade = false;
    ToListener([&](RecordingEvents& l) {
        l.FileClosed(closed);
        roomMade = l.MakeRoom(origin.folder);
    });
    if (roomMade) {
        renew = fileNumber;
        return;
    }
    TellOnce(texts.writeFailed);
    failed = fileNumber;
}

void RecordingWriter::State::TellOnce(const char* text) {
    std::lock_guard guard(lock);
    if (told || abandoned) return;
    told = true;
    tell(text);
}

}  // namespace nimbrel
