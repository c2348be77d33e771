// One round of listening to a client on a stream connection: what it sent within a wait, cut
// into packets and handed over one by one.
// Threading: the connection's thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "camera/ClientPacketReader.h"
#include "camera/StreamLink.h"

namespace nimbrel::sim {

// Receives for at most `waitMs` and hands each whole packet to `onPacket`. Returns why the
// session must end, or nothing while it goes on. When `onPacket` returns false the session ends
// for a reason it has logged itself, and the returned reason is empty.
std::optional<std::string> ReceiveClientPackets(
    StreamLink& link, ClientPacketReader& reader, int waitMs,
    const std::function<bool(const ClientPacketReader::Packet&)>& onPacket);

}  // namespace nimbrel::sim
