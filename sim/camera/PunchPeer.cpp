#include "camera/PunchPeer.h"

#include <udt/udt.h>

#include <chrono>

#include "RequestLog.h"
#include "camera/ControlSeal.h"
#include "camera/StreamSession.h"
#include "camera/UdtStreamLink.h"
#include "text/JsonText.h"

namespace nimbrel::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProbeEvery = std::chrono::milliseconds(200);
// Without a confirmation, how long after both sides saw each other UDT starts anyway.
constexpr auto kConfirmWait = std::chrono::milliseconds(600);

std::string Text(const Ipv4Endpoint& e) {
    return e.AddressText() + ":" + std::to_string(e.port);
}

std::optional<UdpSocket> BoundUdp() {
    auto socket = UdpSocket::Open();
    const auto local = Ipv4Endpoint::Parse("127.0.0.1", 0);
    if (!socket || !local || !socket->Bind(*local)) return std::nullopt;
    return socket;
}

}  // namespace

PunchPeer::PunchPeer(CameraDevice& device, const StreamContext& context, Ipv4Endpoint client,
                     std::string umac)
    : device_(device), context_(context), client_(client), umac_(std::move(umac)) {}

Result<int> PunchPeer::Open() {
    named_ = BoundUdp();
    if (device_.camera.faults.punchFromOtherPort) other_ = BoundUdp();
    if (!named_ || (device_.camera.faults.punchFromOtherPort && !other_))
        return Result<int>::Fail("cannot bind a UDP socket on 127.0.0.1");
    return Result<int>::Ok(named_->Handle().LocalEndpoint()->port);
}

void PunchPeer::Log(const char* event, const std::string& detail) const {
    if (!context_.log) return;
    OrderedJson line = OrderedJson::Object()
                           .Set("punch", device_.sid)
                           .Set("event", event)
                           .Set("client", Text(client_));
    if (!detail.empty()) line.Set("detail", detail);
    context_.log->Write(line);
}

bool PunchPeer::Send(UdpSocket& socket, uint8_t type, bool answer) {
    if (!client_.IsLoopback()) return false;  // never send off this machine
    Json::Value message(Json::objectValue);
    message["sid"] = device_.sid;
    message["umac"] = umac_;
    if (answer) message["type"] = "10";
    const std::string datagram = ControlSeal::Datagram(type, message, context_.keyValue);
    return socket
        .SendTo(client_, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.data()),
                                                  datagram.size()))
        .Ok();
}

bool PunchPeer::Punch(UdpSocket& socket) {
    const auto deadline = Clock::now() + std::chrono::seconds(kPunchSeconds);
    auto nextProbe = Clock::now();
    bool sawProbe = false, sawAnswer = false;
    std::optional<Clock::time_point> bothSeen;
    while (!context_.stop->load()) {
        if (cancelled_) {
            Log("failed", "a new attempt from the client superseded this one");
            return false;
        }
        if (device_.Down()) {
            Log("failed", "the camera went down for a reboot");
            return false;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            Log("failed", "no punch within " + std::to_string(kPunchSeconds) + " s");
            return false;
        }
        if (bothSeen && now - *bothSeen >= kConfirmWait) return true;
        // Like the client, the camera stops probing once it has its answer: the next probe
        // it hears is then the client's own, which it answers.
        if (!sawAnswer && now >= nextProbe) {
            if (!Send(socket, kProbe, false)) {
                Log("failed", "cannot send a probe");
                return false;
            }
            nextProbe = now + kProbeEvery;
        }
        if (socket.Handle().WaitReadable(50) != WaitResult::Ready) continue;
        uint8_t buffer[2048];
        const auto d = socket.ReceiveFrom(buffer);
        if (!d.io.Ok() || d.truncated || !(d.from == client_)) continue;
        const std::string_view bytes(reinterpret_cast<const char*>(buffer), d.io.bytes);
        auto message = ControlSeal::OpenDatagram(bytes, context_.keyValue);
        if (!message || StringMember(*message, "sid") != device_.sid) {
            if (++ignored_ <= 5)
                Log("ignored", message ? "datagram for another camera" : message.error());
            continue;
        }
        switch (buffer[0]) {
            case kProbe:
                if (!sawProbe) Log("probe");
                sawProbe = true;
                if (!Send(socket, kAnswer, true)) return false;
                break;
            case kAnswer:
                if (StringMember(*message, "type") != "10") break;
                if (!sawAnswer) Log("answer");
                sawAnswer = true;
                break;
            case kConfirm:
                Log("confirm");
                return true;
            default:
                Log("ignored", "datagram type " + std::to_string(buffer[0]));
        }
        if (sawProbe && sawAnswer && !bothSeen) bothSeen = Clock::now();
    }
    return false;
}

void PunchPeer::Run() {
    UdpSocket& socket = other_ ? *other_ : *named_;
    Log("punching", "named port " + std::to_string(named_->Handle().LocalEndpoint()->port));
    if (!Punch(socket)) {
        finished_ = true;
        return;
    }
    // UDT takes the UDP socket over (and closes it with the UDT socket); its receive thread
    // waits on the socket with a time-out, which only works in blocking mode.
    UDTSOCKET udt = UDT::socket(AF_INET, SOCK_STREAM, 0);
    socket.Handle().SetNonBlocking(false);
    if (UDT::bind2(udt, socket.Handle().Fd()) == UDT::ERROR) {
        Log("failed", std::string("UDT bind: ") + UDT::getlasterror_desc());
        UDT::close(udt);
        finished_ = true;
        return;
    }
    socket.Handle().Release();
    const sockaddr_in client = client_.ToSockaddr();
    if (UDT::connect(udt, reinterpret_cast<const sockaddr*>(&client), sizeof client) ==
        UDT::ERROR) {
        Log("failed", std::string("UDT connect: ") + UDT::getlasterror_desc());
        UDT::close(udt);
        finished_ = true;
        return;
    }
    Log("connected");
    UdtStreamLink link(udt, context_.stop);
    StreamSession::Route route;
    route.via = "udt";
    route.expected = {"1.2", "4"};
    route.resolve = [this](const std::string& sid) {
        return sid == device_.sid ? &device_ : nullptr;
    };
    StreamSession(link, context_, std::move(route)).Run();
    finished_ = true;
}

}  // namespace nimbrel::sim
