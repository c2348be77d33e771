#include "service/crypto/RandomText.h"

#include <openssl/rand.h>

#include <stdexcept>

namespace nimbrel {

std::string RandomChars(std::string_view alphabet, std::size_t count) {
    if (alphabet.empty() || alphabet.size() > 256) throw std::invalid_argument("alphabet size");
    // Bytes at or above the largest multiple of the alphabet size are redrawn, so that every
    // character is equally likely.
    const unsigned limit = 256 / alphabet.size() * alphabet.size();
    std::string out;
    out.reserve(count);
    unsigned char pool[64];
    while (out.size() < count) {
        if (RAND_bytes(pool, sizeof pool) != 1) throw std::runtime_error("no random source");
        for (unsigned char b : pool) {
            if (b >= limit) continue;
            out += alphabet[b % alphabet.size()];
            if (out.size() == count) break;
        }
    }
    return out;
}

}  // namespace nimbrel
