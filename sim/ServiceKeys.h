// The service's own key material for a run: its RSA key pair, whose public half every client
// receives in the handshake, and the one shared 4-character DES key prefix (keyValue).
// Threading: immutable after Create; callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include "Result.h"
#include "service/crypto/Rsa.h"

namespace nimbrel::sim {

class ServiceKeys {
  public:
    // `keyValue` empty draws a fresh one from "0123456789abcdef".
    static Result<ServiceKeys> Create(std::string_view keyValue);

    const std::string& KeyValue() const { return keyValue_; }
    const RsaKeyPair& Pair() const { return pair_; }
    // "EXP:MOD", both upper-case hex of whole bytes.
    std::string PublicKeyText() const;

  private:
    ServiceKeys(RsaKeyPair pair, std::string keyValue)
        : pair_(std::move(pair)), keyValue_(std::move(keyValue)) {}
    RsaKeyPair pair_;
    std::string keyValue_;
};

}  // namespace nimbrel::sim
