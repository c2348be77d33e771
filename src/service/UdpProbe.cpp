#include "service/UdpProbe.h"

#include <strings.h>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/UdpSocket.h"
#include "service/ProbeDatagram.h"

namespace nimbrel {
namespace {

// One step: up to ten tries, each a request and one wait for an answer of the same type.
class ProbeExchange {
  public:
    ProbeExchange(UdpSocket& socket, const std::atomic<int32_t>& stop)
        : socket_(socket), stop_(stop) {}

    enum class Outcome { Answered, NoAnswer, Failed };

    Outcome Ask(const Ipv4Endpoint& server, uint8_t type, ProbeAnswer& answer) {
        const auto request = ProbeRequest(type);
        for (int attempt = 0; attempt < kUdpProbeTries; ++attempt) {
            if (stop_.load() != 0) return Outcome::Failed;
            if (!socket_.SendTo(server, request).Ok()) return Outcome::Failed;
            switch (socket_.Handle().WaitReadable(kProbeWaitMs)) {
                case WaitResult::Failed:
                    return Outcome::Failed;
                case WaitResult::TimedOut:
                    continue;  // the try is used up
                case WaitResult::Ready:
                    break;
            }
            uint8_t buffer[kProbeDatagramSize] = {};
            const auto got = socket_.ReceiveFrom(buffer);
            if (got.io.kind == IoResult::Kind::Failed) return Outcome::Failed;
            if (!got.io.Ok()) continue;
            // A short or unterminated datagram, or one of another type, uses up the try.
            auto parsed = ParseProbeAnswer(std::span<const uint8_t>(buffer, got.io.bytes));
            if (!parsed || parsed->type != type) {
                NLOG_TRACE("UdpProbe: discarded a datagram while waiting for type " << int(type));
                continue;
            }
            answer = std::move(*parsed);
            return Outcome::Answered;
        }
        return Outcome::NoAnswer;
    }

  private:
    UdpSocket& socket_;
    const std::atomic<int32_t>& stop_;
};

int32_t Classify(const GlobalSettings& g, UdpSocket& socket) {
    using Outcome = ProbeExchange::Outcome;
    if (!socket.Handle().SetNonBlocking()) return kProbeError;
    const auto local = Ipv4Endpoint::Parse(GetText(g.m_LocalIp), kUdpProbePort);
    if (!local || !socket.Bind(*local)) return kProbeError;
    const auto bound = socket.Handle().LocalEndpoint();
    const auto first =
        Ipv4Endpoint::ParseDestination(GetText(g.m_FirstDetection.ip), g.m_FirstDetection.udpPort);
    if (!bound || !first) return kProbeError;

    ProbeExchange exchange(socket, g.m_StopProbes);
    ProbeAnswer seen, answer;

    // Step 1: what does the first server see?
    switch (exchange.Ask(*first, 1, seen)) {
        case Outcome::Failed:
            return kProbeError;
        case Outcome::NoAnswer:
            return kProbeNoAnswer;
        case Outcome::Answered:
            break;
    }
    const std::string localIp(GetText(g.m_LocalIp));
    if (seen.port == bound->port && strcasecmp(seen.address.c_str(), localIp.c_str()) == 0)
        return kProbeOpen;

    // Step 2: does an answer sent from elsewhere reach us?
    switch (exchange.Ask(*first, 11, answer)) {
        case Outcome::Failed:
            return kProbeError;
        case Outcome::Answered:
            return kProbeOpen;
        case Outcome::NoAnswer:
            break;
    }

    // Step 3: does the second server see the same mapping?
    const auto second = Ipv4Endpoint::ParseDestination(GetText(g.m_SecondDetection.ip),
                                                       g.m_SecondDetection.udpPort);
    if (!second) return kProbeError;
    switch (exchange.Ask(*second, 41, answer)) {
        case Outcome::Failed:
            return kProbeError;
        case Outcome::NoAnswer:
            return kProbeNoAnswer;
        case Outcome::Answered:
            break;
    }
    if (answer.port != seen.port || !SameIpv4Number(answer.address, seen.address))
        return kProbeSymmetric;

    // Step 4: does an answer from another port of the first server reach us?
    switch (exchange.Ask(*first, 21, answer)) {
        case Outcome::Failed:
            return kProbeError;
        case Outcome::Answered:
            return kProbeRestricted;
        case Outcome::NoAnswer:
            break;
    }

    // Step 5: does an answer from the very socket we asked reach us?
    switch (exchange.Ask(*first, 31, answer)) {
        case Outcome::Failed:
            return kProbeError;
        case Outcome::Answered:
            return kProbePortRestricted;
        case Outcome::NoAnswer:
            return kProbeNoAnswer;
    }
    return kProbeNoAnswer;
}

}  // namespace

int32_t RunUdpProbe(const GlobalSettings& g) {
    int32_t result = kProbeError;
    if (auto socket = UdpSocket::Open()) result = Classify(g, *socket);
    // The socket is closed by now, so port 9467 is free again when the result is published.
    NLOG_DEBUG("UdpProbe: result " << result);
    return result;
}

}  // namespace nimbrel
