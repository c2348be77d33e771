#include "ServiceSigning.h"

#include "service/crypto/Digest.h"
#include "service/crypto/Hex.h"

namespace nimbrel::sim {
namespace {

int UpperHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string SignHex(std::string_view text) {
    return HexLower(Hmac(DigestKind::Sha1, kSignKey, text));
}

std::string Md5HexOf(std::string_view text) {
    return Md5Hex(text);
}

bool DecodeAllPercent(std::string_view text, std::string& out) {
    out.clear();
    if (text.size() % 3 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        if (text[i] != '%') return false;
        const int hi = UpperHexValue(text[i + 1]);
        const int lo = UpperHexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

}  // namespace nimbrel::sim
