#include "HandshakeService.h"

#include "SealedCodec.h"
#include "ServiceRouter.h"
#include "ServiceSigning.h"
#include "service/crypto/Aes128.h"
#include "service/crypto/RandomText.h"
#include "text/Base64.h"

namespace nimbrel::sim {
namespace {

bool IsUpperHex(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

bool IsDecimal(const std::string& text) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

HandshakeService::HandshakeService(const ServiceKeys& keys, ClientKeyBook& clients,
                                   std::string status)
    : keys_(keys), clients_(clients), status_(std::move(status)) {}

void HandshakeService::Register(ServiceRouter& router) {
    router.Add("security.do", WrapKind::Handshake, {"cl", "cv", "pv", "pk", "tm", "token"},
               [this](const DecodedRequest& r) { return Handle(r); });
}

std::string HandshakeService::HandshakeKey(const std::string& cl, const std::string& cv,
                                           const std::string& pv) {
    return SignHex(cl + std::string(kPathWord) + cv + pv).substr(0, 16);
}

Result<ServiceReply> HandshakeService::Handle(const DecodedRequest& request) {
    using R = Result<ServiceReply>;
    const PayloadPairs& p = request.payload;
    const std::string cl = p.Get("cl"), cv = p.Get("cv"), pv = p.Get("pv"), tm = p.Get("tm");
    if (!IsDecimal(tm)) return R::Fail("tm is not decimal seconds");

    if (p.Get("token") != SignHex(cv + tm + pv + cl))
        return R::Ok(ServiceReply::Status("ERROR", "token does not sign cv+tm+pv+cl"));

    const auto pkBytes = Base64Decode(p.Get("pk"));
    if (!pkBytes) return R::Fail("pk is not base64");
    const auto keyText = Aes128EcbDecrypt(HandshakeKey(cl, cv, pv), *pkBytes);
    if (!keyText) return R::Fail("pk does not open with the handshake key of this client id");
    const std::size_t colon = keyText->find(':');
    if (colon == std::string::npos) return R::Fail("pk holds no EXP:MOD text");
    const ClientKey client{keyText->substr(0, colon), keyText->substr(colon + 1)};
    if (!IsUpperHex(client.exp) || !IsUpperHex(client.mod))
        return R::Fail("pk is not EXP:MOD in upper-case hex");

    if (status_ != "OK") {
        clients_.Remember(tm, client);
        return R::Ok(ServiceReply::Status(status_, "handshake status set by the scenario"));
    }

    // One fresh AES key seals the body and, inside it, the service's public key.
    const std::string aesKey = RandomChars(kAesKeyAlphabet, 16);
    const auto pubKey = Aes128EcbEncrypt(aesKey, keys_.PublicKeyText());
    if (!pubKey) return R::Fail("cannot encrypt the service key");
    OrderedJson inner = OrderedJson::Object();
    inner.Set("serverBean", OrderedJson::Object()
                                .Set("keyValue", keys_.KeyValue())
                                .Set("pubKey", Base64Encode(*pubKey)));
    auto sealed = SealedCodec::SealWithKey(inner.Dump(), aesKey, client);
    if (!sealed) return R::Fail("pk is not a usable public key: " + sealed.error());

    clients_.Remember(tm, client);
    ServiceReply reply = ServiceReply::Status("OK");
    reply.body.Set("sk", sealed->sk).Set("biz", sealed->biz);
    return R::Ok(std::move(reply));
}

}  // namespace nimbrel::sim
