// The service's own key material for a run: its RSA key pair, whose public half every client
// receives in the handshake, and the one shared 4-character DES key prefix (keyValue). The pair
// can be made anew while the service runs, as a restarted service would have a new one.
// Threading: callable from any thread; the pair is swapped under a lock, and a pair taken
// stays valid for whoever holds it.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "Result.h"
#include "service/crypto/Rsa.h"

namespace nimbrel::sim {

class ServiceKeys {
  public:
    // `keyValue` empty draws a fresh one from "0123456789abcdef".
    static Result<ServiceKeys> Create(std::string_view keyValue);
    ServiceKeys(ServiceKeys&& other) noexcept;

    const std::string& KeyValue() const { return keyValue_; }
    std::shared_ptr<const RsaKeyPair> Pair() const;
    // "EXP:MOD" of the current pair, both upper-case hex of whole bytes.
    std::string PublicKeyText() const;
    // Replaces the pair with a new one: what was sealed for the old one no longer opens.
    bool RenewPair();

  private:
    ServiceKeys(RsaKeyPair pair, std::string keyValue)
        : pair_(std::make_shared<const RsaKeyPair>(std::move(pair))),
          keyValue_(std::move(keyValue)) {}
    mutable std::mutex lock_;
    std::shared_ptr<const RsaKeyPair> pair_;
    std::string keyValue_;
};

}  // namespace nimbrel::sim
