// OpenSSL 3 keeps DES in its legacy provider for EVP; the low-level block functions work without
// loading it, so they are used here.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "service/crypto/Des.h"

#include <openssl/des.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace nimbrel {
namespace {

std::string Run(std::string_view key, std::string_view data, int direction) {
    if (key.size() != 8) throw std::invalid_argument("DES key must be 8 bytes");
    DES_cblock keyBlock;
    std::memcpy(keyBlock, key.data(), 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);

    std::string out((data.size() + 7) / 8 * 8, '\0');
    for (std::size_t i = 0; i < out.size(); i += 8) {
        DES_cblock in = {};
        std::memcpy(in, data.data() + i, std::min<std::size_t>(8, data.size() - i));
        DES_cblock result;
        DES_ecb_encrypt(&in, &result, &schedule, direction);
        std::memcpy(out.data() + i, result, 8);
    }
    return out;
}

}  // namespace

std::string DesEcbEncrypt(std::string_view key, std::string_view data) {
    return Run(key, data, DES_ENCRYPT);
}

std::string DesEcbDecrypt(std::string_view key, std::string_view data) {
    return Run(key, data, DES_DECRYPT);
}

}  // namespace nimbrel
