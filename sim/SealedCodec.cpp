#include "SealedCodec.h"

#include "service/crypto/Aes128.h"
#include "service/crypto/RandomText.h"
#include "text/Base64.h"

namespace nimbrel::sim {
namespace {

constexpr std::size_t kAesKeyLength = 16;
// The client's `biz` buffer holds 1,023 characters; a longer one cannot come from it.
constexpr std::size_t kMaxBiz = 64 * 1024;

}  // namespace

Result<SealedCodec::Opened> SealedCodec::Open(std::string_view sk, std::string_view biz,
                                              const RsaKeyPair& pair) {
    using R = Result<Opened>;
    const auto skBytes = Base64Decode(sk);
    if (!skBytes) return R::Fail("sk is not base64");
    auto key = pair.PrivateDecrypt(*skBytes);
    if (!key) return R::Fail("sk does not open with the service key");
    if (key->size() != kAesKeyLength)
        return R::Fail("sk holds a key of " + std::to_string(key->size()) + " bytes, not 16");
    if (biz.size() > kMaxBiz) return R::Fail("biz too long");
    const auto bizBytes = Base64Decode(biz);
    if (!bizBytes) return R::Fail("biz is not base64");
    auto payload = Aes128EcbDecrypt(*key, *bizBytes);
    if (!payload) return R::Fail("biz does not open with the key of sk");
    return R::Ok(Opened{std::move(*key), std::move(*payload)});
}

Result<SealedParts> SealedCodec::SealWithKey(std::string_view text, std::string_view aesKey,
                                             const ClientKey& client) {
    using R = Result<SealedParts>;
    const auto biz = Aes128EcbEncrypt(aesKey, text);
    if (!biz) return R::Fail("cannot encrypt the reply body");
    const auto sk = RsaPublicEncrypt(client.exp, client.mod, aesKey);
    if (!sk) return R::Fail("cannot encrypt to the client's public key");
    return R::Ok(SealedParts{Base64Encode(*sk), Base64Encode(*biz)});
}

Result<SealedParts> SealedCodec::Seal(std::string_view text, const ClientKey& client) {
    return SealWithKey(text, RandomChars(kAesKeyAlphabet, kAesKeyLength), client);
}

}  // namespace nimbrel::sim
