#include "StreamTestClient.h"

#include <chrono>

#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

std::string Le16(std::size_t v) {
    return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
}

}  // namespace

std::string SealForTest(const std::string& text, const std::string& keyValue,
                        const std::string& salt) {
    std::string padded = text;
    do padded += ' ';
    while (padded.size() % 8 != 0);
    return HexLower(DesEcbEncrypt(keyValue + salt, padded));
}

std::string SealedPacket(const Json::Value& message, const std::string& keyValue) {
    const std::string salt = "c0de";
    const std::string hex = SealForTest(CompactJson(message), keyValue, salt);
    return std::string("\x32") + Le16(hex.size()) + salt + std::string(1, '\0') + hex;
}

std::string SealedDatagram(int type, const Json::Value& message, const std::string& keyValue) {
    const std::string salt = "beef";
    const std::string hex = SealForTest(CompactJson(message), keyValue, salt);
    return std::string(1, static_cast<char>(type)) + Le16(hex.size()) + std::string(9, '\0') +
           salt + hex;
}

std::optional<Json::Value> OpenDatagram(std::string_view d, const std::string& keyValue) {
    if (d.size() < 16) return std::nullopt;
    const std::size_t length = static_cast<uint8_t>(d[1]) | (static_cast<uint8_t>(d[2]) << 8);
    if (16 + length > d.size()) return std::nullopt;
    const auto bytes = HexDecode(d.substr(16, length));
    if (!bytes) return std::nullopt;
    return ParseJsonObject(DesEcbDecrypt(keyValue + std::string(d.substr(12, 4)), *bytes));
}

Json::Value ConnectFor(const std::string& sid, const std::string& linkType,
                       const std::string& protocol, const std::string& umac) {
    Json::Value m(Json::objectValue);
    m["type"] = "connect";
    m["identity"] = "client";
    m["umac"] = umac;
    m["sid"] = sid;
    m["netType"] = "4";
    m["link-type"] = linkType;
    m["video-playback"] = "0";
    m["protocol"] = protocol;
    return m;
}

int StreamPacket::Length() const {
    return static_cast<uint8_t>(bytes[1]) | (static_cast<uint8_t>(bytes[2]) << 8);
}

uint32_t StreamPacket::U32(std::size_t at) const {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

int StreamPacket::S16(std::size_t at) const {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[at]) |
                                (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

bool StreamTestClient::Connect(int port, int timeoutMs) {
    socket_ = TcpSocket::Open();
    const auto peer = Ipv4Endpoint::Parse("127.0.0.1", port);
    return socket_ && peer && socket_->ConnectWithin(*peer, timeoutMs);
}

bool StreamTestClient::Send(std::string_view bytes) {
    return socket_ &&
           socket_->SendAll(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                     bytes.size()),
                            5000);
}

bool StreamTestClient::ReadExactly(std::string& out, std::size_t count, int timeoutMs) {
    const std::size_t start = out.size();
    out.resize(start + count);
    return socket_->ReceiveAll(
        std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()) + start, count), timeoutMs);
}

std::optional<StreamPacket> StreamTestClient::Read(int timeoutMs) {
    if (!socket_) return std::nullopt;
    StreamPacket p;
    if (!ReadExactly(p.bytes, 3, timeoutMs)) return std::nullopt;
    p.kind = static_cast<uint8_t>(p.bytes[0]);
    const std::size_t length = static_cast<std::size_t>(p.Length());
    std::size_t rest = 0;
    switch (p.kind) {
        case 0x32:
            rest = length + 5;
            break;
        case 0x46:
            rest = length + 22;
            break;
        case 0x5A:
        case 0x5B:
            rest = length + 8;
            break;
        default:
            return p;  // unknown kind: the header is all a client reads
    }
    if (!ReadExactly(p.bytes, rest, timeoutMs)) return std::nullopt;
    if (p.kind == 0x32) {
        const auto bytes = HexDecode(std::string_view(p.bytes).substr(8, length));
        if (bytes) p.message = ParseJsonObject(DesEcbDecrypt(key_ + p.bytes.substr(3, 4), *bytes));
    }
    return p;
}

std::optional<Json::Value> StreamTestClient::ReadMessage(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        auto p = Read(timeoutMs);
        if (!p) return std::nullopt;
        if (p->kind == 0x32) return p->message;
    }
    return std::nullopt;
}

bool StreamTestClient::WaitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        if (socket_->Handle().WaitReadable(100) != WaitResult::Ready) continue;
        const IoResult r = socket_->Receive(buffer);
        if (r.kind == IoResult::Kind::Closed || r.kind == IoResult::Kind::Failed) return true;
    }
    return false;
}

std::optional<Json::Value> StreamTestClient::Open(int port, const std::string& sid,
                                                  const std::string& linkType,
                                                  const std::string& umac) {
    if (!Connect(port) || !SendMessage(ConnectFor(sid, linkType, "v2.0", umac)))
        return std::nullopt;
    auto reply = ReadMessage();
    if (!reply) return std::nullopt;
    Json::Value startup(Json::objectValue);
    startup["type"] = "startup";
    if (!SendMessage(startup)) return std::nullopt;
    return reply;
}

}  // namespace nimbrel::sim::test
