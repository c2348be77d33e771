#include "camera/StreamSession.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "RequestLog.h"
#include "camera/ClientReceive.h"
#include "camera/ControlSeal.h"
#include "camera/JsonToOrdered.h"
#include "camera/MediaPackets.h"
#include "camera/RecordedHourSession.h"
#include "text/Base64.h"
#include "text/JsonText.h"

namespace nimbrel::sim {
namespace {

constexpr int kMaxWaitMs = 100;
constexpr long long kLagUs = 1'000'000;  // behind by more: restart at a key frame
constexpr auto kCloseGrace = std::chrono::seconds(2);
constexpr auto kTalkLogEvery = std::chrono::seconds(1);

uint32_t WallClockMs() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

bool IsBitRateChoice(const std::string& text) {
    return text == "88000" || text == "480000" || text == "1200000";
}

}  // namespace

StreamSession::StreamSession(StreamLink& link, const StreamContext& context, Route route)
    : link_(link), context_(context), route_(std::move(route)) {}

StreamSession::~StreamSession() = default;

long long StreamSession::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

uint32_t StreamSession::CaptureTimeMs() const {
    // The wall clock's milliseconds when the frame was due, as a camera stamps what it captured
    // (not when a busy machine got round to sending it).
    return static_cast<uint32_t>(wallAtStartMs_ +
                                 (schedule_->LastVideoDueUs() - scheduleStartUs_) / 1000);
}

double StreamSession::SecondsStreaming() const {
    return std::chrono::duration<double>(Clock::now() - streamStart_).count();
}

OrderedJson StreamSession::Line() const {
    return OrderedJson::Object().Set("stream", sid_).Set("via", route_.via);
}

void StreamSession::Log(OrderedJson line) const {
    if (context_.log) context_.log->Write(line);
}

void StreamSession::End(std::string reason) {
    if (endReason_.empty()) endReason_ = std::move(reason);
}

void StreamSession::Run() {
    greetingStart_ = Clock::now();
    lastTalkLog_ = greetingStart_;
    while (!context_.stop->load()) {
        if (device_ && device_->Down()) {
            End("the camera went down for a reboot");
            break;
        }
        int waitMs = kMaxWaitMs;
        if (phase_ == Phase::Streaming) {
            if (!PlayFaults()) break;
            if (!stalled_) {
                if (!SendDue()) {
                    End("a send to the client failed or timed out");
                    break;
                }
                const long long untilNext = (schedule_->NextUs() - NowUs()) / 1000;
                waitMs = static_cast<int>(std::clamp<long long>(untilNext, 1, kMaxWaitMs));
            }
        } else if (phase_ != Phase::Silent &&
                   Clock::now() - greetingStart_ > std::chrono::seconds(kGreetingSeconds)) {
            End(phase_ == Phase::AwaitConnect ? "no connect message in time"
                                              : "no startup message in time");
            break;
        }
        LogTalk(false);
        if (!Pump(waitMs)) break;
    }
    if (context_.stop->load()) End("the simulator stopped");
    LogTalk(true);
    Log(Line()
            .Set("event", "closed")
            .Set("reason", endReason_)
            .Set("transport", link_.Transport())
            .Set("peer", link_.Peer())
            .Set("framesSent", static_cast<std::int64_t>(frameNumber_ - 1)));
    link_.Close();
}

bool StreamSession::Pump(int waitMs) {
    const auto ended = ReceiveClientPackets(
        link_, reader_, waitMs, [this](const auto& packet) { return OnPacket(packet); });
    if (ended && !ended->empty()) End(*ended);
    return !ended;
}

bool StreamSession::OnPacket(const ClientPacketReader::Packet& packet) {
    if (packet.kind == ClientPacketReader::kInteractive) {
        auto opened = ControlSeal::Open(packet.body, context_.keyValue, packet.salt);
        if (!opened) {
            End("control message: " + opened.error());
            if (phase_ == Phase::AwaitConnect)
                Log(Line().Set("event", "refused").Set("reason", endReason_));
            return false;
        }
        if (phase_ == Phase::AwaitConnect) return OnConnect(*opened);
        OrderedJson line = Line().Set("message", JsonToOrdered(*opened));
        if (phase_ == Phase::AwaitStartup) {
            const bool startup = StringMember(*opened, "type") == "startup";
            if (!startup)
                line.Set("note", "before startup");
            else if (opened->size() != 1)
                line.Set("note", "startup has further members");
            Log(std::move(line));
            return startup ? StartStreaming() : true;
        }
        Log(std::move(line));
        OnControl(*opened);
        return true;
    }
    if (phase_ == Phase::AwaitConnect) {
        End("audio before the connect message");
        Log(Line().Set("event", "refused").Set("reason", endReason_));
        return false;
    }
    Talk& talk = packet.kind == ClientPacketReader::kSpeex ? speexTalk_ : aacTalk_;
    ++talk.packets;
    talk.bytes += static_cast<long long>(packet.body.size());
    listener_.OnPacket(packet.kind == ClientPacketReader::kAac, packet.body);
    talkChanged_ = true;
    return true;
}

bool StreamSession::OnConnect(const Json::Value& message) {
    auto refuse = [&](const std::string& reason) {
        End("refused connect: " + reason);
        Log(Line()
                .Set("event", "refused")
                .Set("reason", reason)
                .Set("peer", link_.Peer())
                .Set("message", JsonToOrdered(message)));
        return false;
    };
    sid_ = StringMember(message, "sid").value_or("");
    auto connect = ConnectMessage::Check(message, route_.expected);
    if (!connect) return refuse(connect.error());
    device_ = route_.resolve ? route_.resolve(connect->sid) : nullptr;
    if (!device_) return refuse("no camera " + connect->sid + " is served here");
    if (device_->Down()) return refuse("camera " + connect->sid + " is rebooting");
    if (context_.mayView && !context_.mayView(connect->sid, connect->user))
        return refuse("account " + connect->user + " may not view " + connect->sid);
    umac_ = connect->umac;
    Log(Line()
            .Set("message", JsonToOrdered(message))
            .Set("transport", link_.Transport())
            .Set("peer", link_.Peer()));
    if (connect->playback) {
        // A recorded hour from the card: served to the end of this connection.
        RecordedHourSession hour(link_, context_, *device_, reader_, route_.via);
        hour.Run(*connect);
        frameNumber_ = hour.FramesSent() + 1;
        End(hour.EndReason());
        return false;
    }

    const MediaSpec& m = device_->camera.media;
    auto video =
        context_.media->Video({m.width, m.height, m.framePeriodMs, device_->bitRate.load(), m.gop});
    if (!video) {
        End("no video: " + video.error());
        return false;
    }
    video_ = video.value();
    // Over UDT the older protocol has no AAC packets; such a camera speaks Speex there.
    AudioKind kind = m.audio;
    if (kind == AudioKind::Aac && std::string(link_.Transport()) == "udt") kind = AudioKind::Speex;
    if (kind != AudioKind::None) {
        auto audio = context_.media->Audio({kind, m.audioSample, m.toneHz});
        if (!audio) {
            End("no audio: " + audio.error());
            return false;
        }
        audio_ = audio.value();
        aacAudio_ = kind == AudioKind::Aac;
    }
    if (device_->camera.faults.silentConnect) {
        Log(Line().Set("event", "fault").Set("fault", "silentConnect"));
        phase_ = Phase::Silent;
        return true;
    }
    if (!SendEarlyMedia() || !SendReply()) {
        End("a send to the client failed or timed out");
        return false;
    }
    phase_ = Phase::AwaitStartup;
    greetingStart_ = Clock::now();
    return true;
}

bool StreamSession::SendEarlyMedia() {
    const int count = device_->camera.faults.mediaBeforeReply;
    for (int k = 0; k < count; ++k) {
        std::string packet;
        if (k % 2 == 1 && audio_) {
            const std::string& body = audio_->packets[k / 2 % audio_->packets.size()];
            packet = aacAudio_ ? MediaPackets::AacPacket(body, WallClockMs())
                               : MediaPackets::SpeexPacket(body);
        } else {
            const VideoFrame& frame = video_->frames[0];
            packet = MediaPackets::VideoFragments(frame.bytes, true, 0, WallClockMs()).front();
        }
        if (!link_.SendAll(packet)) return false;
    }
    return true;
}

bool StreamSession::SendReply() {
    const MediaSpec& m = device_->camera.media;
    Json::Value reply(Json::objectValue);
    reply["type"] = "connect";
    reply["width"] = std::to_string(m.width);
    reply["height"] = std::to_string(m.height);
    reply["timeGap"] = std::to_string(m.framePeriodMs);
    reply["bitRate"] = std::to_string(video_->key.bitRate);
    reply["audioType"] = aacAudio_ ? "aac" : (audio_ ? "speex" : "none");
    reply["audioSample"] = aacAudio_ ? std::to_string(audio_->key.sampleRate) : "8000";
    reply["sps"] = Base64Encode(video_->sps);
    reply["pps"] = Base64Encode(video_->pps);
    Log(Line().Set("event", "answered").Set("reply", JsonToOrdered(reply)));
    return link_.SendAll(ControlSeal::Packet(reply, context_.keyValue));
}

bool StreamSession::StartStreaming() {
    phase_ = Phase::Streaming;
    streamStart_ = Clock::now();
    scheduleStartUs_ = NowUs();
    wallAtStartMs_ = WallClockMs();
    schedule_.emplace(scheduleStartUs_, video_->key.framePeriodMs * 1000LL,
                      audio_ ? audio_->packetPeriodUs : 0);
    Log(Line()
            .Set("event", "streaming")
            .Set("width", video_->key.width)
            .Set("height", video_->key.height)
            .Set("timeGap", video_->key.framePeriodMs)
            .Set("bitRate", video_->key.bitRate)
            .Set("audio", audio_ ? AudioKindName(audio_->key.kind) : "none"));
    return true;
}

void StreamSession::OnControl(const Json::Value& message) {
    if (StringMember(message, "cmd") != "resetBitRate") return;
    const std::string value = StringMember(message, "bitRate").value_or("");
    if (!IsBitRateChoice(value)) {
        Log(Line().Set("event", "ignored").Set("reason", "bit rate \"" + value + "\""));
        return;
    }
    device_->bitRate = std::stoi(value);
    const MediaSpec& m = device_->camera.media;
    const VideoClipKey key{m.width, m.height, m.framePeriodMs, std::stoi(value), m.gop};
    MediaLibrary* media = context_.media;
    nextClip_ = std::async(std::launch::async, [media, key]() { return media->Video(key); });
}

void StreamSession::SwitchClipAtKeyFrame() {
    if (!nextClip_.valid() || clipIndex_ % video_->key.gop != 0) return;
    if (nextClip_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    auto clip = nextClip_.get();
    if (!clip) {
        Log(Line().Set("event", "ignored").Set("reason", "no clip: " + clip.error()));
        return;
    }
    video_ = clip.value();
    clipIndex_ %= video_->frames.size();
    Log(Line().Set("event", "bitRate").Set("bitRate", video_->key.bitRate));
}

bool StreamSession::SendDue() {
    const long long now = NowUs();
    if (schedule_->Restarted(now, kLagUs)) {
        // Resume at the next key frame so that the pictures stay decodable.
        const std::size_t gop = static_cast<std::size_t>(video_->key.gop);
        clipIndex_ = (clipIndex_ + gop - 1) / gop * gop % video_->frames.size();
    }
    while (true) {
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
}

bool StreamSession::SendVideoFrame() {
    SwitchClipAtKeyFrame();
    const VideoFrame& frame = video_->frames[clipIndex_];
    std::string bytes;
    for (auto& fragment :
         MediaPackets::VideoFragments(frame.bytes, frame.key, frameNumber_, CaptureTimeMs()))
        bytes += fragment;
    ++frameNumber_;
    clipIndex_ = (clipIndex_ + 1) % video_->frames.size();
    const FaultSpec& f = device_->camera.faults;
    const long long now = NowUs();
    if (!holdFired_ && f.holdAfter >= 0 && SecondsStreaming() >= f.holdAfter) {
        holdFired_ = true;
        holdUntilUs_ = now + f.holdMs * 1000LL;
        Log(Line().Set("event", "fault").Set("fault", "hold"));
    }
    if (now < holdUntilUs_) {
        heldVideo_ += bytes;
        return true;
    }
    if (!heldVideo_.empty()) bytes = std::exchange(heldVideo_, {}) + bytes;
    return link_.SendAll(bytes);
}

bool StreamSession::SendAudioPacket() {
    std::string body = audio_->packets[audioIndex_];
    audioIndex_ = (audioIndex_ + 1) % audio_->packets.size();
    const FaultSpec& f = device_->camera.faults;
    if (f.badAudioEvery > 0 && ++audioSent_ % f.badAudioEvery == 0) {
        if (f.badAudioKind == FaultSpec::BadAudio::Oversized) {
            // Past the client's entry: 1024 bytes for AAC, 200 for Speex.
            body.resize(aacAudio_ ? 1100 : 300, '\x55');
        } else {
            // Same length, bytes that decode to nothing sensible (the ADTS sync is kept so that
            // the decoder really tries).
            for (std::size_t i = aacAudio_ ? 7 : 0; i < body.size(); ++i)
                body[i] = static_cast<char>((i * 73 + 41) & 0xFF);
        }
    }
    return link_.SendAll(aacAudio_ ? MediaPackets::AacPacket(body, WallClockMs())
                                   : MediaPackets::SpeexPacket(body));
}

bool StreamSession::PlayFaults() {
    const FaultSpec& f = device_->camera.faults;
    const double s = SecondsStreaming();
    auto fired = [&](double after, bool& done, const char* name) {
        if (done || after < 0 || s < after) return false;
        done = true;
        Log(Line().Set("event", "fault").Set("fault", name));
        return true;
    };
    if (fired(f.dropAfter, dropFired_, "drop")) {
        End("dropped by the dropAfter fault");
        return false;
    }
    if (fired(f.closeAfter, closeFired_, "close")) {
        Json::Value close(Json::objectValue);
        close["type"] = "control";
        close["cmd"] = "close";
        stalled_ = true;
        closeDeadline_ = Clock::now() + kCloseGrace;
        if (!link_.SendAll(ControlSeal::Packet(close, context_.keyValue))) {
            End("a send to the client failed or timed out");
            return false;
        }
    }
    if (closeDeadline_ && Clock::now() >= *closeDeadline_) {
        End("ended after the close command");
        return false;
    }
    if (f.rebootAfter >= 0 && s >= f.rebootAfter && device_->RebootOnce(f.rebootSeconds)) {
        Log(Line()
                .Set("event", "fault")
                .Set("fault", "reboot")
                .Set("downMs", static_cast<std::int64_t>(f.rebootSeconds * 1000)));
        End("the camera went down for a reboot");
        return false;
    }
    if (fired(f.stallAfter, stallFired_, "stall")) stalled_ = true;
    if (fired(f.brokenAfter, brokenFired_, "broken")) {
        stalled_ = true;
        const std::string packet =
            f.brokenKind == FaultSpec::Broken::UnknownKind
                ? MediaPackets::UnknownKindPacket()
                : MediaPackets::OverflowingFragment(frameNumber_, WallClockMs());
        if (!link_.SendAll(packet)) {
            End("a send to the client failed or timed out");
            return false;
        }
    }
    return true;
}

void StreamSession::LogTalk(bool final) {
    if (!talkChanged_) return;
    const auto now = Clock::now();
    if (!final && now - lastTalkLog_ < kTalkLogEvery) return;
    OrderedJson talk = OrderedJson::Object();
    for (const auto& [name, t] : {std::pair<const char*, const Talk&>{"speex", speexTalk_},
                                  std::pair<const char*, const Talk&>{"aac", aacTalk_}})
        if (t.packets > 0)
            talk.Set(name, OrderedJson::Object()
                               .Set("packets", static_cast<std::int64_t>(t.packets))
                               .Set("bytes", static_cast<std::int64_t>(t.bytes)));
    Log(Line().Set("talk", std::move(talk)));
    if (auto second = listener_.TakeSecond()) {
        OrderedJson heard =
            OrderedJson::Object()
                .Set("kind", second->kind)
                .Set("packets", static_cast<std::int64_t>(second->packets))
                .Set("bytes", static_cast<std::int64_t>(second->bytes))
                .Set("samples", static_cast<std::int64_t>(second->samples))
                .Set("dominantHz", static_cast<std::int64_t>(std::lround(second->dominantHz)))
                .Set("malformed", static_cast<std::int64_t>(second->malformed));
        if (!second->malformedReason.empty()) heard.Set("malformedReason", second->malformedReason);
        Log(Line().Set("talkSecond", std::move(heard)));
    }
    talkChanged_ = false;
    lastTalkLog_ = now;
}

}  // namespace nimbrel::sim
