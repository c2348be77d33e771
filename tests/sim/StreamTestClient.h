// A bare stream client for the simulated cameras' tests, written from the packet formats and
// independent of the camera code: seals its messages with the DES primitive directly, reads
// packets by their 3-byte start and opens the sealed ones.
// Threading: the test's thread.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/TcpSocket.h"

namespace nimbrel::sim::test {

// The stream key prefix the camera tests run with.
inline constexpr const char* kTestKeyValue = "5a6b";

// Sealed hex of `json` (compact, sorted, one line feed) padded with 1..8 spaces.
std::string SealForTest(const std::string& text, const std::string& keyValue,
                        const std::string& salt);
// A whole sealed packet with the 8-byte header (or 16-byte when `datagramType` is given).
std::string SealedPacket(const Json::Value& message, const std::string& keyValue = kTestKeyValue);
std::string SealedDatagram(int datagramType, const Json::Value& message,
                           const std::string& keyValue = kTestKeyValue);
// Opens a 16-byte-header datagram; nothing when it does not open.
std::optional<Json::Value> OpenDatagram(std::string_view datagram,
                                        const std::string& keyValue = kTestKeyValue);

// The umac the camera tests send unless told otherwise.
inline constexpr const char* kTestUmac = "demo_user,00:11:22:33:44:55";

// The live view's "connect" message.
Json::Value ConnectFor(const std::string& sid, const std::string& linkType,
                       const std::string& protocol = "v2.0", const std::string& umac = kTestUmac);

struct StreamPacket {
    int kind = -1;
    std::string bytes;                   // the whole packet, header included
    std::optional<Json::Value> message;  // an opened FLAG_INTERACTIVE packet

    int Length() const;  // bytes 1..2
    // Little-endian fields of a video fragment header.
    uint32_t U32(std::size_t at) const;
    int S16(std::size_t at) const;
};

class StreamTestClient {
  public:
    explicit StreamTestClient(std::string keyValue = kTestKeyValue) : key_(std::move(keyValue)) {}

    bool Connect(int port, int timeoutMs = 5000);
    bool Send(std::string_view bytes);
    bool SendMessage(const Json::Value& message) { return Send(SealedPacket(message, key_)); }
    // One packet, or nothing on a time-out, a closed connection or a broken read.
    std::optional<StreamPacket> Read(int timeoutMs = 5000);
    // The first sealed message, skipping media; nothing when none comes.
    std::optional<Json::Value> ReadMessage(int timeoutMs = 5000);
    // True when the server closes the connection within the time (data before it is skipped).
    bool WaitClosed(int timeoutMs);
    // connect + reply + startup; the reply, or nothing.
    std::optional<Json::Value> Open(int port, const std::string& sid, const std::string& linkType,
                                    const std::string& umac = kTestUmac);

  private:
    bool ReadExactly(std::string& out, std::size_t count, int timeoutMs);
    std::string key_;
    std::optional<TcpSocket> socket_;
};

}  // namespace nimbrel::sim::test
