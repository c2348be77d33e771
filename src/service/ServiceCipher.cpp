#include "service/ServiceCipher.h"

#include "platform/FixedText.h"
#include "service/crypto/Des.h"
#include "service/crypto/Digest.h"
#include "service/crypto/Hex.h"
#include "service/crypto/RandomText.h"

namespace nimbrel {
namespace {

void PadToBlocks(std::string& payload) {
    payload.append(8 - payload.size() % 8, ' ');
}

// The 4-byte key prefix as the fixed buffer holds it: a shorter key leaves NUL bytes. A session
// recovery may renew it meanwhile.
std::string KeyPrefix(const GlobalSettings& g) {
    std::shared_lock guard(g.m_SessionLock);
    return std::string(g.m_KeyValue, 4);
}

std::string_view TrimTrailingSpace(std::string_view s) {
    while (!s.empty() &&
           (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::string> Unwrap(std::string_view key, std::string_view hex) {
    auto cipher = HexDecode(hex);
    if (!cipher) return std::nullopt;
    return DesEcbDecrypt(key, *cipher);
}

}  // namespace

std::string HmacSha1Hex(const GlobalSettings& g, std::string_view text) {
    return HexLower(Hmac(DigestKind::Sha1, GetText(g.m_SignKey), text));
}

std::string DesWrap(const GlobalSettings& g, std::string& payload) {
    PadToBlocks(payload);
    const std::string drawn = RandomChars(kHexAlphabet, 4);
    return drawn + HexLower(DesEcbEncrypt(KeyPrefix(g) + drawn, payload));
}

std::string DesWrap8(std::string& payload) {
    PadToBlocks(payload);
    const std::string key = RandomChars(kHexAlphabet, 8);
    return key + HexLower(DesEcbEncrypt(key, payload));
}

std::optional<std::string> DesUnwrap(const GlobalSettings& g, std::string_view reply) {
    reply = TrimTrailingSpace(reply);
    if (reply.size() < 5) return std::nullopt;
    return Unwrap(KeyPrefix(g) + std::string(reply.substr(0, 4)), reply.substr(4));
}

std::optional<std::string> DesUnwrap8(std::string_view reply) {
    reply = TrimTrailingSpace(reply);
    if (reply.size() < 9) return std::nullopt;
    return Unwrap(reply.substr(0, 8), reply.substr(8));
}

}  // namespace nimbrel
