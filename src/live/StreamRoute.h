// How a stream reaches a camera, for a live view and for a playback of its card alike: the
// service's current.do names the reachability case and the addresses (a playback names the hour
// it wants), then the stream is opened — TCP to the camera (LAN or mapped port, falling back to
// the relay when the camera does not answer in time), NAT traversal over UDT (falling back to
// the login's default relay), or TCP to a relay.
// Threading: RequestStart and GetSocketByNATType run on the owner's start thread; the punch
// threads are its own. ConnectedAddress and AddressLock may be used from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "live/LiveContext.h"
#include "live/StopSignal.h"
#include "live/StreamTransport.h"
#include "platform/Ipv4Endpoint.h"
#include "platform/TcpSocket.h"
#include "platform/UdpSocket.h"

namespace Json {
class Value;
}

namespace nimbrel {

enum ReachCase : int {
    kDeviceOffline = 1,
    kDeviceLan = 2,
    kDevicePortMapping = 3,
    kDeviceNatTraversal = 4,
    kDeviceRelay = 5,
};

class StreamRoute {
  public:
    // `natType` is the owner's reachability case, which the route sets (−1 none, 1..5);
    // `stop` ends every wait of the route.
    StreamRoute(LiveContext& live, StopSignal& stop, std::atomic<int>& natType)
        : live_(live), stop_(stop), m_DeviceNATType(natType) {}

    // The camera and, for a playback, the recorded hour ("20140315-08"); empty for a live view.
    void Prepare(std::string sid, std::string playbackDate = {});
    bool IsPlayback() const { return !date_.empty(); }

    // current.do: the case and the addresses to use. A session known lost is renewed first; false
    // at once, without a request, within the gap after a failed renewal and once the service
    // has ended the session.
    bool RequestStart();
    // Opens the stream for the case RequestStart found; the transport is then TakeTransport's.
    bool GetSocketByNATType();
    std::unique_ptr<StreamTransport> TakeTransport() { return std::move(transport_); }

    // The relay minutes current.do allowed (live views).
    int TransVideoLong() const { return m_TranVideoLong; }
    // The address the stream is connected to (for reports); empty until a connection stands.
    std::string ConnectedAddress() const;
    // Forgets the addresses (the view stopped).
    void Clear();
    // The lock under which the addresses change.
    std::mutex& AddressLock() { return addressLock_; }

  private:
    std::string_view Sid() const { return sid_; }
    std::string CurrentPayload() const;
    void NoteConnected(const std::string& ip, uint16_t port);
    std::optional<TcpSocket> PrepareTcpSocket();
    enum class ConnectOutcome { Connected, Refused, TimedOut };
    ConnectOutcome ConnectTcp(TcpSocket& socket, const std::string& ip, uint16_t port);
    bool ConnectRelay(const std::string& ip, uint16_t port);
    // The login's default relay, the fall-back of a failed punch (and a playback's relay).
    bool ConnectDefaultRelay();

    // NAT traversal (StreamRoutePunch.cpp).
    bool TraverseNat();
    bool PunchServerSend();
    bool PunchServerRecv();
    bool PunchPeerSend();
    bool PunchPeerRecv();
    bool SendDatagram(int fd, uint8_t type, const Json::Value& message, const Ipv4Endpoint& to);

    LiveContext& live_;
    StopSignal& stop_;
    std::atomic<int>& m_DeviceNATType;
    std::atomic<int> m_TranVideoLong{0};
    std::string sid_;
    std::string date_;

    // Written by the start thread (and the punch threads) under addressLock_.
    std::string m_Ip;
    uint16_t m_DstPort = 0;
    std::string m_TranIp;
    uint16_t m_DstTranPort = 0;
    std::unique_ptr<StreamTransport> transport_;
    mutable std::mutex addressLock_;
    std::string connectedAddress_;

    // NAT traversal state, shared by the four punch threads.
    std::optional<UdpSocket> punchSocket_;
    std::atomic<int> m_PunchState{0};
    std::atomic<int> m_PeerState{0};
    std::atomic<uint64_t> peerAddr_{0};  // address << 16 | port; 0 = none
    std::atomic<bool> peerSendDone_{true};
    std::atomic<int> peerSendFd_{-1};
    Ipv4Endpoint penetrate_;
};

}  // namespace nimbrel
