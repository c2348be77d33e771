#include "service/crypto/Hex.h"

namespace nimbrel {
namespace {

std::string Encode(std::string_view bytes, const char* digits) {
    std::string out;
    out.resize(bytes.size() * 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        out[2 * i] = digits[b >> 4];
        out[2 * i + 1] = digits[b & 0x0F];
    }
    return out;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string HexLower(std::string_view bytes) { return Encode(bytes, "0123456789abcdef"); }
std::string HexUpper(std::string_view bytes) { return Encode(bytes, "0123456789ABCDEF"); }

std::optional<std::string> HexDecode(std::string_view hex) {
    std::string out;
    out.reserve(hex.size() / 2 + 1);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = DigitValue(hex[i]);
        if (hi < 0) return std::nullopt;
        if (i + 1 == hex.size()) {
            out.push_back(static_cast<char>(hi));
            break;
        }
        const int lo = DigitValue(hex[i + 1]);
        if (lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi << 4 | lo));
    }
    return out;
}

}  // namespace nimbrel
