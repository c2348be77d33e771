#include "camera/RecordedHourSession.h"

#include <algorithm>
#include <cstdio>

#include "RequestLog.h"
#include "camera/ClientReceive.h"
#include "camera/ControlSeal.h"
#include "camera/JsonToOrdered.h"
#include "camera/MediaLibrary.h"
#include "camera/MediaPackets.h"
#include "text/Base64.h"
#include "text/JsonText.h"

namespace nimbrel::sim {
namespace {

constexpr int kMaxWaitMs = 100;
constexpr long long kLagUs = 1'000'000;  // behind by more: restart at a key frame
constexpr auto kCloseGrace = std::chrono::seconds(2);
constexpr int kGreetingSeconds = 30;

// "YYYYMMDD-HH" into the date and the hour.
bool SplitRequestDate(const std::string& text, std::string& date, int& hour) {
    if (text.size() != 11 || text[8] != '-') return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9')) return false;
    date = text.substr(0, 8);
    hour = std::stoi(text.substr(9, 2));
    return hour <= 23;
}

}  // namespace

RecordedHourSession::RecordedHourSession(StreamLink& link, const StreamContext& context,
                                         CameraDevice& device, ClientPacketReader& reader,
                                         const char* via)
    : link_(link), context_(context), device_(device), reader_(reader), via_(via) {}

long long RecordedHourSession::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

long long RecordedHourSession::FrameTimeMs(long long frame) const {
    return frame * video_->key.framePeriodMs;
}

OrderedJson RecordedHourSession::Line() const {
    return OrderedJson::Object().Set("stream", sid_).Set("via", via_).Set("playback", requestDate_);
}

void RecordedHourSession::Log(OrderedJson line) const {
    if (context_.log) context_.log->Write(line);
}

void RecordedHourSession::End(std::string reason) {
    if (endReason_.empty()) endReason_ = std::move(reason);
}

void RecordedHourSession::Run(const ConnectMessage& connect) {
    sid_ = connect.sid;
    requestDate_ = connect.requestDate;
    if (!Prepare(connect)) return;
    if (!SendReply()) {
        End("a send to the client failed or timed out");
        return;
    }
    greetingStart_ = Clock::now();
    while (!context_.stop->load()) {
        int waitMs = kMaxWaitMs;
        if (phase_ == Phase::AwaitStartup &&
            Clock::now() - greetingStart_ > std::chrono::seconds(kGreetingSeconds)) {
            End("no startup message in time");
            break;
        }
        if (phase_ == Phase::Closing && Clock::now() >= closeDeadline_) {
            End("the recording ended");
            break;
        }
        if (phase_ == Phase::Streaming && !paused_) {
            if (!SendDue()) {
                End("a send to the client failed or timed out");
                break;
            }
            if (phase_ == Phase::Streaming) {
                const long long untilNext = (schedule_->NextUs() - NowUs()) / 1000;
                waitMs = static_cast<int>(std::clamp<long long>(untilNext, 1, kMaxWaitMs));
            }
        }
        if (!Pump(waitMs)) break;
    }
    if (context_.stop->load()) End("the simulator stopped");
}

bool RecordedHourSession::Prepare(const ConnectMessage& connect) {
    const std::optional<CardSpec>& card = device_.camera.card;
    auto refuse = [&](const std::string& reason) {
        End("refused playback: " + reason);
        Log(Line().Set("event", "refused").Set("reason", reason).Set("peer", link_.Peer()));
        return false;
    };
    if (!SplitRequestDate(connect.requestDate, date_, hour_))
        return refuse("request-date \"" + connect.requestDate + "\" is not YYYYMMDD-HH");
    if (!card) return refuse("the camera has no card");
    if (!card->Holds(date_, hour_))
        return refuse("the card holds no recording of " + connect.requestDate);

    const MediaSpec& m = device_.camera.media;
    auto video = context_.media->Video(
        {m.width, m.height, m.framePeriodMs, device_.bitRate.load(), m.gop, true});
    if (!video) return refuse("no video: " + video.error());
    video_ = video.value();
    // AAC over TCP, as live views have it; Speex only when the card is told to misbehave.
    const bool tcp = std::string(link_.Transport()) == "tcp";
    AudioKind kind = AudioKind::None;
    if (card->speexAudio)
        kind = AudioKind::Speex;
    else if (m.audio == AudioKind::Aac && tcp)
        kind = AudioKind::Aac;
    if (kind != AudioKind::None) {
        auto audio = context_.media->Audio({kind, m.audioSample, card->toneHz});
        if (!audio) return refuse("no audio: " + audio.error());
        audio_ = audio.value();
        aacAudio_ = kind == AudioKind::Aac;
    }
    return true;
}

bool RecordedHourSession::SendReply() {
    const MediaSpec& m = device_.camera.media;
    const CardSpec& card = *device_.camera.card;
    char initTime[32];
    std::snprintf(initTime, sizeof initTime, "%s%02d%02d%02d", date_.c_str(), hour_,
                  card.startSecond / 60, card.startSecond % 60);
    Json::Value reply(Json::objectValue);
    reply["type"] = "connect";
    reply["width"] = std::to_string(m.width);
    reply["height"] = std::to_string(m.height);
    reply["timeGap"] = std::to_string(m.framePeriodMs);
    reply["playbackGap"] = std::to_string(card.recordingSeconds);
    reply["playback-initTime"] = initTime;
    reply["audioType"] = aacAudio_ ? "aac" : (audio_ ? "speex" : "none");
    reply["audioSample"] = aacAudio_ ? std::to_string(audio_->key.sampleRate) : "8000";
    reply["sps"] = Base64Encode(video_->sps);
    reply["pps"] = Base64Encode(video_->pps);
    Log(Line().Set("event", "answered").Set("reply", JsonToOrdered(reply)));
    return link_.SendAll(ControlSeal::Packet(reply, context_.keyValue));
}

bool RecordedHourSession::Pump(int waitMs) {
    const auto ended = ReceiveClientPackets(
        link_, reader_, waitMs, [this](const auto& packet) { return OnPacket(packet); });
    if (ended && !ended->empty()) End(*ended);
    return !ended;
}

bool RecordedHourSession::OnPacket(const ClientPacketReader::Packet& packet) {
    if (packet.kind != ClientPacketReader::kInteractive) return true;  // talk is not heard here
    auto opened = ControlSeal::Open(packet.body, context_.keyValue, packet.salt);
    if (!opened) {
        End("control message: " + opened.error());
        return false;
    }
    OrderedJson line = Line().Set("message", JsonToOrdered(*opened));
    if (phase_ == Phase::AwaitStartup) {
        const bool startup = StringMember(*opened, "type") == "startup";
        if (!startup) line.Set("note", "before startup");
        Log(std::move(line));
        if (startup) {
            phase_ = Phase::Streaming;
            Restart();
            Log(Line()
                    .Set("event", "streaming")
                    .Set("width", video_->key.width)
                    .Set("height", video_->key.height)
                    .Set("timeGap", video_->key.framePeriodMs)
                    .Set("audio", audio_ ? AudioKindName(audio_->key.kind) : "none"));
        }
        return true;
    }
    Log(std::move(line));
    OnControl(*opened);
    return true;
}

void RecordedHourSession::OnControl(const Json::Value& message) {
    if (phase_ != Phase::Streaming) return;
    const std::string cmd = StringMember(message, "cmd").value_or("");
    if (cmd == "jump") {
        const std::string point = StringMember(message, "point").value_or("");
        const bool digits =
            !point.empty() && point.size() <= 6 &&
            std::all_of(point.begin(), point.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) {
            Log(Line().Set("event", "ignored").Set("reason", "jump point \"" + point + "\""));
            return;
        }
        Jump(std::stoi(point));
    } else if (cmd == "playback-pause") {
        paused_ = true;
        Log(Line()
                .Set("event", "paused")
                .Set("timeMs", static_cast<std::int64_t>(FrameTimeMs(frame_))));
    } else if (cmd == "playback-play") {
        if (paused_) Restart();
        paused_ = false;
        Log(Line()
                .Set("event", "playing")
                .Set("timeMs", static_cast<std::int64_t>(FrameTimeMs(frame_))));
    }
}

void RecordedHourSession::Jump(int pointSeconds) {
    // The key frame at or before the point, so that the pictures decode from there.
    const long long gop = video_->key.gop;
    frame_ = static_cast<long long>(pointSeconds) * 1000 / video_->key.framePeriodMs / gop * gop;
    Restart();
    Log(Line()
            .Set("event", "jumped")
            .Set("point", pointSeconds)
            .Set("timeMs", static_cast<std::int64_t>(FrameTimeMs(frame_))));
}

void RecordedHourSession::Restart() {
    audioBaseMs_ = FrameTimeMs(frame_);
    audioCount_ = 0;
    schedule_.emplace(NowUs(), video_->key.framePeriodMs * 1000LL,
                      audio_ ? audio_->packetPeriodUs : 0);
}

bool RecordedHourSession::SendDue() {
    const long long now = NowUs();
    if (schedule_->Restarted(now, kLagUs)) {
        // A slow client resumes at the next key frame.
        const long long gop = video_->key.gop;
        frame_ = (frame_ + gop - 1) / gop * gop;
        audioBaseMs_ = FrameTimeMs(frame_);
        audioCount_ = 0;
    }
    while (phase_ == Phase::Streaming) {
        switch (schedule_->Take(now)) {
            case MediaSchedule::Item::None:
                return true;
            case MediaSchedule::Item::Video:
                if (!SendVideoFrame()) return false;
                break;
            case MediaSchedule::Item::Audio:
                if (!SendAudioPacket()) return false;
                break;
        }
    }
    return true;
}

bool RecordedHourSession::SendVideoFrame() {
    const CardSpec& card = *device_.camera.card;
    const long long timeMs = FrameTimeMs(frame_);
    if (!card.overrunEnd && timeMs >= static_cast<long long>(card.EndSeconds() * 1000))
        return SendClose();
    const VideoFrame& frame =
        video_->frames[static_cast<std::size_t>(frame_) % video_->frames.size()];
    std::string bytes;
    for (auto& fragment : MediaPackets::VideoFragments(frame.bytes, frame.key, frameNumber_,
                                                       static_cast<uint32_t>(timeMs)))
        bytes += fragment;
    ++frameNumber_;
    ++frame_;
    return link_.SendAll(bytes);
}

bool RecordedHourSession::SendAudioPacket() {
    const std::string& body =
        audio_->packets[static_cast<std::size_t>(audioCount_) % audio_->packets.size()];
    const auto timeMs =
        static_cast<uint32_t>(audioBaseMs_ + audioCount_ * audio_->packetPeriodUs / 1000);
    ++audioCount_;
    return link_.SendAll(aacAudio_ ? MediaPackets::AacPacket(body, timeMs)
                                   : MediaPackets::SpeexPacket(body));
}

bool RecordedHourSession::SendClose() {
    Json::Value close(Json::objectValue);
    close["type"] = "control";
    close["cmd"] = "close";
    phase_ = Phase::Closing;
    closeDeadline_ = Clock::now() + kCloseGrace;
    Log(Line().Set("event", "end").Set("timeMs", static_cast<std::int64_t>(FrameTimeMs(frame_))));
    return link_.SendAll(ControlSeal::Packet(close, context_.keyValue));
}

}  // namespace nimbrel::sim
