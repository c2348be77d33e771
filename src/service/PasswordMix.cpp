#include "service/PasswordMix.h"

#include "service/crypto/Digest.h"

namespace nimbrel {
namespace {

constexpr std::string_view kMixKey = "QxRt7_kLwvNpzdE@@5";
constexpr std::size_t kWoven = 6;       // password bytes woven into the digest text
constexpr std::size_t kMixedHead = 38;  // 16 digest bytes as hex plus the six woven bytes

}  // namespace

std::optional<std::string> PasswordMix(std::string_view password) {
    if (password.size() < kWoven) return std::nullopt;
    const std::string digest = Hmac(DigestKind::Md5, kMixKey, password.substr(0, kWoven));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string mixed;
    mixed.reserve(kMixedOverhead + password.size());
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(digest[i]);
        mixed.push_back(kHex[byte >> 4]);
        mixed.push_back(kHex[byte & 0x0F]);
        if (i < kWoven) mixed.push_back(password[i]);
    }
    mixed.append(password.substr(kWoven));
    return mixed;
}

std::optional<std::string> PasswordUnmix(std::string_view stored) {
    if (stored.size() < kMixedHead) return std::nullopt;
    std::string password;
    for (std::size_t i = 0; i < kWoven; ++i) password.push_back(stored[2 + 3 * i]);
    password.append(stored.substr(kMixedHead));
    return password;
}

bool PasswordMatches(std::string_view typed, std::string_view stored) {
    const auto mixed = PasswordMix(typed);
    return mixed && *mixed == stored;
}

}  // namespace nimbrel
