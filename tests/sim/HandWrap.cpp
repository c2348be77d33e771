#include "HandWrap.h"

#include <stdexcept>

#include "service/crypto/Aes128.h"
#include "service/crypto/Des.h"
#include "service/crypto/Digest.h"
#include "service/crypto/Hex.h"
#include "text/Base64.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {

std::string TestSign(const std::string& text) {
    return HexLower(Hmac(DigestKind::Sha1, "r5ebLa2vXo7q@mFe@", text));
}

HandClient HandClient::Make() {
    auto pair = RsaKeyPair::Generate(1024);
    if (!pair) throw std::runtime_error("no key pair");
    return HandClient{*pair};
}

std::string WrapData(const std::string& plain, const std::string& keyChars,
                     const std::string& keyValue) {
    std::string padded = plain;
    do padded += ' ';
    while (padded.size() % 8 != 0);
    return keyChars + HexLower(DesEcbEncrypt(keyValue + keyChars, padded));
}

std::string HandClient::HandshakeData(const std::string& token) const {
    const std::string handshakeKey = TestSign(cl + "velkor" + cv + pv).substr(0, 16);
    const std::string pk =
        Base64Encode(*Aes128EcbEncrypt(handshakeKey, pair.ExponentHex() + ":" + pair.ModulusHex()));
    const std::string signature = token.empty() ? TestSign(cv + tm + pv + cl) : token;
    const std::string plain =
        "cl:" + cl + "&cv:" + cv + "&pv:" + pv + "&pk:" + pk + "&tm:" + tm + "&token:" + signature;
    return WrapData(plain, "0f1e2d3c");
}

std::string HandClient::SealedData(const std::string& payload, const std::string& serviceExp,
                                   const std::string& serviceMod,
                                   const std::string& keyValue) const {
    const std::string aesKey = "Abcdefgh12345678";
    const std::string biz = Base64Encode(*Aes128EcbEncrypt(aesKey, payload));
    const std::string sk = Base64Encode(*RsaPublicEncrypt(serviceExp, serviceMod, aesKey));
    const std::string plain =
        "biz:" + biz + "&cl:" + cl + "&cv:" + cv + "&pv:" + pv + "&sk:" + sk + "&tm:" + tm;
    return WrapData(plain, "9a8b", keyValue);
}

std::optional<std::string> OpenReply(const std::string& body, const std::string& keyValue) {
    const std::size_t keyLen = keyValue.empty() ? 8 : 4;
    if (body.size() < keyLen) return std::nullopt;
    const auto bytes = HexDecode(body.substr(keyLen));
    if (!bytes) return std::nullopt;
    return DesEcbDecrypt(keyValue + body.substr(0, keyLen), *bytes);
}

std::optional<Json::Value> ReplyJson(const std::string& body, const std::string& keyValue) {
    const auto plain = OpenReply(body, keyValue);
    if (!plain) return std::nullopt;
    return ParseJsonObject(*plain);
}

std::optional<Json::Value> OpenSealedBody(const Json::Value& reply, const RsaKeyPair& pair,
                                          std::string* aesKey) {
    const auto sk = Base64Decode(reply["sk"].asString());
    const auto biz = Base64Decode(reply["biz"].asString());
    if (!sk || !biz) return std::nullopt;
    const auto key = pair.PrivateDecrypt(*sk);
    if (!key) return std::nullopt;
    const auto text = Aes128EcbDecrypt(*key, *biz);
    if (!text) return std::nullopt;
    if (aesKey) *aesKey = *key;
    return ParseJsonObject(*text);
}

}  // namespace nimbrel::sim::test
