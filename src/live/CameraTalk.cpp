#include "live/CameraTalk.h"

#include <time.h>

#include <chrono>
#include <vector>

#include "live/StreamPacket.h"
#include "media/AacEncoder.h"
#include "media/SpeexCodec.h"
#include "platform/Log.h"
#include "platform/ThreadEnd.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr auto kIdlePoll = 5ms;

int64_t ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

}  // namespace

CameraTalk::~CameraTalk() {
    StopAndWait({});
}

bool CameraTalk::Running() const {
    std::lock_guard guard(lifecycleLock_);
    return talking_;
}

CameraTalk::Start CameraTalk::StartTalking(bool aac, int sampleRate, Sender send) {
    std::thread finished;
    {
        std::lock_guard guard(lifecycleLock_);
        if (talking_) return Start::AlreadyTalking;
        if (stopping_) return Start::StopRunning;
        finished = std::move(stopThread_);
        talking_ = true;
        ending_ = false;
        aac_ = aac;
        sampleRate_ = aac ? sampleRate : 8000;
        send_ = std::move(send);
        captureThread_ = std::thread(&CameraTalk::Capture, this);
    }
    JoinOrDetach(finished);
    return Start::Started;
}

bool CameraTalk::RequestStop(std::function<void()> handOver) {
    std::thread finished;
    {
        std::lock_guard guard(lifecycleLock_);
        if (stopping_ || !talking_) return false;
        stopping_ = true;
        ending_ = true;
        m_bTalk = 0;
        finished = std::move(stopThread_);
        stopThread_ = std::thread(&CameraTalk::Clean, this, std::move(handOver));
    }
    JoinOrDetach(finished);
    return true;
}

void CameraTalk::StopAndWait(std::function<void()> handOver) {
    RequestStop(std::move(handOver));
    std::thread stopper;
    {
        std::lock_guard guard(lifecycleLock_);
        stopper = std::move(stopThread_);
    }
    JoinOrDetach(stopper);
}

void CameraTalk::Capture() {
    NameThisThread(name_, "talkin");
    NLOG_DEBUG("goto Audio_Input " << name_);
    const std::size_t blockBytes = aac_ ? kAacBlockBytes : kSpeexBlockBytes;
    ring_.Reset(blockBytes);
    auto input = backends_.MakeInput();
    const bool opened =
        input->Open({sampleRate_, 1}, blockBytes, [this](std::span<const uint8_t> block) {
            if (ring_.Put(block))
                ++counters_.blocksCaptured;
            else
                ++counters_.blocksDropped;
        });
    if (!opened) {
        NLOG_WARN("talk: the sound input did not open for " << name_);
        return;
    }
    input_ = std::move(input);
    if (ending_) return;  // stopped while the input opened
    m_bTalk = 1;
    if (!send_) return;  // a view without a stream: nothing to send on
    senderThread_ = std::thread(aac_ ? &CameraTalk::SendAac : &CameraTalk::SendSpeex, this);
}

bool CameraTalk::SendPacket(uint8_t kind, std::span<const uint8_t> body) {
    // Kind, 16-bit length, 8 zero bytes, then the body.
    std::vector<uint8_t> packet(kAudioHeaderSize + body.size(), 0);
    packet[0] = kind;
    packet[1] = static_cast<uint8_t>(body.size());
    packet[2] = static_cast<uint8_t>(body.size() >> 8);
    std::copy(body.begin(), body.end(), packet.begin() + kAudioHeaderSize);
    if (!send_(packet)) {
        counters_.sendFailed = true;
        return false;
    }
    ++counters_.packetsSent;
    counters_.bytesSent += packet.size();
    return true;
}

void CameraTalk::SendSpeex() {
    NameThisThread(name_, "talkout");
    SpeexEncoder encoder;
    if (!encoder.IsOpen()) return;
    std::array<uint8_t, kSpeexPacketBytes> body{};
    while (m_bTalk && !ending_) {
        const auto block = ring_.Front();
        if (block.empty()) {
            std::this_thread::sleep_for(kIdlePoll);
            continue;
        }
        const int64_t cpu = ThreadCpuNs();
        const bool encoded = encoder.EncodePacket(block.first<kSpeexPcmBytes>(), body);
        counters_.encodeCpuNs += static_cast<uint64_t>(ThreadCpuNs() - cpu);
        if (encoded && !SendPacket(kPacketSpeex, body)) return;
        if (encoded) counters_.samplesSent += kSpeexPcmBytes / 2;
        ring_.Pop();
    }
}

void CameraTalk::SendAac() {
    NameThisThread(name_, "talkout");
    // The encoder runs at the capture rate, so that the camera hears the right pitch whatever
    // rate it announced; the ADTS header names that rate.
    AacEncoder encoder;
    if (!encoder.Open(sampleRate_)) {
        NLOG_WARN("talk: no AAC encoder at " << sampleRate_ << " Hz for " << name_);
        return;
    }
    std::vector<uint8_t> encoded;
    while (m_bTalk && !ending_) {
        if (const auto block = ring_.Front(); !block.empty()) {
            const int64_t cpu = ThreadCpuNs();
            const bool ok = encoder.Encode(block.first<AacEncoder::kBlockBytes>(), encoded);
            counters_.encodeCpuNs += static_cast<uint64_t>(ThreadCpuNs() - cpu);
            // A packet goes out for every block, also when the encoder gave nothing yet.
            if (!ok) encoded.clear();
            if (!SendPacket(kPacketAac, encoded)) return;
            counters_.samplesSent += AacEncoder::kFrameSamples;
            ring_.Pop();
        }
        std::this_thread::sleep_for(kIdlePoll);
    }
}

void CameraTalk::Clean(std::function<void()> handOver) {
    NameThisThread(name_, "talkstop");
    NLOG_TRACE("go  to the CleanLocalAudio. " << name_);
    if (captureThread_.joinable()) captureThread_.join();
    if (senderThread_.joinable()) senderThread_.join();
    if (input_) {
        input_->Close();
        input_.reset();
    }
    ring_.Free();
    {
        std::lock_guard guard(lifecycleLock_);
        talking_ = false;
        stopping_ = false;
        send_ = {};
    }
    if (handOver) handOver();
}

}  // namespace nimbrel
