#include "devices/LanDiscovery.h"

#include <strings.h>

#include <array>
#include <chrono>

#include "devices/DeviceList.h"
#include "platform/Log.h"

namespace nimbrel {

LanDiscovery::~LanDiscovery() {
    Collect();
}

std::optional<std::string> LanDiscovery::BroadcastAddress(const std::string& ip,
                                                          const std::string& mask) {
    const auto address = Ipv4Endpoint::Parse(ip, 0);
    const auto netmask = Ipv4Endpoint::Parse(mask, 0);
    if (ip.empty() || mask.empty() || !address || !netmask) return std::nullopt;
    Ipv4Endpoint broadcast{(address->address & netmask->address) | ~netmask->address, 0};
    return broadcast.AddressText();
}

bool LanDiscovery::Start(const Options& options) {
    std::lock_guard turn(controlLock_);
    CollectLocked();
    {
        std::lock_guard guard(repliesLock_);
        replies_.clear();
    }
    socket_ = UdpSocket::Open();
    if (!socket_ || !socket_->Handle().SetNonBlocking() || !socket_->SetBroadcast()) {
        socket_.reset();
        return false;
    }
    try {
        probeThread_ = std::thread(&LanDiscovery::Probe, this, options);
        listenThread_ = std::thread(&LanDiscovery::Listen, this, options);
    } catch (const std::system_error&) {
        CollectLocked();
        return false;
    }
    return true;
}

void LanDiscovery::Collect() {
    std::lock_guard turn(controlLock_);
    CollectLocked();
}

void LanDiscovery::CollectLocked() {
    if (probeThread_.joinable()) probeThread_.join();
    if (listenThread_.joinable()) listenThread_.join();
    socket_.reset();
}

void LanDiscovery::Probe(Options options) {
    pthread_setname_np(pthread_self(), "lan-probe");
    const auto broadcast = BroadcastAddress(options.localIp, options.localMask);
    if (!broadcast) return;
    const auto to = Ipv4Endpoint::Parse(*broadcast, options.port);
    const std::array<uint8_t, 1> probe{kLanProbe};
    for (int i = 0; i < options.probes; ++i) {
        if (!socket_->SendTo(*to, probe).Ok()) {
            NLOG_DEBUG("LanDiscovery::Probe: send failed");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(options.probeGapMs));
    }
}

void LanDiscovery::Listen(Options options) {
    pthread_setname_np(pthread_self(), "lan-listen");
    std::array<uint8_t, 3072> buffer;
    for (int round = 0; round < options.listenRounds; ++round) {
        const WaitResult ready = socket_->Handle().WaitReadable(options.listenWaitMs);
        if (ready == WaitResult::Failed) return;
        if (ready == WaitResult::TimedOut) continue;
        const auto datagram = socket_->ReceiveFrom(buffer);
        if (datagram.io.kind == IoResult::Kind::WouldBlock) continue;
        if (!datagram.io.Ok()) return;
        const auto reply = ParseLanReply(std::span(buffer.data(), datagram.io.bytes));
        if (!reply) continue;
        std::lock_guard guard(repliesLock_);
        bool known = false;
        for (const auto& r : replies_) known = known || r.id == reply->id;
        if (!known && replies_.size() < kMaxReplies) replies_.push_back(*reply);
    }
}

void LanDiscovery::Match(DeviceList& list) {
    std::lock_guard turn(controlLock_);
    CollectLocked();
    const auto replies = Replies();
    const int n = list.Count();
    for (int i = 0; i < n; ++i) {
        DeviceRecord* device = list.At(i);
        const std::string sid(device->Sid());
        const LanReply* found = nullptr;
        for (const auto& r : replies)
            if (!found && r.id.size() == sid.size() && strcasecmp(r.id.c_str(), sid.c_str()) == 0)
                found = &r;
        if (found) device->SetLan({found->ip, found->mac, found->port});
        device->onLan = found ? 1 : 0;
    }
}

std::vector<LanReply> LanDiscovery::Replies() const {
    std::lock_guard guard(repliesLock_);
    return replies_;
}

}  // namespace nimbrel
