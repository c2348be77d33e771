// Requests wrapped by hand with the crypto primitives, and replies opened the same way, so
// the simulator's service side is tested against the formats themselves.
// Threading: test thread only.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>

#include "service/crypto/Rsa.h"

namespace nimbrel::sim::test {

// A test client: its own key pair and the values its handshake sends.
struct HandClient {
    RsaKeyPair pair;
    std::string cl = "pc", cv = "2.0", pv = "2.0";
    std::string tm = "1700000000";

    static HandClient Make();
    // The `data` text of security.do; `token` empty computes the correct one.
    std::string HandshakeData(const std::string& token = "") const;
    // `payload` sealed for the service key (exp, mod hex) under `keyValue` + 4 key characters.
    std::string SealedData(const std::string& payload, const std::string& serviceExp,
                           const std::string& serviceMod, const std::string& keyValue) const;
};

// DES-ECB of `plain` padded with 1..8 spaces, as "keyChars + lower hex".
std::string WrapData(const std::string& plain, const std::string& keyChars,
                     const std::string& keyValue = "");
// Opens a reply in the 8-character form (keyValue empty) or the keyValue form.
std::optional<std::string> OpenReply(const std::string& body, const std::string& keyValue = "");
// Opens a reply and parses its JSON object.
std::optional<Json::Value> ReplyJson(const std::string& body, const std::string& keyValue = "");
// Opens the sk/biz members of a reply object with the client's private key.
std::optional<Json::Value> OpenSealedBody(const Json::Value& reply, const RsaKeyPair& pair,
                                          std::string* aesKey = nullptr);

// HMAC-SHA1 hex under the service's sign key, computed independently of the simulator.
std::string TestSign(const std::string& text);

}  // namespace nimbrel::sim::test
