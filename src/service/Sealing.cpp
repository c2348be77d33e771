#include "service/Sealing.h"

#include "platform/FixedText.h"
#include "service/ClientKeyPair.h"
#include "service/ServiceCipher.h"
#include "service/crypto/Aes128.h"
#include "service/crypto/RandomText.h"
#include "service/crypto/Rsa.h"
#include "text/Base64.h"

namespace nimbrel {

std::optional<std::string> SealPayload(const GlobalSettings& g, std::string_view payload,
                                       std::string_view urlPrefix) {
    if (payload.size() > kMaxSealedPayload) return std::nullopt;
    const std::string key = RandomChars(kAesKeyAlphabet, 16);
    const auto cipher = Aes128EcbEncrypt(key, payload);
    if (!cipher) return std::nullopt;
    std::string exp, mod, timestamp;
    {
        // One session's key and timestamp, even while a recovery renews them.
        std::shared_lock guard(g.m_SessionLock);
        exp = GetText(g.m_ServerExp);
        mod = GetText(g.m_ServerMod);
        timestamp = GetText(g.m_Timestamp);
    }
    const auto wrappedKey = RsaPublicEncrypt(exp, mod, key);
    if (!wrappedKey) return std::nullopt;

    std::string text = "biz:" + Base64Encode(*cipher);
    text.append("&cl:").append(GetText(g.m_ClientType));
    text.append("&cv:").append(GetText(g.m_ClientVersion));
    text.append("&pv:").append(GetText(g.m_ProtocolVersion));
    text.append("&sk:").append(Base64Encode(*wrappedKey));
    text.append("&tm:").append(timestamp);
    return std::string(urlPrefix) + DesWrap(g, text);
}

std::optional<OpenedBody> OpenSealed(std::string_view sk, std::string_view biz,
                                     std::size_t capacity) {
    const RsaKeyPair* pair = ClientKeyPair();
    if (!pair) return std::nullopt;
    const auto wrappedKey = Base64Decode(sk);
    if (!wrappedKey) return std::nullopt;
    auto key = pair->PrivateDecrypt(*wrappedKey);
    if (!key) return std::nullopt;
    const auto cipher = Base64Decode(biz);
    if (!cipher) return std::nullopt;
    auto text = Aes128EcbDecrypt(*key, *cipher);
    if (!text || text->size() > capacity) return std::nullopt;
    return OpenedBody{std::move(*text), std::move(*key)};
}

}  // namespace nimbrel
