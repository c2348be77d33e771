// The opening of a stream, shared by live views and playbacks: the sealed "connect" message (a
// playback's names the recorded hour), the wait for the camera's reply past the media sent
// before it, and sealed messages sent on the stream.
// Threading: called on the thread that opens the stream; sends may come from any thread that
// holds the transport (the transport serialises them).
#pragma once

#include <json/value.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "live/StreamPacket.h"
#include "live/StreamTransport.h"

namespace nimbrel {

struct ConnectRequest {
    std::string sid;
    std::string umac;  // "user,MAC"
    int linkType = 0;  // the reachability case the stream was opened by
    std::string protocol;
    std::string playbackDate;  // "20140315-08" for a playback; empty for a live view
};

// The "connect" message of `request`.
Json::Value ConnectMessage(const ConnectRequest& request);

// Seals `message` with the stream key and sends it; false when it could not be sent.
bool SendStreamMessage(StreamTransport& transport, std::string_view streamKey,
                       const Json::Value& message, const std::atomic<bool>& stop);

// Reads packets with `reader` until the camera's sealed reply and returns it when its type is
// "connect". Media before the reply is dropped: any kind for a live view; for a playback only
// video and AAC, any other packet failing the start. What arrived after the reply stays in
// `reader` for the reading loop.
std::optional<Json::Value> ReadConnectReply(StreamTransport& transport, PacketReader& reader,
                                            std::string_view streamKey, bool playback,
                                            const std::atomic<bool>& stop,
                                            std::atomic<uint64_t>* received = nullptr);

}  // namespace nimbrel
