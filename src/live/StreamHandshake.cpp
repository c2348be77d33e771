#include "live/StreamHandshake.h"

#include "live/StreamCipher.h"
#include "live/StreamPacket.h"
#include "text/JsonText.h"

namespace nimbrel {

Json::Value ConnectMessage(const ConnectRequest& request) {
    Json::Value connect(Json::objectValue);
    connect["type"] = "connect";
    connect["identity"] = "client";
    connect["umac"] = request.umac;
    connect["sid"] = request.sid;
    connect["netType"] = "4";
    connect["link-type"] = std::to_string(request.linkType);
    const bool playback = !request.playbackDate.empty();
    connect["video-playback"] = playback ? "1" : "0";
    if (playback) connect["request-date"] = request.playbackDate;
    connect["protocol"] = request.protocol;
    return connect;
}

bool SendStreamMessage(StreamTransport& transport, std::string_view streamKey,
                       const Json::Value& message, const std::atomic<bool>& stop) {
    std::string packet;
    if (!StreamWrap(streamKey, message, packet)) return false;
    const auto r =
        transport.SendAll(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(), stop);
    return r == TransferResult::Done || r == TransferResult::Stopped;
}

std::optional<Json::Value> ReadConnectReply(StreamTransport& transport, PacketReader& reader,
                                            std::string_view streamKey, bool playback,
                                            const std::atomic<bool>& stop,
                                            std::atomic<uint64_t>* received) {
    Packet packet;
    for (;;) {
        if (reader.Read(transport, stop, packet, received) != ReadResult::Ok) return std::nullopt;
        if (packet.kind == kPacketInteractive) break;
        if (playback && packet.kind != kPacketVideo && packet.kind != kPacketAac)
            return std::nullopt;
    }
    const auto text = StreamUnwrap(
        streamKey, {reinterpret_cast<const char*>(packet.bytes.data()), packet.bytes.size()});
    auto reply = text ? ParseJsonObject(*text) : std::nullopt;
    if (!reply || StringMember(*reply, "type") != "connect") return std::nullopt;
    return reply;
}

}  // namespace nimbrel
