#include "DesEnvelope.h"

#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "service/crypto/RandomText.h"

namespace nimbrel::sim {
namespace {

constexpr std::size_t kDesBlock = 8;
constexpr std::size_t kMaxPadding = 8;

bool IsLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

Result<std::string> DesEnvelope::Open(std::string_view keyChars, std::string_view hex,
                                      std::string_view keyValue) {
    if (hex.empty()) return Result<std::string>::Fail("no cipher text");
    if (hex.size() % (2 * kDesBlock) != 0)
        return Result<std::string>::Fail("cipher text of " + std::to_string(hex.size()) +
                                         " hex digits is not whole DES blocks");
    for (char c : hex)
        if (!IsLowerHex(c)) return Result<std::string>::Fail("cipher text is not lower-case hex");
    const std::string key = std::string(keyValue) + std::string(keyChars);
    if (key.size() != kDesBlock) return Result<std::string>::Fail("DES key is not 8 characters");
    const auto bytes = HexDecode(hex);
    if (!bytes) return Result<std::string>::Fail("cipher text is not hex");
    std::string plain = DesEcbDecrypt(key, *bytes);

    // The sender pads with 1 to 8 spaces; anything else means a wrong key or a wrong padding.
    if (plain.find('\0') != std::string::npos)
        return Result<std::string>::Fail("plain text holds NUL bytes (wrong key or padding)");
    if (plain.back() != ' ') return Result<std::string>::Fail("plain text is not space padded");
    std::size_t padding = 0;
    while (padding < kMaxPadding && !plain.empty() && plain.back() == ' ') {
        plain.pop_back();
        ++padding;
    }
    return Result<std::string>::Ok(std::move(plain));
}

Result<std::string> DesEnvelope::OpenShort(std::string_view data, std::string_view keyValue) {
    if (keyValue.size() != 4) return Result<std::string>::Fail("no shared key value yet");
    if (data.size() > kMaxDataLength) return Result<std::string>::Fail("data text too long");
    if (data.size() < 4) return Result<std::string>::Fail("data text shorter than its key");
    return Open(data.substr(0, 4), data.substr(4), keyValue);
}

Result<std::string> DesEnvelope::OpenLong(std::string_view data) {
    if (data.size() > kMaxDataLength) return Result<std::string>::Fail("data text too long");
    if (data.size() < 8) return Result<std::string>::Fail("data text shorter than its key");
    return Open(data.substr(0, 8), data.substr(8), {});
}

std::string DesEnvelope::WrapWithKey(std::string_view body, std::string_view keyChars,
                                     std::string_view keyValue) {
    std::string padded(body);
    do {
        padded += ' ';
    } while (padded.size() % kDesBlock != 0);
    const std::string key = std::string(keyValue) + std::string(keyChars);
    return std::string(keyChars) + HexLower(DesEcbEncrypt(key, padded));
}

std::string DesEnvelope::WrapShort(std::string_view body, std::string_view keyValue) {
    return WrapWithKey(body, RandomChars(kHexAlphabet, 4), keyValue);
}

std::string DesEnvelope::WrapLong(std::string_view body) {
    return WrapWithKey(body, RandomChars(kHexAlphabet, 8), {});
}

}  // namespace nimbrel::sim
