#include "camera/ClientReceive.h"

#include <cstdint>

namespace nimbrel::sim {

std::optional<std::string> ReceiveClientPackets(
    StreamLink& link, ClientPacketReader& reader, int waitMs,
    const std::function<bool(const ClientPacketReader::Packet&)>& onPacket) {
    uint8_t buffer[4096];
    std::size_t got = 0;
    switch (link.ReceiveSome(buffer, waitMs, got)) {
        case StreamLink::Receive::TimedOut:
            return std::nullopt;
        case StreamLink::Receive::Closed:
            return "the client closed the connection";
        case StreamLink::Receive::Failed:
            return "a receive from the client failed";
        case StreamLink::Receive::Data:
            break;
    }
    reader.Feed(std::span<const uint8_t>(buffer, got));
    while (auto packet = reader.Next())
        if (!onPacket(*packet)) return std::string();
    if (!reader.Error().empty()) return "broken stream from the client: " + reader.Error();
    return std::nullopt;
}

}  // namespace nimbrel::sim
