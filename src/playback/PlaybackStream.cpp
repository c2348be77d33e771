#include "playback/PlaybackStream.h"

#include <pthread.h>
#include <strings.h>

#include <algorithm>
#include <chrono>

extern "C" {
#include <libavutil/frame.h>
}

#include "live/StreamCipher.h"
#include "live/StreamHandshake.h"
#include "live/StreamPacket.h"
#include "media/ParameterSets.h"
#include "media/WholePicture.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "text/JsonText.h"
#include "text/NumberText.h"

namespace nimbrel {

static_assert(PlaybackAnimation::kStarting == PlaybackStream::kStarting &&
              PlaybackAnimation::kFailed == PlaybackStream::kFailed);

namespace {

using namespace std::chrono_literals;

constexpr int kKeepAliveSteps = 10;    // 10 × 500 ms between keep-alives
constexpr int kMaxSide = 4096;         // the largest picture side a reply may announce
constexpr int kMaxSampleRate = 96000;  // the highest sound rate a reply may announce

void Join(std::thread& t) {
    if (t.joinable()) t.join();
}

}  // namespace

PlaybackStream::PlaybackStream(LiveContext& live, std::string sid)
    : live_(live), sid_(std::move(sid)) {
    surface_.Assign(&owner_);
}

PlaybackStream::~PlaybackStream() {
    Stop();
}

std::optional<PlaybackTimeline> PlaybackStream::Timeline() const {
    std::lock_guard guard(timelineLock_);
    return timeline_;
}

void PlaybackStream::Fail() {
    state_ = kFailed;
}

bool PlaybackStream::Start(const std::string& requestDate) {
    if (state_ != kIdle) Stop();
    state_ = kStarting;
    if (!StartSequence(requestDate)) {
        NLOG_DEBUG("PlaybackStream::Start failed " << sid_ << " " << requestDate);
        Fail();
        return false;
    }
    return true;
}

bool PlaybackStream::StartSequence(const std::string& requestDate) {
    umac_ = std::string(GetText(live_.app.m_UserName)) + "," + std::string(GetText(live_.g.m_Mac));
    streamKey_ = live_.g.SessionText(live_.g.m_StreamKey);
    route_.Prepare(sid_, requestDate);
    if (!route_.RequestStart() || !route_.GetSocketByNATType()) return false;
    transport_ = route_.TakeTransport();
    if (!transport_ || !ring_.Allocate()) return false;
    reader_ = std::make_unique<PacketReader>(!transport_->IsUdt());

    ConnectRequest request;
    request.sid = sid_;
    request.umac = umac_;
    request.linkType = linkType_;
    request.protocol =
        transport_->IsUdt() ? std::string(GetText(live_.g.m_StreamProtocol)) : "v2.0";
    request.playbackDate = requestDate;
    if (!Send(ConnectMessage(request))) return false;
    const auto reply =
        ReadConnectReply(*transport_, *reader_, streamKey_, true, stop_.Flag(), &counters_.bytes);
    if (!reply || !ReadReply(*reply)) return false;

    Json::Value startup(Json::objectValue);
    startup["type"] = "startup";
    if (!Send(startup)) return false;
    commands_.Reset();
    // The sound before the sender, which alone changes it from here on.
    if (aacSound_) sound_.Start(sampleRate_);
    keepAliveThread_ = std::thread(&PlaybackStream::KeepAlive, this);
    senderThread_ = std::thread(&PlaybackStream::SendCommands, this);
    receiveThread_ = std::thread(&PlaybackStream::ReceiveLoop, this);
    return frameTimer_.Start(timeGap_, [this] { OnTick(); });
}

bool PlaybackStream::ReadReply(const Json::Value& reply) {
    const auto text = [&](const char* name) { return StringMember(reply, name).value_or(""); };
    width_ = AtoiText(text("width"));
    height_ = AtoiText(text("height"));
    timeGap_ = AtoiText(text("timeGap"));
    // Over UDT the sample rate keeps its value.
    if (!transport_->IsUdt())
        sampleRate_ = text("audioType") == "aac" ? AtoiText(text("audioSample")) : 8000;
    // AAC packets come only over TCP; over UDT they would end the playback.
    aacSound_ = !transport_->IsUdt() && text("audioType") == "aac" && sampleRate_ > 0 &&
                sampleRate_ <= kMaxSampleRate;
    auto timeline =
        PlaybackTimeline::FromReply(text("playback-initTime"), AtoiText(text("playbackGap")));
    if (!timeline || width_ <= 0 || height_ <= 0 || width_ > kMaxSide || height_ > kMaxSide) {
        NLOG_DEBUG("PlaybackStream: the reply's size, start time or length is not usable");
        return false;
    }
    const auto sps = ParameterSetRecord::FromBase64(text("sps"));
    const auto pps = ParameterSetRecord::FromBase64(text("pps"));
    if (!sps || !pps || !decoder_.Open(*sps, *pps, width_, height_)) return false;
    position_ = 0;
    lastSecond_ = 0;
    std::lock_guard guard(timelineLock_);
    timeline_ = timeline;
    track_ = Mp4Writer::Track{width_, height_, *sps, *pps,
                              Mp4Writer::SampleDuration(timeGap_).value_or(0)};
    return true;
}

bool PlaybackStream::Send(const Json::Value& message) {
    return transport_ && SendStreamMessage(*transport_, streamKey_, message, stop_.Flag());
}

Json::Value PlaybackStream::Control(const char* cmd) const {
    Json::Value m(Json::objectValue);
    m["type"] = "control";
    m["cmd"] = cmd;
    m["umac"] = umac_;
    return m;
}

void PlaybackStream::Jump(int seconds) {
    const auto timeline = Timeline();
    if (!timeline) return;
    seconds = std::clamp(seconds, 0, timeline->Length());
    position_ = seconds;
    commands_.Post({PlaybackCommandSlot::Kind::Jump, seconds});
}

void PlaybackStream::Play() {
    commands_.Post({PlaybackCommandSlot::Kind::Play});
}

void PlaybackStream::Pause() {
    commands_.Post({PlaybackCommandSlot::Kind::Pause});
}

void PlaybackStream::KeepAlive() {
    pthread_setname_np(pthread_self(), "pb-keepalive");
    while (!stop_.IsRaised()) {
        if (!Send(Control("running"))) {
            Fail();
            return;
        }
        ++counters_.keepAlivesSent;
        for (int i = 0; i < kKeepAliveSteps; ++i)
            if (!stop_.SleepFor(500ms)) return;
    }
}

void PlaybackStream::SendCommands() {
    pthread_setname_np(pthread_self(), "pb-control");
    while (const auto command = commands_.Wait()) {
        Json::Value m;
        switch (command->kind) {
            case PlaybackCommandSlot::Kind::Jump:
                m = Control("jump");
                m["point"] = std::to_string(command->seekSeconds);
                sound_.LeaveForJump(command->seekSeconds);
                break;
            case PlaybackCommandSlot::Kind::Play:
                m = Control("playback-play");
                break;
            case PlaybackCommandSlot::Kind::Pause:
                m = Control("playback-pause");
                sound_.Pause();
                break;
        }
        if (!Send(m)) return;
        // The sound goes on once the camera was told where from.
        if (command->kind == PlaybackCommandSlot::Kind::Jump) sound_.ArriveFromJump();
        if (command->kind == PlaybackCommandSlot::Kind::Play) sound_.Resume();
        ++counters_.commandsSent;
    }
}

void PlaybackStream::ReceiveLoop() {
    pthread_setname_np(pthread_self(), "pb-recv");
    Packet packet;
    while (!stop_.IsRaised()) {
        const ReadResult r = reader_->Read(*transport_, stop_.Flag(), packet, &counters_.bytes);
        if (r == ReadResult::Stopped) return;
        if (r != ReadResult::Ok) {
            Fail();
            return;
        }
        switch (packet.kind) {
            case kPacketInteractive: {
                const auto text = StreamUnwrap(
                    streamKey_,
                    {reinterpret_cast<const char*>(packet.bytes.data()), packet.bytes.size()});
                const auto message = text ? ParseJsonObject(*text) : std::nullopt;
                const auto cmd = message ? StringMember(*message, "cmd") : std::nullopt;
                if (cmd && strcasecmp(cmd->c_str(), "close") == 0) {
                    // The frames already in the ring still play; the state stays.
                    closed_ = true;
                    return;
                }
                break;
            }
            case kPacketVideo: {
                const VideoHeader h = ParseVideoHeader(packet.bytes.first<kVideoHeaderSize>());
                if (h.length == 0) break;
                const VideoFragment fragment{
                    h.key,           h.frameNumber,   h.timeValue,
                    h.fragmentCount, h.fragmentIndex, packet.bytes.data() + kVideoHeaderSize,
                    h.length};
                if (ring_.Put(fragment) == FrameRing::PutResult::Broken) {
                    Fail();
                    return;
                }
                break;
            }
            case kPacketAac:
                sound_.Put(packet.bytes);
                break;
            default:
                // Speex (or anything else) has no place in a playback.
                Fail();
                return;
        }
    }
}

void PlaybackStream::OnTick() {
    if (stop_.IsRaised()) return;
    ring_.Tick([this](const FrameRing::Frame& frame) { ShowFrame(frame); });
}

void PlaybackStream::ShowFrame(const FrameRing::Frame& frame) {
    videoTimeMs_ = frame.timeValue;
    if (!firstShown_.exchange(true)) {
        int starting = kStarting;
        state_.compare_exchange_strong(starting, kPlaying);
    }
    const int64_t second = frame.timeValue / 1000;
    if (second != lastSecond_) {
        lastSecond_ = second;
        const auto timeline = Timeline();
        const int length = timeline ? timeline->Length() : 0;
        if (position_.fetch_add(1) + 1 > length) position_ = length;
    }
    {
        std::lock_guard guard(tapLock_);
        if (tap_) tap_->OnFrame(frame.data, frame.size, frame.key, frame.timeValue);
    }
    const AVFrame* picture = decoder_.Decode(frame.data, frame.size);
    if (!picture) return;
    ++counters_.framesDecoded;
    if (PublishWholePicture(*picture, scaler_, picture_, surface_, owner_)) ++counters_.framesShown;
}

void PlaybackStream::Stop() {
    stop_.Raise();
    commands_.Close();
    if (transport_) transport_->Shutdown();
    Join(keepAliveThread_);
    Join(senderThread_);
    Join(receiveThread_);
    frameTimer_.Stop();
    sound_.Stop();
    transport_.reset();
    reader_.reset();
    route_.Clear();
    linkType_ = -1;
    ring_.Release();
    decoder_.Close();
    scaler_.Reset();
    // A new occupant drops the pictures; the stream takes the area again at once.
    surface_.Assign(nullptr);
    surface_.Assign(&owner_);
    width_ = height_ = timeGap_ = 0;
    aacSound_ = false;
    videoTimeMs_ = 0;
    position_ = 0;
    firstShown_ = false;
    closed_ = false;
    {
        std::lock_guard guard(timelineLock_);
        timeline_.reset();
        track_.reset();
    }
    stop_.Clear();
    state_ = kIdle;
}

std::optional<Mp4Writer::Track> PlaybackStream::Track() const {
    std::lock_guard guard(timelineLock_);
    return track_;
}

void PlaybackStream::SetFrameTap(PlaybackFrameTap* tap) {
    std::lock_guard guard(tapLock_);
    tap_ = tap;
}

}  // namespace nimbrel
