#include "service/LoginRequest.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/WipedText.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/JsonText.h"
#include "text/NumberText.h"

namespace nimbrel {
namespace {

constexpr std::size_t kSealedBodyCapacity = 256 * 1024;

// A server of serverBean; false when its address does not fit the record.
bool ReadEndpoint(const Json::Value& bean, const char* ipKey, const char* tcpKey,
                  const char* udpKey, ServerEndpoint& out) {
    const std::string ip = StringMember(bean, ipKey).value_or("");
    if (ip.size() >= sizeof out.ip) return false;
    SetText(out.ip, ip);
    out.tcpPort = AtoiText(StringMember(bean, tcpKey).value_or(""));
    out.udpPort = AtoiText(StringMember(bean, udpKey).value_or(""));
    return true;
}

}  // namespace

LoginAnswer RequestLogin(const GlobalSettings& g, const std::string& name,
                         const std::string& passwordMd5, int isNew, const HttpOptions& http) {
    LoginAnswer answer;
    std::optional<Json::Value> reply;
    {
        WipedText payload;
        payload->append("uid:").append(name);
        payload->append("&psd:").append(passwordMd5);
        payload->append("&exp:").append(GetText(g.m_RsaExp));
        payload->append("&mod:").append(GetText(g.m_RsaMod));
        payload->append("&isnew:").append(std::to_string(isNew));
        payload->append("&mac:").append(GetText(g.m_Mac));
        reply = SendSealed(g, ServiceOp::Login, *payload, kReply512K, http);
    }
    if (!reply) return answer;
    answer.answered = true;
    answer.status = ReplyStatus(*reply);
    answer.statusOk = StatusIs(answer.status, kStatusOk);
    if (!answer.statusOk) {
        answer.refused = true;
        return answer;
    }
    const auto body = OpenSealedReply(*reply, kSealedBodyCapacity);
    if (!body) return answer;
    // The body opened: whatever it lacks from here on is the service's answer, not the network's.
    answer.refused = true;
    const Json::Value& server = (*body)["serverBean"];
    const Json::Value& user = (*body)["userBean"];
    // A login without a token signs nothing later on: refused like a token that does not fit,
    // as are beans that are not objects.
    const std::string token = StringMember(user, "token").value_or("");
    if (!server.isObject() || !user.isObject() || token.empty()) {
        NLOG_DEBUG("RequestLogin: the reply names no token or no servers");
        return answer;
    }
    if (!ReadEndpoint(server, "defTranIP", "defTranPortTcp", "defTranPortUdp", answer.defTran) ||
        !ReadEndpoint(server, "firstDetectionIP", "firstDetectionPortTcp", "firstDetectionPortUdp",
                      answer.firstDetection) ||
        !ReadEndpoint(server, "secondDetectionIP", "secondDetectionPortTcp",
                      "secondDetectionPortUdp", answer.secondDetection) ||
        token.size() >= sizeof g.m_Token) {
        NLOG_DEBUG("RequestLogin: a server address or the token does not fit");
        return answer;
    }
    answer.token = token;
    answer.complete = true;
    answer.refused = false;
    return answer;
}

}  // namespace nimbrel
