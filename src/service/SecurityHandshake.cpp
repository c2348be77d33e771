#include "service/SecurityHandshake.h"

#include <ctime>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/ClientKeyPair.h"
#include "service/ServiceCipher.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/VersionCheck.h"
#include "service/crypto/Aes128.h"
#include "text/Base64.h"
#include "text/JsonText.h"
#include "text/ShownText.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

constexpr const char* kUpdateMessage =
    NIMBREL_TR_NOOP("Core", "检测到系统有重要更新，请下载更新！");
constexpr const char* kUpdateCaption = NIMBREL_TR_NOOP("Core", "提示");

// Writes `value` unless the field holds it already. A handshake that renews the session keeps
// the client's key pair, and what stays the same is not rewritten under other threads' reads.
template <std::size_t N>
void Renew(char (&field)[N], std::string_view value) {
    if (GetText(field) != value) SetText(field, value);
}

// Step 1-6: the client key, the handshake key and the sealed public key, the timestamp, the token.
bool PrepareKeys(GlobalSettings& g) {
    const RsaKeyPair* pair = ClientKeyPair();
    if (!pair) return false;
    const std::string exp = pair->ExponentHex(), mod = pair->ModulusHex();
    const std::string publicKey = exp + ":" + mod;
    const std::string handshakeKey = HmacSha1Hex(g, GetText(g.m_ClientId)).substr(0, 16);
    const auto sealed = Aes128EcbEncrypt(handshakeKey, publicKey);
    if (!sealed) return false;
    const std::string sealedText = Base64Encode(*sealed);
    if (sealedText.size() >= sizeof g.m_SealedPublicKey) return false;
    const std::string timestamp = CurrentTimestamp();
    std::string signedText;
    signedText.append(GetText(g.m_ClientVersion))
        .append(timestamp)
        .append(GetText(g.m_ProtocolVersion))
        .append(GetText(g.m_ClientType));
    const std::string token = HmacSha1Hex(g, signedText);

    const auto writer = g.SessionWriter();
    Renew(g.m_RsaExp, exp);
    Renew(g.m_RsaMod, mod);
    Renew(g.m_PublicKeyText, publicKey);
    Renew(g.m_HandshakeKey, handshakeKey);
    Renew(g.m_SealedPublicKey, sealedText);
    SetText(g.m_Timestamp, timestamp);
    SetText(g.m_HandshakeToken, token);
    return true;
}

// Step 9: the service's key prefix and public key from the sealed reply body.
bool TakeServerKeys(GlobalSettings& g, const Json::Value& reply) {
    std::string aesKey;
    const auto body = OpenSealedReply(reply, 1023, &aesKey);
    if (!body) return false;
    const Json::Value& bean = (*body)["serverBean"];
    const auto keyValue = StringMember(bean, "keyValue");
    const auto pubKey = StringMember(bean, "pubKey");
    if (!keyValue || keyValue->size() != 4 || !pubKey) return false;

    const auto cipher = Base64Decode(*pubKey);
    if (!cipher) return false;
    const auto serverKey = Aes128EcbDecrypt(aesKey, *cipher);
    if (!serverKey || serverKey->size() > 511) return false;
    const auto colon = serverKey->find(':');
    if (colon == std::string::npos) return false;
    const std::string exp = serverKey->substr(0, colon), mod = serverKey->substr(colon + 1);
    if (exp.size() >= sizeof g.m_ServerExp || mod.size() >= sizeof g.m_ServerMod) return false;

    const auto writer = g.SessionWriter();
    SetText(g.m_KeyValue, *keyValue);
    SetText(g.m_StreamKey, *keyValue);
    SetText(g.m_ServerKeyText, *serverKey);
    SetText(g.m_ServerExp, exp);
    SetText(g.m_ServerMod, mod);
    return true;
}

}  // namespace

std::string CurrentTimestamp() {
    const std::time_t now = std::time(nullptr);
    return std::to_string(now < 0 ? 0 : static_cast<long long>(now));
}

HandshakeResult SecurityHandshake(GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                                  const HandshakeOptions& options) {
    NLOG_DEBUG("SecurityHandshake: start");
    if (!PrepareKeys(g)) return HandshakeResult::Failed;

    std::string payload = "cl:";
    payload.append(GetText(g.m_ClientType))
        .append("&cv:")
        .append(GetText(g.m_ClientVersion))
        .append("&pv:")
        .append(GetText(g.m_ProtocolVersion))
        .append("&pk:")
        .append(GetText(g.m_SealedPublicKey))
        .append("&tm:")
        .append(g.SessionText(g.m_Timestamp))
        .append("&token:")
        .append(g.SessionText(g.m_HandshakeToken));
    const auto reply =
        SendHandshakeStyle(g, ServiceOp::Security, payload, kReply256K, options.http);
    if (!reply) return HandshakeResult::Failed;

    const std::string status = ReplyStatus(*reply);
    NLOG_DEBUG("SecurityHandshake: status " << ShownText(status));
    if (StatusIs(status, kStatusOk))
        return TakeServerKeys(g, *reply) ? HandshakeResult::Ok : HandshakeResult::Failed;
    if (!StatusIs(status, kStatusMustUpdate)) return HandshakeResult::Failed;

    notifier.MessageBox(kUpdateMessage, kUpdateCaption, UserNotifier::Icon::Information);
    if (!options.startUpdater) return HandshakeResult::UpdateRequired;
    return StartUpdater(GetText(app.m_ResourceUrl), options.updater)
               ? HandshakeResult::UpdateStarted
               : HandshakeResult::Failed;
}

}  // namespace nimbrel
