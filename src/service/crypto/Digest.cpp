#include "service/crypto/Digest.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "service/crypto/Hex.h"

namespace nimbrel {
namespace {

const EVP_MD* Md(DigestKind kind) { return kind == DigestKind::Md5 ? EVP_md5() : EVP_sha1(); }

}  // namespace

std::string Md5Hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr);
    return HexLower(std::string_view(reinterpret_cast<char*>(digest), len));
}

std::string Hmac(DigestKind kind, std::string_view key, std::string_view data) {
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    HMAC(Md(kind), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(data.data()), data.size(), mac, &len);
    return std::string(reinterpret_cast<char*>(mac), len);
}

}  // namespace nimbrel
