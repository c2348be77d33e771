// The sealed layer as the service sees it: opening a request's `sk`/`biz` with the service's
// private key, and sealing a reply body for a client's public key.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include "ClientKeyBook.h"
#include "Result.h"
#include "service/crypto/Rsa.h"

namespace nimbrel::sim {

struct SealedParts {
    std::string sk;
    std::string biz;
};

class SealedCodec {
  public:
    // The AES key a client's `sk` carries and the payload text its `biz` holds.
    struct Opened {
        std::string aesKey;
        std::string payload;
    };
    static Result<Opened> Open(std::string_view sk, std::string_view biz, const RsaKeyPair& pair);

    // Seals `text` under a fresh 16-character key.
    static Result<SealedParts> Seal(std::string_view text, const ClientKey& client);
    // Seals `text` under `aesKey` (16 characters), for replies that use the key again.
    static Result<SealedParts> SealWithKey(std::string_view text, std::string_view aesKey,
                                           const ClientKey& client);
};

}  // namespace nimbrel::sim
