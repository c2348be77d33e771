// The stream of a live view: the opening handshake ("connect" answered with the picture size,
// frame period, audio kind and parameter sets, then "startup"), the reading loop, keep-alives,
// the byte counter and the limits of relayed views.
#include <strings.h>

#include <chrono>
#include <random>

#include "live/CCamera.h"
#include "live/StreamCipher.h"
#include "live/StreamHandshake.h"
#include "live/StreamPacket.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "text/JsonText.h"
#include "text/NumberText.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr int kRelayCutSeconds[26] = {250,  1900, 361,  277,  380,  384,  400,  420, 432,
                                      1000, 800,  1200, 1700, 1400, 560,  607,  662, 728,
                                      1200, 800,  2000, 842,  950,  3000, 1000, 1220};
constexpr const char* kRelayNotice = NIMBREL_TR_NOOP("Core", "检测到当前网速不稳定，请稍后重试");

// Cleared by the first relay cut of the program run: the notice is shown once.
std::atomic<bool> relayNoticePending{true};

std::string Umac(const LiveContext& live) {
    return std::string(GetText(live.app.m_UserName)) + "," + std::string(GetText(live.g.m_Mac));
}

}  // namespace

bool CCamera::SendMessage(const Json::Value& message) {
    return transport_ && SendStreamMessage(*transport_, live_.g.SessionText(live_.g.m_StreamKey),
                                           message, stop_.Flag());
}

bool CCamera::CtrlRecvPlay() {
    NLOG_DEBUG("go to the Ctrl_Recv_Play_TCP");
    if (!ring_.Allocate()) return false;
    const bool udt = transport_->IsUdt();
    reader_ = std::make_unique<PacketReader>(!udt);
    ConnectRequest request;
    request.sid = std::string(Sid());
    request.umac = Umac(live_);
    request.linkType = m_DeviceNATType.load();
    request.protocol = udt ? std::string(GetText(live_.g.m_StreamProtocol)) : "v2.0";
    if (!SendMessage(ConnectMessage(request))) return false;

    // Media that arrives before the reply is read and dropped.
    const auto reply =
        ReadConnectReply(*transport_, *reader_, live_.g.SessionText(live_.g.m_StreamKey), false,
                         stop_.Flag(), &counters.bytes);
    if (!reply) {
        NLOG_DEBUG("Ctrl_Recv_Play_TCP()::no connect reply.");
        return false;
    }
    auto number = [&](const char* name) {
        return AtoiText(StringMember(*reply, name).value_or(""));
    };
    m_nWidth = number("width");
    m_nHeight = number("height");
    m_nTimeGap = number("timeGap");
    m_nBitRate = number("bitRate");
    const bool aac = StringMember(*reply, "audioType") == "aac";
    m_bAudioAac = aac ? 1 : 0;
    m_nAudioSample = aac ? number("audioSample") : 8000;
    const auto sps = ParameterSetRecord::FromBase64(StringMember(*reply, "sps").value_or(""));
    const auto pps = ParameterSetRecord::FromBase64(StringMember(*reply, "pps").value_or(""));
    if (!sps || !pps) return false;
    sps_ = *sps;
    pps_ = *pps;
    if (!InitVideoDecoder()) return false;

    Json::Value startup(Json::objectValue);
    startup["type"] = "startup";
    NLOG_DEBUG("Ctrl_Recv_Play_TCP()::go to send the StartUp .");
    if (!SendMessage(startup)) return false;
    StartViewThreads();
    return true;
}

void CCamera::StartViewThreads() {
    const bool udt = transport_->IsUdt();
    std::lock_guard guard(lifecycleLock_);
    if (!udt && m_DeviceNATType == kDeviceRelay) {
        relayLimitThread_ = std::thread(&CCamera::RelayLimit, this);
        relayCutThread_ = std::thread(&CCamera::RelayCut, this);
    }
    keepAliveThread_ = std::thread(&CCamera::KeepAlive, this);
    readThread_ = std::thread(&CCamera::ReadLoop, this);
    if (m_nTimeGap <= 0) {
        Fail(CameraFailure::Start);
    } else {
        BeginRecording();
        SerialPool::Shared().Open(tickLane_);
        tickPhase_ = TickPhase(int64_t{m_nTimeGap} * 1'000'000);
        frameTimer_.Start(m_nTimeGap, [this] {
            const int64_t due = DelayHistogram::NowNs();
            // A tick still waiting for a worker means the camera is behind: this one is skipped.
            if (!SerialPool::Shared().Post(tickLane_, [this, due] { OnFrameTick(due); }))
                ++counters.ticksSkipped;
        });
    }
    countThread_ = std::thread(&CCamera::CountLoop, this);
    if (!udt) ptzThread_ = std::thread(&CCamera::PtzLoop, this);  // UDT views cannot turn
    std::lock_guard control(controlLock_);
    streaming_ = true;
}

void CCamera::ReadLoop() {
    pthread_setname_np(pthread_self(), "cam-recv");
    Packet packet;
    const std::string key = live_.g.SessionText(live_.g.m_StreamKey);
    while (!stop_.IsRaised()) {
        const ReadResult r = reader_->Read(*transport_, stop_.Flag(), packet, &counters.bytes);
        if (r == ReadResult::Stopped) return;
        if (r != ReadResult::Ok) {
            NLOG_DEBUG("Recv: stream ended (" << static_cast<int>(r) << ") " << Sid());
            // A view that stalled keeps that reason for the shutdown that ended its read.
            if (m_nStatus != kStatusFailed)
                Fail(r == ReadResult::Broken ? CameraFailure::Broken : CameraFailure::Ended);
            return;
        }
        bytesThisSecond_ += packet.bytes.size();
        switch (packet.kind) {
            case kPacketInteractive: {
                const auto text = StreamUnwrap(
                    key, {reinterpret_cast<const char*>(packet.bytes.data()), packet.bytes.size()});
                const auto message = text ? ParseJsonObject(*text) : std::nullopt;
                const auto cmd = message ? StringMember(*message, "cmd") : std::nullopt;
                if (cmd && strcasecmp(cmd->c_str(), "close") == 0) {
                    Fail(CameraFailure::Closed);
                    return;
                }
                break;
            }
            case kPacketVideo: {
                const VideoHeader h = ParseVideoHeader(packet.bytes.first<kVideoHeaderSize>());
                if (h.length == 0) break;  // a fragment without data
                ++counters.fragments;
                const VideoFragment fragment{
                    h.key,           h.frameNumber,   h.timeValue,
                    h.fragmentCount, h.fragmentIndex, packet.bytes.data() + kVideoHeaderSize,
                    h.length};
                if (ring_.Put(fragment) == FrameRing::PutResult::Broken) {
                    NLOG_DEBUG("Recv: fragment does not fit the frame buffer " << Sid());
                    Fail(CameraFailure::Broken);
                    return;
                }
                break;
            }
            case kPacketSpeex:
            case kPacketAac:
                PutAudioFrame(packet);
                break;
        }
    }
}

void CCamera::KeepAlive() {
    pthread_setname_np(pthread_self(), "cam-keepalive");
    const bool udt = transport_->IsUdt();
    auto send = [&](const char* cmd, bool numbered) {
        Json::Value m(Json::objectValue);
        m["type"] = "control";
        m["cmd"] = cmd;
        m["umac"] = Umac(live_);
        if (numbered) m["control_number"] = std::to_string(controlNumber_++);
        if (!SendMessage(m)) {
            Fail(CameraFailure::Ended);
            return false;
        }
        ++counters.keepAlivesSent;
        return true;
    };
    while (!stop_.IsRaised()) {
        if (udt || m_bAudioOff == 0) {
            if (!send("running", !udt)) return;
            for (int i = 0; i < 10; ++i)
                if (!stop_.SleepFor(500ms)) return;
            continue;
        }
        if (!send("pause", true)) return;
        bool resumed = false;
        for (int i = 0; i < 10 && !resumed; ++i) {
            if (stop_.IsRaised()) return;
            if (m_bAudioOff != 0) {
                stop_.SleepFor(500ms);
            } else {
                resumed = true;  // audio came on: say so at once, then again as usual
                if (!send("running", true)) return;
            }
        }
    }
}

void CCamera::CountLoop() {
    pthread_setname_np(pthread_self(), "cam-count");
    auto lastData = std::chrono::steady_clock::now();
    uint64_t bytesSeen = counters.bytes;
    while (stop_.SleepFor(1000ms)) {
        m_fBytesLastSecond = static_cast<float>(bytesThisSecond_.exchange(0));
        // A camera or path that froze sends nothing and closes nothing: after the stall limit
        // the view has failed, and its stream is ended so that it can be started afresh.
        const auto now = std::chrono::steady_clock::now();
        if (const uint64_t bytes = counters.bytes; bytes != bytesSeen) {
            bytesSeen = bytes;
            lastData = now;
        } else if (m_nStatus != kStatusFailed && now - lastData >= live_.stallLimit) {
            NLOG_DEBUG("Count: nothing received for " << live_.stallLimit.count() << " ms "
                                                      << Sid());
            Fail(CameraFailure::Stalled);
            transport_->Shutdown();
        }
    }
}

void CCamera::RelayLimit() {
    pthread_setname_np(pthread_self(), "cam-relaylimit");
    const int minutes = m_TranVideoLong;
    if (minutes < 0) return;
    if (!stop_.SleepFor(
            std::chrono::duration_cast<std::chrono::milliseconds>(live_.relayLimitUnit * minutes)))
        return;
    NLOG_DEBUG("relay viewing time used up " << Sid());
    RequestStop();
}

void CCamera::RelayCut() {
    pthread_setname_np(pthread_self(), "cam-relaycut");
    NLOG_DEBUG("goto Msg_TCP");
    static std::mutex rngLock;
    static std::mt19937 rng{std::random_device{}()};
    int seconds = 0;
    {
        std::lock_guard guard(rngLock);
        if (live_.relayCutSeconds.empty())
            seconds = kRelayCutSeconds[rng() % 26];
        else
            seconds = live_.relayCutSeconds[rng() % live_.relayCutSeconds.size()];
    }
    if (!stop_.SleepFor(std::chrono::seconds(seconds))) return;
    transport_->Shutdown();  // the reading loop fails and the view turns to failed
    NLOG_DEBUG("tran time is out " << Sid());
    if (relayNoticePending.exchange(false)) {
        NLOG_DEBUG("please try again later,the speed is off ");
        live_.notifier.MessageBox(kRelayNotice, "", UserNotifier::Icon::Information);
    }
}

}  // namespace nimbrel
