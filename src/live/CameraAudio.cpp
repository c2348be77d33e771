#include "live/CameraAudio.h"

#include <algorithm>
#include <cstring>

#include "platform/Log.h"
#include "platform/ThreadEnd.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr auto kFillPoll = 50ms;     // the filling phase waits for frames in these steps
constexpr auto kRefillPoll = 10ms;   // the message thread likewise
constexpr int kAacFillAttempts = 3;  // a frame that does not decode while filling is tried again
// Following the picture: a frame more than kInStepMs behind it is dropped; one more than
// kFarAheadMs ahead (the picture jumped back) starts dropping until frames are within kInStepMs;
// one between kInStepMs and kFarAheadMs ahead waits until the picture should have caught up.
constexpr int64_t kInStepMs = 500;
constexpr int64_t kFarAheadMs = 5000;

}  // namespace

CameraAudio::CameraAudio(std::atomic<int>& audioOff, const StopSignal& viewStop,
                         const AudioBackends& backends, std::string name)
    : audioOff_(audioOff), viewStop_(viewStop), backends_(backends), name_(std::move(name)) {}

CameraAudio::~CameraAudio() {
    StopAndWait({});
}

bool CameraAudio::Running() const {
    std::lock_guard guard(lifecycleLock_);
    return playing_;
}

uint64_t CameraAudio::Underruns() const {
    std::lock_guard guard(outputLock_);
    return counters_.underruns.load() + (output_ ? output_->Underruns() : 0);
}

CameraAudio::Start CameraAudio::StartPlaying(bool aac, int announcedRate) {
    std::thread finished;
    {
        std::lock_guard guard(lifecycleLock_);
        if (playing_) {
            NLOG_TRACE("m_hStartCameraAudioThread != NULL.");
            return Start::AlreadyPlaying;
        }
        if (stopping_) return Start::StopRunning;
        finished = std::move(stopThread_);
        playing_ = true;
        ending_ = false;
        aac_ = aac;
        announcedRate_ = announcedRate;
        playThread_ = std::thread(&CameraAudio::Play, this);
    }
    JoinOrDetach(finished);  // an earlier stop thread, done by now (or this one, handing over)
    return Start::Started;
}

bool CameraAudio::RequestStop(std::function<void()> handOver) {
    std::thread finished;
    {
        std::lock_guard guard(lifecycleLock_);
        if (stopping_ || !playing_) return false;
        stopping_ = true;
        ending_ = true;
        finished = std::move(stopThread_);
        stopThread_ = std::thread(&CameraAudio::Clean, this, std::move(handOver));
    }
    audioOff_ = 1;
    JoinOrDetach(finished);
    return true;
}

void CameraAudio::StopAndWait(std::function<void()> handOver) {
    RequestStop(std::move(handOver));
    std::thread stopper;
    {
        std::lock_guard guard(lifecycleLock_);
        stopper = std::move(stopThread_);
    }
    JoinOrDetach(stopper);
}

bool CameraAudio::Ending() const {
    return ending_.load() || audioOff_.load() != 0 || viewStop_.IsRaised();
}

void CameraAudio::PutFrame(bool aac, std::span<const uint8_t> frame, uint32_t timeValue) {
    using R = AudioPut;
    switch (aac ? aacRing_.Put(frame, timeValue) : speexRing_.Put(frame, timeValue)) {
        case R::Stored:
            ++counters_.framesStored;
            break;
        case R::Oversized:
            ++counters_.framesOversized;
            break;
        case R::Full:
        case R::Off:
            ++counters_.framesDropped;
            break;
    }
}

template <typename Ring>
typename Ring::Entry* CameraAudio::WaitFrame(Ring& ring, std::chrono::milliseconds poll) {
    for (;;) {
        if (auto* e = ring.Peek()) return e;
        if (Ending()) return nullptr;
        std::this_thread::sleep_for(poll);
    }
}

CameraAudio::AacRing::Entry* CameraAudio::NextAacFrame(std::chrono::milliseconds poll) {
    bool dropAhead = false;
    for (;;) {
        auto* e = WaitFrame(aacRing_, poll);
        if (!e || !pictureMs_) return e;
        const int64_t d = pictureMs_->load() - static_cast<int64_t>(e->timeValue);
        if (d < -kFarAheadMs) dropAhead = true;
        if (d > kInStepMs || (dropAhead && d < -kInStepMs)) {
            aacRing_.Consume();
            ++counters_.framesOutOfStep;
            continue;
        }
        // A little ahead: wait as long as it is ahead, in steps that notice a stop.
        for (auto wait = std::chrono::milliseconds(-d); wait.count() > 0; wait -= kRefillPoll) {
            if (Ending()) return nullptr;
            std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(wait, kRefillPoll));
        }
        return e;
    }
}

bool CameraAudio::FillBuffer(int id, bool filling) {
    const int attempts = filling && aac_ ? kAacFillAttempts : 1;
    const auto poll = filling ? kFillPoll : kRefillPoll;
    std::span<const uint8_t> pcm;
    int64_t arrival = 0;
    if (aac_) {
        auto* e = NextAacFrame(poll);
        if (!e) return false;
        bool decoded = false;
        for (int a = 0; a < attempts && !decoded; ++a)
            decoded = aacDecoder_.Decode(std::span(e->input.data(), e->count), e->pcm);
        if (!decoded) ++counters_.framesSilent;
        pcm = e->pcm;
        arrival = e->arrivalNs;
        bufferTime_[id] = e->timeValue;
    } else {
        auto* e = WaitFrame(speexRing_, poll);
        if (!e) return false;
        if (speexDecoder_->DecodePacket(e->input, e->pcm) < static_cast<int>(kSpeexFramesPerPacket))
            ++counters_.framesSilent;
        pcm = e->pcm;
        arrival = e->arrivalNs;
    }
    bufferArrival_[id] = arrival;
    if (filling)
        filled_[id].assign(pcm.begin(), pcm.end());
    else
        output_->Queue(id, pcm);
    if (aac_)
        aacRing_.Consume();
    else
        speexRing_.Consume();
    ++counters_.framesPlayed;
    return true;
}

void CameraAudio::Play() {
    NameThisThread(name_, "audio");
    NLOG_TRACE((aac_ ? "AAC playback " : "Play_Audio ") << name_);
    const bool allocated = aac_ ? aacRing_.Allocate() : speexRing_.Allocate();
    if (!allocated) return;
    if (aac_) {
        if (!aacDecoder_.Open()) return;
    } else {
        speexDecoder_ = std::make_unique<SpeexDecoder>();
        if (!speexDecoder_->IsOpen()) return;
    }
    {
        std::lock_guard guard(messageLock_);
        quit_ = false;
        doneBuffers_.clear();
    }
    messageThread_ = std::thread(&CameraAudio::Messages, this);
    audioOff_ = 0;

    // Nothing plays before 8 frames have come.
    for (int id = 0; id < kOutputBuffers; ++id)
        if (!FillBuffer(id, true)) return;

    AudioFormat format{8000, 1};
    if (aac_) {
        const int rate = aacDecoder_.SampleRate() > 0 ? aacDecoder_.SampleRate() : announcedRate_;
        format = {rate, 2};
    }
    auto output = backends_.MakeOutput();
    if (!output->Open(format, [this](int id, AudioOutput::Clock::time_point started) {
            OnDone(id, started);
        })) {
        NLOG_WARN("audio output refused " << format.sampleRate << " Hz for " << name_);
        return;
    }
    {
        std::lock_guard guard(outputLock_);
        output_ = std::move(output);
    }
    for (int id = 0; id < kOutputBuffers; ++id) output_->Queue(id, filled_[id]);
}

void CameraAudio::OnDone(int id, AudioOutput::Clock::time_point started) {
    const int64_t startedNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch()).count();
    if (const int64_t arrival = bufferArrival_[id]; arrival > 0 && startedNs > arrival)
        counters_.playDelay.Record(static_cast<uint64_t>(startedNs - arrival) / 1000);
    counters_.lastHeardTime = bufferTime_[id];
    {
        std::lock_guard guard(messageLock_);
        doneBuffers_.push_back(id);
    }
    messageWake_.notify_one();
}

void CameraAudio::Messages() {
    NameThisThread(name_, "audiomsg");
    for (;;) {
        int id = -1;
        {
            std::unique_lock lock(messageLock_);
            messageWake_.wait(lock, [&] { return quit_ || !doneBuffers_.empty(); });
            if (quit_) return;
            id = doneBuffers_.front();
            doneBuffers_.pop_front();
        }
        if (!FillBuffer(id, false)) return;
    }
}

void CameraAudio::Clean(std::function<void()> handOver) {
    NameThisThread(name_, "audiostop");
    NLOG_TRACE("go to the CleanCameraAudio() " << name_);
    // The player, then the message thread, then the output; only then is anything freed.
    if (playThread_.joinable()) playThread_.join();
    {
        std::lock_guard guard(messageLock_);
        quit_ = true;
    }
    messageWake_.notify_one();
    if (messageThread_.joinable()) messageThread_.join();
    {
        std::lock_guard guard(outputLock_);
        if (output_) {
            output_->Close();
            counters_.underruns += output_->Underruns();
            output_.reset();
        }
    }
    speexDecoder_.reset();
    aacDecoder_.Close();
    aacRing_.Release();
    speexRing_.Release();
    audioOff_ = 1;  // also when the player cleared it after the stop had begun
    {
        std::lock_guard guard(lifecycleLock_);
        playing_ = false;
        stopping_ = false;
    }
    NLOG_TRACE("clean cameraAudio success. " << name_);
    if (handOver) handOver();
}

}  // namespace nimbrel
