#include "live/StreamCipher.h"

#include <cstring>

#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "service/crypto/RandomText.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

struct Layout {
    std::size_t header;      // 8 or 16
    std::size_t saltOffset;  // 3 or 12
};
constexpr Layout kPacket{8, 3};
constexpr Layout kDatagram{16, 12};

std::string StreamDesKey(std::string_view streamKey, std::string_view salt) {
    std::string key(streamKey.substr(0, 4));
    key.resize(4, '\0');
    return key + std::string(salt);
}

bool Wrap(std::string_view streamKey, const Json::Value& message, std::string& out, uint8_t first,
          const Layout& layout) {
    std::string text = CompactJson(message);
    text.append(8 - text.size() % 8, ' ');
    const std::string salt = RandomChars(kHexAlphabet, 4);
    const std::string hex = HexLower(DesEcbEncrypt(StreamDesKey(streamKey, salt), text));
    if (hex.size() > kMaxSealedHex) return false;

    out.assign(layout.header, '\0');
    out[0] = static_cast<char>(first);
    out[1] = static_cast<char>(hex.size() & 0xFF);
    out[2] = static_cast<char>(hex.size() >> 8);
    std::memcpy(out.data() + layout.saltOffset, salt.data(), 4);
    out += hex;
    return true;
}

std::optional<std::string> Unwrap(std::string_view streamKey, std::string_view in,
                                  const Layout& layout) {
    if (in.size() < layout.header) return std::nullopt;
    const auto length = static_cast<int16_t>(static_cast<uint8_t>(in[1]) |
                                             static_cast<uint8_t>(in[2]) << 8);
    if (length <= 0 || static_cast<std::size_t>(length) > kMaxSealedHex) return std::nullopt;
    if (in.size() < layout.header + static_cast<std::size_t>(length)) return std::nullopt;
    const auto cipher = HexDecode(in.substr(layout.header, static_cast<std::size_t>(length)));
    if (!cipher) return std::nullopt;
    const std::string_view salt = in.substr(layout.saltOffset, 4);
    std::string plain = DesEcbDecrypt(StreamDesKey(streamKey, salt), *cipher);
    if (const auto nul = plain.find('\0'); nul != std::string::npos) plain.resize(nul);
    return plain;
}

}  // namespace

bool StreamWrap(std::string_view streamKey, const Json::Value& message, std::string& packet,
                uint8_t kind) {
    return Wrap(streamKey, message, packet, kind, kPacket);
}

bool StreamWrap16(std::string_view streamKey, const Json::Value& message, std::string& datagram,
                  uint8_t type) {
    return Wrap(streamKey, message, datagram, type, kDatagram);
}

std::optional<std::string> StreamUnwrap(std::string_view streamKey, std::string_view packet) {
    return Unwrap(streamKey, packet, kPacket);
}

std::optional<std::string> StreamUnwrap16(std::string_view streamKey, std::string_view datagram) {
    return Unwrap(streamKey, datagram, kDatagram);
}

}  // namespace nimbrel
