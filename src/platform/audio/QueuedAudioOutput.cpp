#include "platform/audio/QueuedAudioOutput.h"

#include <pthread.h>

namespace nimbrel {

QueuedAudioOutput::~QueuedAudioOutput() {
    // A derived backend closes in its own destructor; this only catches a forgotten Close of the
    // thread, whose device is gone by now.
    closing_ = true;
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool QueuedAudioOutput::Open(const AudioFormat& format, DoneCallback done) {
    if (thread_.joinable() || !format.Valid() || !OpenDevice(format)) return false;
    format_ = format;
    done_ = std::move(done);
    closing_ = false;
    underruns_ = 0;
    queue_.clear();
    thread_ = std::thread(&QueuedAudioOutput::Run, this);
    return true;
}

bool QueuedAudioOutput::Queue(int id, std::span<const uint8_t> pcm) {
    if (id < 0 || id >= kMaxBuffers || pcm.size() % format_.BytesPerFrame() != 0) return false;
    {
        std::lock_guard guard(lock_);
        if (!thread_.joinable() || closing_) return false;
        if (id == playing_) return false;  // its bytes are being played
        for (int queued : queue_)
            if (queued == id) return false;
        buffers_[id].assign(pcm.begin(), pcm.end());
        queue_.push_back(id);
    }
    wake_.notify_all();
    return true;
}

void QueuedAudioOutput::Close() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
        CloseDevice();
    }
}

void QueuedAudioOutput::Run() {
    pthread_setname_np(pthread_self(), threadName_.c_str());
    bool playedOne = false;
    for (;;) {
        int id = -1;
        {
            std::unique_lock lock(lock_);
            if (queue_.empty() && playedOne && !closing_) {
                ++underruns_;
                const Clock::time_point dry = Clock::now();
                wake_.wait(lock, [&] { return closing_ || !queue_.empty(); });
                if (!closing_) {
                    lock.unlock();
                    Resumed(Clock::now() - dry);
                    lock.lock();
                }
            }
            wake_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            if (closing_) return;
            id = queue_.front();
            queue_.pop_front();
            playing_ = id;
        }
        const Clock::time_point started = Play(buffers_[id], closing_);
        playedOne = true;
        {
            std::lock_guard guard(lock_);
            playing_ = -1;
        }
        if (closing_) return;
        if (done_) done_(id, started);
    }
}

}  // namespace nimbrel
