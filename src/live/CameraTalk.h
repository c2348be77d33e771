// Talk to a camera: the input captures blocks of the microphone's sound into a ring (Speex:
// 3200 bytes = 200 ms at 8000 Hz; AAC: 1024 samples at the camera's rate), and a sender encodes
// each block (10 Speex frames, or one AAC frame) and sends it on the view's stream as a media
// packet. A stop ends the sender (it finishes the packet it sends), closes the input and frees
// the ring, then runs the caller's hand-over (the next camera to talk).
// Threading: StartTalking, RequestStop, StopAndWait and Running from any controlling thread; the
// input's callback, the capture, sender and stop threads are private.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "media/CaptureRing.h"
#include "platform/audio/AudioBackends.h"

namespace nimbrel {

struct TalkCounters {
    std::atomic<uint64_t> blocksCaptured{0};
    std::atomic<uint64_t> blocksDropped{0};  // short, or the ring was full
    std::atomic<uint64_t> packetsSent{0};
    std::atomic<uint64_t> bytesSent{0};    // whole packets, headers included
    std::atomic<uint64_t> samplesSent{0};  // captured samples that went out encoded
    std::atomic<uint64_t> encodeCpuNs{0};  // the sender's CPU time spent encoding
    std::atomic<bool> sendFailed{false};
};

class CameraTalk {
  public:
    static constexpr std::size_t kSpeexBlockBytes = 3200;
    static constexpr std::size_t kAacBlockBytes = 2048;
    // Sends one whole packet on the view's stream; false when the stream failed.
    using Sender = std::function<bool(std::span<const uint8_t> packet)>;

    CameraTalk(const AudioBackends& backends, std::string name)
        : backends_(backends), name_(std::move(name)) {}
    ~CameraTalk();

    enum class Start { Started, AlreadyTalking, StopRunning };
    // Starts the capture thread for the camera's audio kind. `send` is empty when the view has
    // no stream: then capture starts but no sender does.
    Start StartTalking(bool aac, int sampleRate, Sender send);
    // Clears the talk flag and starts the stop on its own thread unless one runs; `handOver` runs
    // on it at the end. False when a stop already runs or talk is off.
    bool RequestStop(std::function<void()> handOver);
    // The view's stop: stops talk if it runs and waits for the stop to finish.
    void StopAndWait(std::function<void()> handOver);
    bool Running() const;
    // 1 while the sender is to go on sending.
    const std::atomic<int>& TalkFlag() const { return m_bTalk; }
    const TalkCounters& Counters() const { return counters_; }

  private:
    void Capture();
    void SendSpeex();
    void SendAac();
    void Clean(std::function<void()> handOver);
    bool SendPacket(uint8_t kind, std::span<const uint8_t> body);

    const AudioBackends& backends_;
    std::string name_;
    TalkCounters counters_;
    std::atomic<int> m_bTalk{0};
    std::atomic<bool> ending_{false};  // a stop asked capture and sender to end
    bool aac_ = false;
    int sampleRate_ = 8000;
    Sender send_;
    CaptureRing ring_;
    std::unique_ptr<AudioInput> input_;

    mutable std::mutex lifecycleLock_;
    bool talking_ = false;   // the capture thread was started and talk not yet cleaned
    bool stopping_ = false;  // the stop thread runs
    std::thread captureThread_;
    std::thread senderThread_;
    std::thread stopThread_;
};

}  // namespace nimbrel
