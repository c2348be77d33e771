#include "live/StreamRoute.h"

#include <sys/socket.h>

#include "live/TcpTransport.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/JsonText.h"
#include "text/NumberText.h"

namespace nimbrel {
namespace {

std::string TextMember(const Json::Value& bean, const char* name) {
    return StringMember(bean, name).value_or("");
}

uint16_t PortMember(const Json::Value& bean, const char* name) {
    const int32_t port = AtoiText(TextMember(bean, name));
    return port > 0 && port <= 65535 ? static_cast<uint16_t>(port) : 0;
}

// The case number: a JSON number, or a text holding one.
int IntMember(const Json::Value& bean, const char* name) {
    const Json::Value& v = bean[name];
    if (v.isIntegral()) return v.asInt();
    if (v.isString()) return AtoiText(v.asString());
    return 0;
}

}  // namespace

void StreamRoute::Prepare(std::string sid, std::string playbackDate) {
    sid_ = std::move(sid);
    date_ = std::move(playbackDate);
}

std::string StreamRoute::CurrentPayload() const {
    const GlobalSettings& g = live_.g;
    const std::string user(GetText(live_.app.m_UserName));
    const std::string mac(GetText(g.m_Mac));
    std::string p = "uid:" + user;
    p.append("&sid:").append(Sid());
    p.append("&mac:").append(mac);
    p.append("&token:").append(g.SessionText(g.m_Token));
    p.append("&exp:").append(GetText(g.m_RsaExp));
    p.append("&mod:").append(GetText(g.m_RsaMod));
    p.append("&net:4&inner:").append(GetText(g.m_LocalIp));
    p.append("&us:").append(std::to_string(g.m_UdpProbeResult.load()));
    p.append("&ts:").append(std::to_string(g.m_TcpProbeResult.load()));
    p.append(IsPlayback() ? "&play:1" : "&play:0").append("&date:").append(date_);
    p.append("&umac:").append(user + "," + mac).append("&ispub:");
    return p;
}

bool StreamRoute::RequestStart() {
    const GlobalSettings& g = live_.g;
    HttpOptions http = live_.http;
    http.cancel = &stop_.Flag();
    http.session = live_.session;
    std::optional<Json::Value> reply;
    if (live_.session) {
        switch (live_.session->CurrentState()) {
            case SessionRecovery::State::Ended:
                return false;  // nothing is asked until the user signs in again
            case SessionRecovery::State::Reconnecting:
                // A request of the lost session would only fail (or be answered under keys of
                // no session): the renewal first, which asks nothing within its gap.
                if (!live_.session->Renew(live_.session->Generation(), &stop_.Flag()))
                    return false;
                break;
            case SessionRecovery::State::Connected:
                break;
        }
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const uint64_t generation = live_.session ? live_.session->Generation() : 0;
        reply = SendSealed(g, ServiceOp::Current, CurrentPayload(), kReply256K, http);
        if (reply || !live_.session || stop_.IsRaised()) break;
        // No readable reply: the service is out of reach or no longer opens this session's keys.
        // Renew the session (or wait for the renewal under way) and ask once more.
        if (!live_.session->Renew(generation, &stop_.Flag())) break;
    }
    if (!reply || !StatusIs(ReplyStatus(*reply), kStatusOk)) return false;
    const auto business = OpenSealedReply(*reply, kReply256K);
    if (!business) return false;
    const Json::Value& bean = (*business)["serverBean"];
    if (!bean.isObject()) return false;
    m_TranVideoLong = AtoiText(TextMember(bean, "transVideoLong"));
    const int status = IntMember(bean, "status");
    NLOG_DEBUG("RequestStart::StatusCode=" << status << (IsPlayback() ? " (playback)" : ""));

    std::lock_guard guard(addressLock_);
    // The relay of every case: the fall-back of a direct connection.
    m_TranIp = TextMember(bean, "tranIP");
    m_DstTranPort = PortMember(bean, "tranPortTcp");
    switch (status) {
        case kDeviceOffline:
            m_DeviceNATType = kDeviceOffline;
            return false;
        case kDeviceLan:
        case kDevicePortMapping:
            m_Ip = TextMember(bean, status == kDeviceLan ? "devInner" : "devOuter");
            m_DstPort = PortMember(bean, "devPortTcp");
            break;
        case kDeviceNatTraversal: {
            std::lock_guard penetrate(live_.g.m_PenetrateLock);
            SetText(live_.g.m_Penetrate.ip, TextMember(bean, "penetrateIP"));
            live_.g.m_Penetrate.port = AtoiText(TextMember(bean, "penetratePort"));
            break;
        }
        case kDeviceRelay:
            // A live view goes to the relay named here; a playback to the login's default one.
            m_Ip = m_TranIp;
            m_DstPort = m_DstTranPort;
            break;
        default:
            return false;
    }
    m_DeviceNATType = status;
    return true;
}

std::optional<TcpSocket> StreamRoute::PrepareTcpSocket() {
    auto socket = TcpSocket::Open();
    if (!socket) return std::nullopt;
    if (IsPlayback()) {
        if (!socket->Handle().SetNonBlocking()) return std::nullopt;
        return socket;
    }
    // A live view's deep receive buffer rides out bursts of key frames.
    int size = 0;
    socklen_t len = sizeof size;
    const int fd = socket->Handle().Fd();
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) return std::nullopt;
    size *= 5;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) return std::nullopt;
    if (!socket->Handle().SetNonBlocking()) return std::nullopt;
    return socket;
}

StreamRoute::ConnectOutcome StreamRoute::ConnectTcp(TcpSocket& socket, const std::string& ip,
                                                    uint16_t port) {
    NLOG_DEBUG("m_DstIpAddress=" << ip << ",m_DstPort=" << port);
    const auto peer = Ipv4Endpoint::ParseDestination(ip, port);
    if (!peer) return ConnectOutcome::Refused;
    switch (socket.StartConnect(*peer)) {
        case TcpSocket::ConnectStart::Connected:
            return ConnectOutcome::Connected;
        case TcpSocket::ConnectStart::Failed:
            return ConnectOutcome::Refused;
        case TcpSocket::ConnectStart::InProgress:
            break;
    }
    // Wait for the attempt in short steps, so that a stop does not wait out the time-out.
    for (int waited = 0; waited < live_.connectTimeoutMs; waited += StreamTransport::kStepMs) {
        if (stop_.IsRaised()) return ConnectOutcome::Refused;
        const WaitResult w = socket.Handle().WaitWritable(
            std::min(StreamTransport::kStepMs, live_.connectTimeoutMs - waited));
        if (w == WaitResult::Failed) return ConnectOutcome::Refused;
        if (w == WaitResult::Ready)
            return socket.ConnectError() == 0 ? ConnectOutcome::Connected : ConnectOutcome::Refused;
    }
    return ConnectOutcome::TimedOut;
}

bool StreamRoute::ConnectRelay(const std::string& ip, uint16_t port) {
    auto socket = PrepareTcpSocket();
    if (!socket || ConnectTcp(*socket, ip, port) != ConnectOutcome::Connected) return false;
    {
        std::lock_guard guard(addressLock_);
        m_Ip = ip;
        m_DstPort = port;
    }
    NoteConnected(ip, port);
    transport_ = std::make_unique<TcpTransport>(std::move(*socket));
    return true;
}

bool StreamRoute::ConnectDefaultRelay() {
    const ServerEndpoint relay = live_.g.SessionEndpoint(live_.g.m_DefTran);
    const int port = relay.tcpPort;
    return port > 0 && port <= 65535 &&
           ConnectRelay(std::string(GetText(relay.ip)), static_cast<uint16_t>(port));
}

bool StreamRoute::GetSocketByNATType() {
    const int nat = m_DeviceNATType;
    if (nat == kDeviceRelay)
        return IsPlayback() ? ConnectDefaultRelay() : ConnectRelay(m_Ip, m_DstPort);
    if (nat == kDeviceNatTraversal) {
        if (TraverseNat()) return true;
        // The punch failed: the login's default relay, not the one current.do named.
        if (!ConnectDefaultRelay()) return false;
        m_DeviceNATType = kDeviceRelay;
        return true;
    }
    if (nat != kDeviceLan && nat != kDevicePortMapping) return false;

    auto socket = PrepareTcpSocket();
    if (!socket) return false;
    switch (ConnectTcp(*socket, m_Ip, m_DstPort)) {
        case ConnectOutcome::Connected:
            NoteConnected(m_Ip, m_DstPort);
            transport_ = std::make_unique<TcpTransport>(std::move(*socket));
            return true;
        case ConnectOutcome::Refused:
            return false;  // a refusal is an answer: no fall-back
        case ConnectOutcome::TimedOut:
            break;
    }
    NLOG_DEBUG("change to zhongzhuan:IP=" << m_TranIp << ",Port=" << m_DstTranPort);
    if (!ConnectRelay(m_TranIp, m_DstTranPort)) return false;
    m_DeviceNATType = kDeviceRelay;
    NLOG_DEBUG("change to [DEVICE_TRAN_SRV].");
    return true;
}

void StreamRoute::NoteConnected(const std::string& ip, uint16_t port) {
    std::lock_guard guard(addressLock_);
    connectedAddress_ = ip + ":" + std::to_string(port);
}

std::string StreamRoute::ConnectedAddress() const {
    std::lock_guard guard(addressLock_);
    return connectedAddress_;
}

void StreamRoute::Clear() {
    std::lock_guard guard(addressLock_);
    m_Ip.clear();
    m_DstPort = 0;
    m_TranIp.clear();
    m_DstTranPort = 0;
    connectedAddress_.clear();
    transport_.reset();
}

}  // namespace nimbrel
