#include "LanResponder.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "RequestLog.h"

namespace nimbrel::sim {
namespace {

// 127.255.255.255: the directed broadcast address of 127.0.0.0/8.
constexpr uint32_t kLoopbackBroadcast = 0x7FFFFFFFu;
constexpr int kWaitMs = 200;

std::string SwapCase(std::string text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::islower(u))
            c = static_cast<char>(std::toupper(u));
        else if (std::isupper(u))
            c = static_cast<char>(std::tolower(u));
    }
    return text;
}

std::string EndpointText(const Ipv4Endpoint& e) {
    return e.AddressText() + ":" + std::to_string(e.port);
}

}  // namespace

LanResponder::LanResponder(LanSpec setup, std::vector<LanDevice> devices, RequestLog* log)
    : spec_(setup), devices_(std::move(devices)), log_(log) {}

LanResponder::~LanResponder() {
    Stop();
}

std::vector<LanDevice> LanResponder::DevicesOf(
    const Scenario& scenario,
    const std::function<std::optional<int>(const std::string& sid)>& streamPort) {
    std::vector<LanDevice> out;
    for (const auto& d : scenario.devices) {
        if (!d.lanReply.answers) continue;
        int port = d.lanReply.port;
        if (port == 0 && streamPort) port = streamPort(d.sid).value_or(0);
        if (port == 0) port = d.camera.streamPort;
        out.push_back({d.sid, d.lanReply.ip, d.lanReply.mac, port});
    }
    return out;
}

std::string LanResponder::ReplyDatagram(const LanDevice& device, bool otherCase) {
    std::string reply(kReplySize, '\0');
    // The unused bytes carry filler, so a reader that strays into them is noticed.
    reply[0] = '\x0F';
    for (std::size_t i = 45; i < 50; ++i) reply[i] = static_cast<char>(0xA0 + (i - 45));
    const std::string id = otherCase ? SwapCase(device.sid) : device.sid;
    reply.replace(1, std::min<std::size_t>(id.size(), 16), id, 0, 16);
    reply.replace(17, std::min<std::size_t>(device.ip.size(), 16), device.ip, 0, 16);
    reply.replace(33, std::min<std::size_t>(device.mac.size(), 12), device.mac, 0, 12);
    reply[50] = static_cast<char>(device.port & 0xFF);
    reply[51] = static_cast<char>((device.port >> 8) & 0xFF);
    return reply;
}

LanResponder::Answer LanResponder::Respond(std::span<const uint8_t> datagram, bool truncated,
                                           const Ipv4Endpoint& from) const {
    Answer a;
    a.line.Set("path", "lan")
        .Set("from", EndpointText(from))
        .Set("size", static_cast<std::int64_t>(datagram.size()));
    if (!from.IsLoopback()) {
        a.line.Set("error", "sender outside 127.0.0.0/8; not answered");
        return a;
    }
    if (truncated || datagram.size() != 1 || datagram[0] != kProbe) {
        a.line.Set("error", "not a discovery probe (one byte 0x0E); not answered");
        return a;
    }
    OrderedJson ids = OrderedJson::Array();
    if (spec_.garbled && !devices_.empty()) {
        a.datagrams.push_back(ReplyDatagram(devices_.front()).substr(0, kGarbledSize));
        a.line.Set("garbled", OrderedJson::Bool(true));
    }
    for (const auto& device : devices_) {
        a.datagrams.push_back(ReplyDatagram(device));
        ids.Add(OrderedJson::String(device.sid));
        if (spec_.duplicates == LanDuplicates::None) continue;
        const bool otherCase = spec_.duplicates == LanDuplicates::OtherCase;
        a.datagrams.push_back(ReplyDatagram(device, otherCase));
        ids.Add(OrderedJson::String(otherCase ? SwapCase(device.sid) : device.sid));
    }
    a.line.Set("replies", std::move(ids));
    return a;
}

Result<int> LanResponder::Start() {
    using R = Result<int>;
    socket_ = UdpSocket::Open();
    if (!socket_) return R::Fail(std::string("socket: ") + std::strerror(errno));
    const Ipv4Endpoint local{kLoopbackBroadcast, static_cast<uint16_t>(spec_.port)};
    if (!socket_->Bind(local) || !socket_->Handle().SetNonBlocking()) {
        const std::string error = "bind " + EndpointText(local) + ": " + std::strerror(errno);
        socket_.reset();
        return R::Fail(error);
    }
    const auto bound = socket_->Handle().LocalEndpoint();
    if (!bound) return R::Fail(std::string("getsockname: ") + std::strerror(errno));
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return R::Ok(bound->port);
}

void LanResponder::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    socket_.reset();
}

void LanResponder::Run() {
    std::vector<uint8_t> buffer(kReceiveSize);
    while (!stop_) {
        const WaitResult ready = socket_->Handle().WaitReadable(kWaitMs);
        if (ready == WaitResult::Failed) break;
        if (ready != WaitResult::Ready) continue;
        const auto received = socket_->ReceiveFrom(buffer);
        if (!received.io.Ok()) continue;
        const Answer answer = Respond(std::span<const uint8_t>(buffer.data(), received.io.bytes),
                                      received.truncated, received.from);
        // Replies only ever go to a loopback sender; Respond has no datagrams for others.
        if (received.from.IsLoopback()) {
            for (const auto& d : answer.datagrams)
                socket_->SendTo(
                    received.from,
                    std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(d.data()), d.size()));
        }
        if (log_) log_->Write(answer.line);
    }
}

}  // namespace nimbrel::sim
