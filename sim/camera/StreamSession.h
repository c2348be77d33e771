// One client's stream connection as the camera (or the relay standing in for it) serves it:
// checks the sealed "connect", answers with the picture size, frame period, audio kind and
// parameter sets, waits for "startup", then streams the camera's clips at their own pace,
// logs every control message and talk packet it receives, and plays the camera's faults.
// Threading: Run blocks its connection's thread until the connection ends or the run stops.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "OrderedJson.h"
#include "camera/CameraDevice.h"
#include "camera/ClientPacketReader.h"
#include "camera/ConnectMessage.h"
#include "camera/MediaLibrary.h"
#include "camera/MediaSchedule.h"
#include "camera/StreamContext.h"
#include "camera/StreamLink.h"
#include "camera/TalkListener.h"

namespace nimbrel::sim {

class StreamSession {
  public:
    struct Route {
        const char* via = "device";  // "device", "relay" or "udt", for the log
        ConnectMessage::Expected expected;
        // The camera a "connect" for `sid` reaches here; null when it is not served here.
        std::function<CameraDevice*(const std::string& sid)> resolve;
    };

    // Longest wait for "connect" and then for "startup".
    static constexpr int kGreetingSeconds = 30;

    StreamSession(StreamLink& link, const StreamContext& context, Route route);
    ~StreamSession();
    void Run();

  private:
    enum class Phase { AwaitConnect, AwaitStartup, Streaming, Silent };
    using Clock = std::chrono::steady_clock;

    // Reads for at most `waitMs` and handles whole packets; false when the connection ends.
    bool Pump(int waitMs);
    bool OnPacket(const ClientPacketReader::Packet& packet);
    bool OnConnect(const Json::Value& message);
    void OnControl(const Json::Value& message);
    bool SendReply();
    bool SendEarlyMedia();
    bool StartStreaming();
    // Sends whatever is due; false when a send failed.
    bool SendDue();
    bool SendVideoFrame();
    bool SendAudioPacket();
    // Plays the faults whose time has come; false when the connection is to end now.
    bool PlayFaults();
    void SwitchClipAtKeyFrame();

    long long NowUs() const;
    // The time value of the video frame taken last from the schedule.
    uint32_t CaptureTimeMs() const;
    double SecondsStreaming() const;
    OrderedJson Line() const;
    void Log(OrderedJson line) const;
    void LogTalk(bool final);
    void End(std::string reason);

    StreamLink& link_;
    const StreamContext& context_;
    Route route_;
    ClientPacketReader reader_;
    Phase phase_ = Phase::AwaitConnect;
    std::string sid_;
    std::string umac_;
    CameraDevice* device_ = nullptr;
    std::string endReason_;

    std::shared_ptr<const VideoClip> video_;
    std::shared_ptr<const AudioClip> audio_;  // null: no audio on this connection
    bool aacAudio_ = false;
    std::optional<MediaSchedule> schedule_;
    long long scheduleStartUs_ = 0;  // NowUs() when the schedule began
    uint32_t wallAtStartMs_ = 0;     // the wall clock's milliseconds then
    Clock::time_point greetingStart_;
    Clock::time_point streamStart_;
    std::size_t clipIndex_ = 0;
    std::size_t audioIndex_ = 0;
    long long audioSent_ = 0;
    // The hold fault: video held back until holdUntilUs_, then sent at once.
    bool holdFired_ = false;
    long long holdUntilUs_ = 0;
    std::string heldVideo_;
    uint32_t frameNumber_ = 1;
    std::future<MediaLibrary::VideoResult> nextClip_;

    bool stalled_ = false;
    bool closeFired_ = false, dropFired_ = false, stallFired_ = false, brokenFired_ = false;
    std::optional<Clock::time_point> closeDeadline_;

    struct Talk {
        long long packets = 0;
        long long bytes = 0;
    } speexTalk_, aacTalk_;
    TalkListener listener_;
    bool talkChanged_ = false;
    Clock::time_point lastTalkLog_;
};

}  // namespace nimbrel::sim
