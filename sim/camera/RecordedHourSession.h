// One playback connection as a camera serves it: the recorded hour that the "connect" names is
// looked up on the card and announced (picture size, frame period, length, start time, audio,
// parameter sets); after "startup" the hour is sent from its beginning, every frame and AAC
// frame carrying its time in the recording in milliseconds; "jump" moves to the key frame at or
// before the point, "playback-pause" stops the media and "playback-play" resumes it, each logged.
// At the recording's end the camera says "close" and ends the connection.
// Threading: Run blocks its connection's thread until the connection ends or the run stops.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "OrderedJson.h"
#include "camera/CameraDevice.h"
#include "camera/ClientPacketReader.h"
#include "camera/ConnectMessage.h"
#include "camera/MediaClips.h"
#include "camera/MediaSchedule.h"
#include "camera/StreamContext.h"
#include "camera/StreamLink.h"

namespace nimbrel::sim {

class RecordedHourSession {
  public:
    // `reader` holds what the client sent after its "connect"; `via` names the route for the log.
    RecordedHourSession(StreamLink& link, const StreamContext& context, CameraDevice& device,
                        ClientPacketReader& reader, const char* via);
    void Run(const ConnectMessage& connect);

    const std::string& EndReason() const { return endReason_; }
    uint32_t FramesSent() const { return frameNumber_ - 1; }

  private:
    enum class Phase { AwaitStartup, Streaming, Closing };
    using Clock = std::chrono::steady_clock;

    bool Prepare(const ConnectMessage& connect);
    bool SendReply();
    bool Pump(int waitMs);
    bool OnPacket(const ClientPacketReader::Packet& packet);
    void OnControl(const Json::Value& message);
    void Jump(int pointSeconds);
    void Restart();
    bool SendDue();
    bool SendVideoFrame();
    bool SendAudioPacket();
    bool SendClose();

    long long NowUs() const;
    long long FrameTimeMs(long long frame) const;
    OrderedJson Line() const;
    void Log(OrderedJson line) const;
    void End(std::string reason);

    StreamLink& link_;
    const StreamContext& context_;
    CameraDevice& device_;
    ClientPacketReader& reader_;
    const char* via_;
    std::string sid_;
    std::string requestDate_;

    std::string date_;  // "YYYYMMDD"
    int hour_ = 0;
    std::shared_ptr<const VideoClip> video_;
    std::shared_ptr<const AudioClip> audio_;  // null: a silent recording
    bool aacAudio_ = false;

    Phase phase_ = Phase::AwaitStartup;
    bool paused_ = false;
    std::optional<MediaSchedule> schedule_;
    long long frame_ = 0;        // the next frame of the recording to send
    long long audioBaseMs_ = 0;  // the recording time of audio packet 0 since the last move
    long long audioCount_ = 0;
    uint32_t frameNumber_ = 1;
    Clock::time_point greetingStart_;
    Clock::time_point closeDeadline_;
    std::string endReason_;
};

}  // namespace nimbrel::sim
