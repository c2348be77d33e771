// How a camera is reached: the service's current.do names the case and the addresses, then the
// stream socket is opened — TCP to the camera (LAN or mapped port, with a fall-back to the relay
// when the camera does not answer in time), NAT traversal over UDT, or TCP to a relay.
#include <sys/socket.h>

#include "live/CCamera.h"
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

std::string CCamera::CurrentPayload() const {
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
    p.append("&play:0&date:&umac:").append(user + "," + mac).append("&ispub:");
    return p;
}

bool CCamera::RequestStart() {
    const GlobalSettings& g = live_.g;
    HttpOptions http = live_.http;
    http.cancel = &stop_.Flag();
    http.session = live_.session;
    std::optional<Json::Value> reply;
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
    NLOG_DEBUG("RequestStart::StatusCode=" << status);

    std::lock_guard guard(addressLock_);
    switch (status) {
        case kDeviceOffline:
            m_DeviceNATType = kDeviceOffline;
            return false;
        case kDeviceLan:
        case kDevicePortMapping:
            m_Ip = TextMember(bean, status == kDeviceLan ? "devInner" : "devOuter");
            m_DstPort = PortMember(bean, "devPortTcp");
            m_TranIp = TextMember(bean, "tranIP");
            m_DstTranPort = PortMember(bean, "tranPortTcp");
            break;
        case kDeviceNatTraversal: {
            std::lock_guard penetrate(live_.g.m_PenetrateLock);
            SetText(live_.g.m_Penetrate.ip, TextMember(bean, "penetrateIP"));
            live_.g.m_Penetrate.port = AtoiText(TextMember(bean, "penetratePort"));
            m_TranIp = TextMember(bean, "tranIP");
            m_DstTranPort = PortMember(bean, "tranPortTcp");
            break;
        }
        case kDeviceRelay:
            m_Ip = TextMember(bean, "tranIP");
            m_DstPort = PortMember(bean, "tranPortTcp");
            break;
        default:
            return false;
    }
    m_DeviceNATType = status;
    return true;
}

std::optional<TcpSocket> CCamera::PrepareTcpSocket() {
    auto socket = TcpSocket::Open();
    if (!socket) return std::nullopt;
    // A deep receive buffer rides out bursts of key frames.
    int size = 0;
    socklen_t len = sizeof size;
    const int fd = socket->Handle().Fd();
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) return std::nullopt;
    size *= 5;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) return std::nullopt;
    if (!socket->Handle().SetNonBlocking()) return std::nullopt;
    return socket;
}

CCamera::ConnectOutcome CCamera::ConnectTcp(TcpSocket& socket, const std::string& ip,
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

bool CCamera::ConnectRelay(const std::string& ip, uint16_t port) {
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

bool CCamera::GetSocketByNATType() {
    const int nat = m_DeviceNATType;
    if (nat == kDeviceRelay) return ConnectRelay(m_Ip, m_DstPort);
    if (nat == kDeviceNatTraversal) {
        if (TraverseNat()) return true;
        // The punch failed: the login's default relay, not the one current.do named.
        const ServerEndpoint relay = live_.g.SessionEndpoint(live_.g.m_DefTran);
        const int port = relay.tcpPort;
        if (port <= 0 || port > 65535 ||
            !ConnectRelay(std::string(GetText(relay.ip)), static_cast<uint16_t>(port)))
            return false;
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

}  // namespace nimbrel
