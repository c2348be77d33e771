#include "service/TcpProbe.h"

#include <cstring>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/TcpSocket.h"

namespace nimbrel {
namespace {

constexpr char kGreeting[] = "{\"tcp\":\"hello\"}";
constexpr std::size_t kHeaderSize = 16;
static_assert(kHeaderSize + sizeof kGreeting - 1 == kTcpProbePacketSize);

bool Stopped(const GlobalSettings& g) {
    return g.m_StopProbes.load() != 0;
}

int32_t Probe(const GlobalSettings& g, TcpSocket& socket, const Ipv4Endpoint& server) {
    if (!socket.Handle().SetNonBlocking()) return kProbeError;
    if (Stopped(g)) return kProbeError;

    // Connect, waiting up to 40 times for the socket to become writable.
    bool connected = false;
    switch (socket.StartConnect(server)) {
        case TcpSocket::ConnectStart::Failed:
            return kProbeError;
        case TcpSocket::ConnectStart::Connected:
            connected = true;
            break;
        case TcpSocket::ConnectStart::InProgress:
            break;
    }
    for (int i = 0; !connected && i < kTcpConnectWaits; ++i) {
        if (Stopped(g)) return kProbeError;
        switch (socket.Handle().WaitWritable(kProbeWaitMs)) {
            case WaitResult::TimedOut:
                continue;
            case WaitResult::Failed:
                return kProbeNoAnswer;
            case WaitResult::Ready:
                break;
        }
        // Writable with an error (a refused or reset attempt) means there is no connection.
        if (socket.ConnectError() != 0) return kProbeNoAnswer;
        connected = true;
    }
    if (!connected) return kProbeNoAnswer;

    // Send the greeting, waiting for writability before each part of it.
    const auto packet = TcpProbePacket();
    std::size_t sent = 0;
    for (int i = 0; sent < packet.size() && i < kTcpSendWaits; ++i) {
        if (Stopped(g)) return kProbeError;
        switch (socket.Handle().WaitWritable(kProbeWaitMs)) {
            case WaitResult::TimedOut:
                continue;
            case WaitResult::Failed:
                return kProbeError;
            case WaitResult::Ready:
                break;
        }
        const IoResult r = socket.Send(std::span(packet).subspan(sent));
        if (r.kind == IoResult::Kind::Failed) return kProbeError;
        sent += r.bytes;
    }
    if (sent < packet.size()) return kProbeNoAnswer;

    // Wait for any answer.
    for (int i = 0; i < kTcpAnswerWaits; ++i) {
        if (Stopped(g)) return kProbeError;
        switch (socket.Handle().WaitReadable(kProbeWaitMs)) {
            case WaitResult::TimedOut:
                continue;
            case WaitResult::Failed:
                return kProbeError;
            case WaitResult::Ready:
                break;
        }
        uint8_t answer[kTcpAnswerRead];
        const IoResult r = socket.Receive(answer);
        if (r.kind == IoResult::Kind::WouldBlock) continue;
        return r.Ok() ? kProbeOpen : kProbeError;  // closed without an answer, or an error
    }
    return kProbeNoAnswer;
}

}  // namespace

std::array<uint8_t, kTcpProbePacketSize> TcpProbePacket() {
    std::array<uint8_t, kTcpProbePacketSize> packet{};
    const uint32_t length = sizeof kGreeting - 1;
    for (int i = 0; i < 4; ++i) packet[4 + i] = static_cast<uint8_t>(length >> (8 * i));
    std::memcpy(packet.data() + kHeaderSize, kGreeting, length);
    return packet;
}

int32_t RunTcpProbe(const GlobalSettings& g) {
    int32_t result = kProbeError;
    const auto server =
        Ipv4Endpoint::ParseDestination(GetText(g.m_FirstDetection.ip), g.m_FirstDetection.tcpPort);
    if (server) {
        if (auto socket = TcpSocket::Open()) result = Probe(g, *socket, *server);
    }
    NLOG_DEBUG("TcpProbe: result " << result);
    return result;
}

}  // namespace nimbrel
