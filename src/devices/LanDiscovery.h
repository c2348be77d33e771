// Finding the account's cameras on the local network: a one-byte probe broadcast to the subnet
// 20 times, 50 ms apart, while a listener collects the replies for about a second; then the
// devices whose id answered are marked with their local address.
// Threading: Start, Collect and Match may be called from any thread (start-up, the first load, a
// manual refresh); they take turns, so a run is started, waited for and released by one caller at
// a time. The probe and listen threads are private. The destructor waits for both.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devices/LanReply.h"
#include "platform/UdpSocket.h"

namespace nimbrel {

class DeviceList;

class LanDiscovery {
  public:
    static constexpr int kMaxReplies = 512;

    struct Options {
        std::string localIp;  // empty: no probe is sent (the listener still runs)
        std::string localMask;
        uint16_t port = 53217;
        int probes = 20;
        int probeGapMs = 50;
        int listenRounds = 20;
        int listenWaitMs = 50;
    };

    LanDiscovery() = default;
    ~LanDiscovery();
    LanDiscovery(const LanDiscovery&) = delete;
    LanDiscovery& operator=(const LanDiscovery&) = delete;

    // Opens the broadcast socket and starts the probe and listen threads. A previous run that was
    // never collected is waited for and released first. False when the socket or a thread could
    // not be had (then no device will be marked).
    bool Start(const Options& options);
    // Waits for both threads and closes the socket.
    void Collect();
    // Collect, then mark every record: onLan = 1 with the address of a reply whose id equals the
    // sid without regard to case, else onLan = 0 (the old address stays).
    void Match(DeviceList& list);

    std::vector<LanReply> Replies() const;

    // The directed broadcast address of the subnet, or nothing when address or mask is missing.
    static std::optional<std::string> BroadcastAddress(const std::string& ip,
                                                       const std::string& mask);

  private:
    void Probe(Options options);
    void Listen(Options options);
    void CollectLocked();  // caller holds controlLock_

    // Held by Start, Collect and Match: the threads and the socket below change only under it.
    std::mutex controlLock_;
    std::optional<UdpSocket> socket_;
    std::thread probeThread_;
    std::thread listenThread_;
    mutable std::mutex repliesLock_;
    std::vector<LanReply> replies_;
};

}  // namespace nimbrel
