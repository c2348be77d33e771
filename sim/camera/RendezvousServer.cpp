#include "camera/RendezvousServer.h"

#include "RequestLog.h"
#include "camera/ControlSeal.h"
#include "text/JsonText.h"

namespace nimbrel::sim {
namespace {

std::string Text(const Ipv4Endpoint& e) {
    return e.AddressText() + ":" + std::to_string(e.port);
}

}  // namespace

RendezvousServer::RendezvousServer(const StreamContext& context,
                                   std::function<CameraDevice*(const std::string& sid)> find)
    : context_(context), find_(std::move(find)) {}

RendezvousServer::~RendezvousServer() {
    Stop();
}

Result<int> RendezvousServer::Start(int port) {
    socket_ = UdpSocket::Open();
    const auto local = Ipv4Endpoint::Parse("127.0.0.1", port);
    if (!socket_ || !local || !socket_->Bind(*local))
        return Result<int>::Fail("cannot bind UDP 127.0.0.1:" + std::to_string(port));
    const int bound = socket_->Handle().LocalEndpoint()->port;
    thread_ = std::thread([this]() { Serve(); });
    return Result<int>::Ok(bound);
}

void RendezvousServer::Stop() {
    if (thread_.joinable()) thread_.join();
    threads_.JoinAll();
    punches_.clear();
    socket_.reset();
}

void RendezvousServer::Serve() {
    uint8_t buffer[2048];
    while (!context_.stop->load()) {
        if (socket_->Handle().WaitReadable(200) != WaitResult::Ready) continue;
        const auto d = socket_->ReceiveFrom(buffer);
        if (!d.io.Ok()) continue;
        if (d.truncated) {
            if (context_.log)
                context_.log->Write(OrderedJson::Object()
                                        .Set("rendezvous", "?")
                                        .Set("from", Text(d.from))
                                        .Set("error", "datagram longer than 2048 bytes"));
            continue;
        }
        OnDatagram(std::string_view(reinterpret_cast<const char*>(buffer), d.io.bytes), d.from);
    }
}

void RendezvousServer::OnDatagram(std::string_view bytes, const Ipv4Endpoint& from) {
    const uint8_t type = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]);
    OrderedJson line =
        OrderedJson::Object()
            .Set("rendezvous",
                 std::string(1, type >= 0x20 && type < 0x7f ? static_cast<char>(type) : '?'))
            .Set("from", Text(from));
    auto log = [&](OrderedJson& l) {
        if (context_.log) context_.log->Write(l);
    };
    auto message = ControlSeal::OpenDatagram(bytes, context_.keyValue);
    if (!message) {
        line.Set("error", message.error());
        log(line);
        return;
    }
    const std::string sid = StringMember(*message, "sid").value_or("");
    const std::string umac = StringMember(*message, "umac").value_or("");
    line.Set("sid", sid).Set("umac", umac);
    if (type != kConnect) {
        if (type != kKnock) line.Set("note", "unexpected datagram type");
        auto knocked = punches_.find(std::make_pair(sid, Text(from)));
        if (type == kKnock && knocked != punches_.end()) knocked->second.knocked = true;
        log(line);
        return;
    }
    CameraDevice* device = find_(sid);
    if (!device) {
        line.Set("answer", "none").Set("note", "no NAT traversal camera " + sid);
    } else if (device->camera.faults.silentRendezvous) {
        line.Set("answer", "none").Set("note", "silentRendezvous fault");
    } else if (device->Down()) {
        line.Set("answer", "none").Set("note", "the camera is rebooting");
    } else if (umac.empty() || !from.IsLoopback()) {
        line.Set("answer", "none").Set("note", "no umac or a sender off this machine");
    } else if (auto port = PunchFor(*device, from, umac)) {
        Json::Value peer(Json::objectValue);
        peer["ip"] = "127.0.0.1";
        peer["port"] = std::to_string(*port);
        const std::string datagram = ControlSeal::Datagram(kPeer, peer, context_.keyValue);
        socket_->SendTo(from,
                        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.data()),
                                                 datagram.size()));
        line.Set("answer", "127.0.0.1:" + std::to_string(*port));
    } else {
        line.Set("answer", "none").Set("note", "the punch could not start");
    }
    log(line);
}

std::optional<int> RendezvousServer::PunchFor(CameraDevice& device, const Ipv4Endpoint& client,
                                              const std::string& umac) {
    std::erase_if(punches_, [](const auto& entry) { return entry.second.peer->Finished(); });
    const auto key = std::make_pair(device.sid, Text(client));
    auto found = punches_.find(key);
    // The same attempt asking again (its 'C' every 200 ms until answered).
    if (found != punches_.end() && !found->second.knocked) return found->second.port;
    // A new attempt from this address: whatever still punches toward it is stale.
    for (auto& [other, punch] : punches_)
        if (other.second == key.second) punch.peer->Cancel();
    auto peer = std::make_shared<PunchPeer>(device, context_, client, umac);
    auto port = peer->Open();
    if (!port) return std::nullopt;
    if (!threads_.Start("punch", [peer]() { peer->Run(); })) return std::nullopt;
    punches_[key] = Punch{peer, *port, false};
    return *port;
}

}  // namespace nimbrel::sim
