#include "service/ServiceRequest.h"

#include "platform/Log.h"
#include "service/Sealing.h"
#include "service/ServiceCipher.h"
#include "service/SessionRecovery.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

// Payload keys whose values are credentials: the password digests, the login token (and the
// handshake's signature, sent under the same key), the answer to a security question.
bool IsSecretKey(std::string_view key) {
    return key == "psd" || key == "old" || key == "token" || key == "answer";
}

// The payload as the log shows it: a credential's value is replaced by a mark.
std::string LoggedPayload(std::string_view payload) {
    std::string shown;
    shown.reserve(payload.size());
    while (!payload.empty()) {
        const auto amp = payload.find('&');
        const std::string_view pair = payload.substr(0, amp);
        const auto colon = pair.find(':');
        if (!shown.empty()) shown.push_back('&');
        if (colon != std::string_view::npos && IsSecretKey(pair.substr(0, colon)))
            shown.append(pair.substr(0, colon + 1)).append("***");
        else
            shown.append(pair);
        payload = amp == std::string_view::npos ? std::string_view() : payload.substr(amp + 1);
    }
    return shown;
}

}  // namespace

std::optional<Json::Value> FetchJson(const GlobalSettings& g, const std::string& url, int variant,
                                     std::size_t capacity, const HttpOptions& options) {
    // Nothing is asked of a service that has ended the session, until the user signs in again.
    if (options.session && options.session->CurrentState() == SessionRecovery::State::Ended)
        return std::nullopt;
    const uint64_t generation = options.session ? options.session->Generation() : 0;
    std::string text;
    std::optional<Json::Value> reply;
    if (HttpGet(g, url, text, variant, capacity, options)) {
        reply = ParseJsonObject(text);
        // A reply the session's key does not decipher is what a service that lost the session
        // answers.
        if (!reply) NLOG_DEBUG("FetchJson: reply is not a JSON object");
    }
    const bool cancelled = options.cancel && options.cancel->load();
    if (options.session && reply)
        options.session->RequestAnswered(generation);
    else if (options.session && !cancelled)
        options.session->RequestFailed(generation);
    return reply;
}

std::optional<Json::Value> SendSealed(const GlobalSettings& g, ServiceOp op,
                                      std::string_view payload, std::size_t capacity,
                                      const HttpOptions& options) {
    NLOG_DEBUG("SendSealed " << Operation(op).name << ": " << LoggedPayload(payload));
    const auto url = SealPayload(g, payload, OperationUrlPrefix(g, op));
    if (!url) return std::nullopt;
    return FetchJson(g, *url, Operation(op).replyVariant, capacity, options);
}

std::optional<Json::Value> SendTokenSigned(const GlobalSettings& g, ServiceOp op,
                                           std::string payload, std::size_t capacity,
                                           const HttpOptions& options) {
    NLOG_DEBUG("SendTokenSigned " << Operation(op).name << ": " << LoggedPayload(payload));
    const std::string url = OperationUrlPrefix(g, op) + DesWrap(g, payload);
    return FetchJson(g, url, 0, capacity, options);
}

std::optional<Json::Value> SendHandshakeStyle(const GlobalSettings& g, ServiceOp op,
                                              std::string payload, std::size_t capacity,
                                              const HttpOptions& options) {
    NLOG_DEBUG("SendHandshakeStyle " << Operation(op).name << ": " << LoggedPayload(payload));
    const std::string url = OperationUrlPrefix(g, op) + DesWrap8(payload);
    return FetchJson(g, url, 1, capacity, options);
}

std::string ReplyStatus(const Json::Value& reply) {
    return StringMember(reply, "status").value_or("");
}

std::optional<Json::Value> OpenSealedReply(const Json::Value& reply, std::size_t capacity,
                                           std::string* aesKey) {
    const auto sk = StringMember(reply, "sk");
    const auto biz = StringMember(reply, "biz");
    if (!sk || !biz) return std::nullopt;
    auto opened = OpenSealed(*sk, *biz, capacity);
    if (!opened) return std::nullopt;
    if (aesKey) *aesKey = opened->aesKey;
    return ParseJsonObject(opened->text);
}

}  // namespace nimbrel
