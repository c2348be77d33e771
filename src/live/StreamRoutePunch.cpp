// NAT traversal: a UDP socket is punched towards the camera with the help of the rendezvous
// server (which tells each side the other's public address), then UDT is bound onto that socket
// and the camera's UDT connection accepted. Two threads talk to the rendezvous server, then two
// to the camera; each pair agrees through a state word. The socket's port is predictable, so
// only the rendezvous server's datagrams count in the first phase, only datagrams sealed with
// the stream key that name this device in the second, and only the agreed peer's connection.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "live/StreamCipher.h"
#include "live/StreamRoute.h"
#include "live/UdtTransport.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "text/JsonText.h"
#include "text/NumberText.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// Punch state words: the rendezvous pair uses 0 probe, 1 announce, -2 pause, -1 stop; the peer
// pair uses 0 probe, 1 answer, 2 confirm, -2 pause, -1 stop.
constexpr int kKeepProbing = 0, kAnnounce = 1, kAnswer = 1, kConfirm = 2, kPause = -2, kEnd = -1;
constexpr uint8_t kToServer = 'C', kToServerDone = 'K', kServerPeer = 0x0B, kPauseOrAnswer = 0x09,
                  kProbe = 0x0A, kConfirmation = 0x10;
constexpr std::size_t kMaxDatagramHex = 1847;
// Each receiving thread waits thirty times 100 ms at most, taken as one time budget: datagrams
// that are ignored use none of it up, so strangers' datagrams cannot end the wait early.
constexpr int kWaitMs = 100;
constexpr auto kReceiveWindow = 30 * std::chrono::milliseconds(kWaitMs);
constexpr int kIgnoredLogged = 5;  // strangers' datagrams logged per receiving thread

uint64_t Pack(const Ipv4Endpoint& e) {
    return uint64_t{e.address} << 16 | e.port;
}
Ipv4Endpoint Unpack(uint64_t v) {
    return {static_cast<uint32_t>(v >> 16), static_cast<uint16_t>(v & 0xFFFF)};
}

struct Datagram {
    uint8_t type = 0;
    std::optional<Json::Value> message;  // when the type carries one and it opened
    Ipv4Endpoint from;
};

}  // namespace

bool StreamRoute::SendDatagram(int fd, uint8_t type, const Json::Value& message,
                               const Ipv4Endpoint& to) {
    std::string datagram;
    if (!StreamWrap16(live_.g.SessionText(live_.g.m_StreamKey), message, datagram, type))
        return false;
    const sockaddr_in address = to.ToSockaddr();
    return ::sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&address),
                    sizeof address) == static_cast<ssize_t>(datagram.size());
}

namespace {

// Waits up to 100 ms, and never past `until`, for one datagram. Nothing on a time-out; false
// in `ok` on a socket error.
std::optional<Datagram> Receive(UdpSocket& socket, std::string_view streamKey,
                                std::chrono::steady_clock::time_point until, bool& ok) {
    ok = true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    const WaitResult w = socket.Handle().WaitReadable(
        static_cast<int>(std::clamp<long long>(left.count(), 0, kWaitMs)));
    if (w == WaitResult::Failed) {
        ok = false;
        return std::nullopt;
    }
    if (w == WaitResult::TimedOut) return std::nullopt;
    std::array<uint8_t, 2048> buffer;
    const auto got = socket.ReceiveFrom(buffer);
    if (got.io.kind == IoResult::Kind::WouldBlock) return std::nullopt;
    if (!got.io.Ok()) {
        ok = false;
        return std::nullopt;
    }
    if (got.io.bytes < 16) return std::nullopt;
    Datagram d;
    d.type = buffer[0];
    d.from = got.from;
    const std::size_t length = buffer[1] | buffer[2] << 8;
    if (length >= 1 && length <= kMaxDatagramHex && 16 + length <= got.io.bytes) {
        const std::string_view raw(reinterpret_cast<const char*>(buffer.data()), got.io.bytes);
        if (const auto text = StreamUnwrap16(streamKey, raw)) d.message = ParseJsonObject(*text);
    }
    return d;
}

Json::Value Greeting(std::string_view sid, const std::string& umac) {
    Json::Value m(Json::objectValue);
    m["sid"] = std::string(sid);
    m["umac"] = umac;
    return m;
}

}  // namespace

bool StreamRoute::TraverseNat() {
    m_PunchState = kKeepProbing;
    m_PeerState = kKeepProbing;
    peerAddr_ = 0;
    punchSocket_ = UdpSocket::Open();
    if (!punchSocket_) return false;
    // Each attempt takes the next port of the process-wide counter; a port another program holds
    // is skipped like one that is not available.
    bool bound = false;
    for (int attempt = 0; attempt < 5 && !bound; ++attempt) {
        bound = punchSocket_->Bind({0, live_.g.NextLocalPort()});
        if (!bound && errno != EADDRNOTAVAIL && errno != EADDRINUSE) break;
    }
    if (!bound || !punchSocket_->Handle().SetNonBlocking()) {
        punchSocket_.reset();
        return false;
    }
    {
        std::lock_guard guard(live_.g.m_PenetrateLock);
        penetrate_ = Ipv4Endpoint::ParseDestination(GetText(live_.g.m_Penetrate.ip),
                                                    live_.g.m_Penetrate.port)
                         .value_or(Ipv4Endpoint{});
    }

    bool serverSent = false, serverSeen = false;
    {
        std::thread send([&] { serverSent = PunchServerSend(); });
        std::thread recv([&] { serverSeen = PunchServerRecv(); });
        send.join();
        recv.join();
    }
    if (peerAddr_ != 0 && serverSeen) {
        peerSendDone_ = false;
        peerSendFd_ = punchSocket_->Handle().Fd();
        std::thread send([&] { PunchPeerSend(); });
        std::thread recv([&] { PunchPeerRecv(); });
        send.join();
        recv.join();
    }
    punchSocket_.reset();
    (void)serverSent;
    return transport_ != nullptr;
}

bool StreamRoute::PunchServerSend() {
    pthread_setname_np(pthread_self(), "punch-srv-send");
    const int fd = punchSocket_->Handle().Fd();
    const std::string umac =
        std::string(GetText(live_.app.m_UserName)) + "," + std::string(GetText(live_.g.m_Mac));
    for (;;) {
        if (stop_.IsRaised()) return true;
        switch (m_PunchState.load()) {
            case kKeepProbing:
                if (!SendDatagram(fd, kToServer, Greeting(Sid(), umac), penetrate_)) return false;
                break;
            case kAnnounce: {
                Json::Value m = Greeting(Sid(), umac);
                m["type"] = "K";
                return SendDatagram(fd, kToServerDone, m, penetrate_);
            }
            case kEnd:
                return true;
            default:  // paused
                break;
        }
        stop_.SleepFor(200ms);
    }
}

bool StreamRoute::PunchServerRecv() {
    pthread_setname_np(pthread_self(), "punch-srv-recv");
    const std::string key = live_.g.SessionText(live_.g.m_StreamKey);
    const auto until = std::chrono::steady_clock::now() + kReceiveWindow;
    int ignored = 0;
    while (!stop_.IsRaised() && std::chrono::steady_clock::now() < until) {
        bool ok = true;
        const auto d = Receive(*punchSocket_, key, until, ok);
        if (!ok) {
            m_PunchState = kEnd;
            return false;
        }
        if (!d) continue;
        if (!(d->from == penetrate_)) {
            if (++ignored <= kIgnoredLogged)
                NLOG_DEBUG("PunchServerRecv: ignored a datagram from " << d->from.AddressText()
                                                                       << ":" << d->from.port);
            continue;
        }
        if (d->type == kPauseOrAnswer) {
            m_PunchState = kPause;
        } else if (d->type == kServerPeer && d->message) {
            const auto ip = StringMember(*d->message, "ip");
            const auto port = StringMember(*d->message, "port");
            const auto peer =
                Ipv4Endpoint::ParseDestination(ip.value_or(""), AtoiText(port.value_or("")));
            if (!peer) continue;
            peerAddr_ = Pack(*peer);  // before the state word, so the sender sees the address
            m_PunchState = kAnnounce;
            return true;
        }
    }
    m_PunchState = kEnd;
    return false;
}

bool StreamRoute::PunchPeerSend() {
    pthread_setname_np(pthread_self(), "punch-peer-send");
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = true; }
    } done{peerSendDone_};
    // The descriptor, not the socket object: UDT takes the socket over while confirmations still
    // go out, and the descriptor stays open until this thread has ended.
    const int fd = peerSendFd_;
    const std::string umac =
        std::string(GetText(live_.app.m_UserName)) + "," + std::string(GetText(live_.g.m_Mac));
    for (;;) {
        if (stop_.IsRaised()) return true;
        const Ipv4Endpoint peer = Unpack(peerAddr_);
        int state = m_PeerState.load();
        bool ok = true;
        if (state == kKeepProbing) {
            ok = SendDatagram(fd, kProbe, Greeting(Sid(), umac), peer);
        } else if (state == kAnswer) {
            Json::Value m = Greeting(Sid(), umac);
            m["type"] = "10";
            ok = SendDatagram(fd, kPauseOrAnswer, m, peer);
            m_PeerState.compare_exchange_strong(state, kKeepProbing);
        } else if (state == kConfirm) {
            ok = SendDatagram(fd, kConfirmation, Greeting(Sid(), umac), peer);
        } else if (state == kEnd) {
            return true;
        }
        if (!ok) return false;
        stop_.SleepFor(200ms);
    }
}

bool StreamRoute::PunchPeerRecv() {
    pthread_setname_np(pthread_self(), "punch-peer-recv");
    const std::string key = live_.g.SessionText(live_.g.m_StreamKey);
    const auto until = std::chrono::steady_clock::now() + kReceiveWindow;
    bool probeSeen = false, answerSeen = false, agreed = false;
    int ignored = 0;
    while (!agreed && !stop_.IsRaised() && std::chrono::steady_clock::now() < until) {
        bool ok = true;
        const auto d = Receive(*punchSocket_, key, until, ok);
        if (!ok) {
            m_PeerState = kEnd;
            return false;
        }
        if (!d) continue;
        // Only the camera's own datagrams count: sealed with the stream key, naming this device.
        if (!d->message || StringMember(*d->message, "sid") != Sid()) {
            if (++ignored <= kIgnoredLogged)
                NLOG_DEBUG("PunchPeerRecv: ignored datagram " << int(d->type) << " from "
                                                              << d->from.AddressText() << ":"
                                                              << d->from.port);
            continue;
        }
        if (d->type == kPauseOrAnswer) {
            const Json::Value& m = *d->message;
            if (AtoiText(StringMember(m, "type").value_or("")) != 10) continue;
            answerSeen = true;
            m_PeerState = kPause;
            if (probeSeen) {
                m_PeerState = kConfirm;
                agreed = true;
            }
        } else if (d->type == kProbe) {
            probeSeen = true;
            if (Pack(d->from) != peerAddr_) {
                // The camera's datagrams come from elsewhere than the server said: follow them.
                peerAddr_ = Pack(d->from);
                std::lock_guard guard(addressLock_);
                m_Ip = d->from.AddressText();
                m_DstPort = d->from.port;
            }
            m_PeerState = kAnswer;
            if (answerSeen) {
                m_PeerState = kConfirm;
                agreed = true;
            }
        }
    }
    if (!agreed) {
        NLOG_DEBUG("PunchPeerRecv: no agreement with the camera " << Sid());
        m_PeerState = kEnd;
        return false;
    }

    // UDT on the punched socket: listen and accept the camera's connection, while the sender
    // goes on confirming.
    UdtStartup();
    auto endSender = [this] {
        m_PeerState = kEnd;
        while (!peerSendDone_) std::this_thread::sleep_for(10ms);
    };
    UDTSOCKET listener = ListenOnPunchedSocket(*punchSocket_, 10);
    if (listener == UDT::INVALID_SOCK) {
        NLOG_DEBUG("PunchPeerRecv: UDT set-up failed: " << UDT::getlasterror_desc());
        endSender();
        return false;
    }
    UDTSOCKET accepted = UDT::INVALID_SOCK;
    const Ipv4Endpoint peer = Unpack(peerAddr_);
    for (int waited = 0; waited < live_.udtAcceptTimeoutMs && !stop_.IsRaised(); waited += 50) {
        sockaddr_in from{};
        int length = sizeof from;
        const UDTSOCKET candidate =
            UDT::accept(listener, reinterpret_cast<sockaddr*>(&from), &length);
        if (candidate != UDT::INVALID_SOCK && Ipv4Endpoint::FromSockaddr(from) == peer) {
            accepted = candidate;
            break;
        }
        if (candidate != UDT::INVALID_SOCK) {
            NLOG_DEBUG("PunchPeerRecv: refused a UDT connection from elsewhere than the camera "
                       << Ipv4Endpoint::FromSockaddr(from).AddressText() << ":"
                       << Ipv4Endpoint::FromSockaddr(from).port);
            CloseAtOnce(candidate);
            continue;
        }
        std::this_thread::sleep_for(50ms);
    }
    endSender();
    CloseAtOnce(listener);
    if (accepted == UDT::INVALID_SOCK) {
        NLOG_DEBUG("PunchPeerRecv: the camera's UDT connection did not come " << Sid());
        return false;
    }
    {
        std::lock_guard guard(addressLock_);
        m_Ip = peer.AddressText();
        m_DstPort = peer.port;
    }
    NoteConnected(peer.AddressText(), peer.port);
    transport_ = std::make_unique<UdtTransport>(accepted);
    return true;
}

}  // namespace nimbrel
