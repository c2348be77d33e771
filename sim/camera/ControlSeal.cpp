#include "camera/ControlSeal.h"

#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "service/crypto/RandomText.h"
#include "text/JsonText.h"

namespace nimbrel::sim {
namespace {

std::string Key(std::string_view keyValue, std::string_view salt) {
    return std::string(keyValue) + std::string(salt);
}

std::string FreshSalt(std::string_view salt) {
    return salt.empty() ? RandomChars(kHexAlphabet, 4) : std::string(salt);
}

void PutLength(std::string& out, std::size_t at, std::size_t length) {
    out[at] = static_cast<char>(length & 0xff);
    out[at + 1] = static_cast<char>((length >> 8) & 0xff);
}

}  // namespace

std::string ControlSeal::SealText(std::string_view text, std::string_view keyValue,
                                  std::string_view salt) {
    std::string padded(text);
    // One to eight spaces: a text that already fills whole blocks still gets a block more.
    const std::size_t pad = 8 - padded.size() % 8;
    padded.append(pad, ' ');
    return HexLower(DesEcbEncrypt(Key(keyValue, salt), padded));
}

std::string ControlSeal::Packet(const Json::Value& message, std::string_view keyValue,
                                std::string_view salt) {
    const std::string s = FreshSalt(salt);
    const std::string hex = SealText(CompactJson(message), keyValue, s);
    std::string out(kPacketHeader, '\0');
    out[0] = static_cast<char>(kInteractive);
    PutLength(out, 1, hex.size());
    out.replace(3, 4, s);
    return out + hex;
}

std::string ControlSeal::Datagram(uint8_t type, const Json::Value& message,
                                  std::string_view keyValue, std::string_view salt) {
    const std::string s = FreshSalt(salt);
    const std::string hex = SealText(CompactJson(message), keyValue, s);
    std::string out(kDatagramHeader, '\0');
    out[0] = static_cast<char>(type);
    PutLength(out, 1, hex.size());
    out.replace(12, 4, s);
    return out + hex;
}

Result<Json::Value> ControlSeal::Open(std::string_view hex, std::string_view keyValue,
                                      std::string_view salt) {
    using R = Result<Json::Value>;
    if (hex.empty() || hex.size() % 16 != 0)
        return R::Fail("sealed text of " + std::to_string(hex.size()) +
                       " hex characters is not whole DES blocks");
    const auto bytes = HexDecode(hex);
    if (!bytes) return R::Fail("sealed text is not hex");
    const std::string plain = DesEcbDecrypt(Key(keyValue, salt), *bytes);
    auto object = ParseJsonObject(plain);
    if (!object) return R::Fail("sealed text does not open to a JSON object");
    return R::Ok(std::move(*object));
}

Result<Json::Value> ControlSeal::OpenDatagram(std::string_view datagram,
                                              std::string_view keyValue) {
    using R = Result<Json::Value>;
    if (datagram.size() < kDatagramHeader) return R::Fail("datagram shorter than its header");
    const auto b = [&](std::size_t i) { return static_cast<uint8_t>(datagram[i]); };
    const std::size_t length = b(1) | (b(2) << 8);
    if (length == 0 || length > kMaxHex || kDatagramHeader + length > datagram.size())
        return R::Fail("datagram length field " + std::to_string(length) + " does not fit its " +
                       std::to_string(datagram.size()) + " bytes");
    return Open(datagram.substr(kDatagramHeader, length), keyValue, datagram.substr(12, 4));
}

}  // namespace nimbrel::sim
