#include "ServiceRouter.h"

#include <exception>

#include "DesEnvelope.h"
#include "RequestLog.h"
#include "SealedCodec.h"

namespace nimbrel::sim {
namespace {

const std::vector<std::string_view> kEnvelopeKeys = {"biz", "cl", "cv", "pv", "sk", "tm"};

std::string Joined(const std::vector<std::string>& keys) {
    std::string out;
    for (const auto& k : keys) out += (out.empty() ? "" : ",") + k;
    return out;
}

}  // namespace

ServiceRouter::ServiceRouter(const ServiceKeys& keys, ClientKeyBook& clients, RequestLog* log,
                             std::map<std::string, std::string> overrides,
                             std::set<std::string> deepReplies)
    : keys_(keys),
      clients_(clients),
      log_(log),
      overrides_(std::move(overrides)),
      deepReplies_(std::move(deepReplies)) {}

std::string ServiceRouter::TooDeepBody() {
    return R"({"status":"OK","x":)" + std::string(1500, '[');
}

void ServiceRouter::Add(std::string path, WrapKind wrap, std::vector<std::string> keys,
                        Handler handler) {
    routes_[std::move(path)] = Route{wrap, std::move(keys), std::move(handler)};
}

Result<DecodedRequest> ServiceRouter::Decode(const std::string& path, const Route& route,
                                             std::string_view data) const {
    using R = Result<DecodedRequest>;
    DecodedRequest request;
    request.path = path;
    request.wrap = route.wrap;

    Result<std::string> plain = LongReplyKey(route.wrap)
                                    ? DesEnvelope::OpenLong(data)
                                    : DesEnvelope::OpenShort(data, keys_.KeyValue());
    if (!plain) return R::Fail(plain.error());

    if (route.wrap != WrapKind::Sealed) {
        request.payload = PayloadPairs::Parse(*plain);
    } else {
        request.envelope = PayloadPairs::Parse(*plain);
        if (!request.envelope.HasKeysInOrder(kEnvelopeKeys))
            return R::Fail("sealed envelope keys are " + request.envelope.KeyList() +
                           ", expected biz,cl,cv,pv,sk,tm");
        request.tm = request.envelope.Get("tm");
        const auto pair = keys_.Pair();
        auto opened = SealedCodec::Open(request.envelope.Get("sk"), request.envelope.Get("biz"),
                                        *pair);
        if (!opened) return R::Fail(opened.error());
        request.payload = PayloadPairs::Parse(opened->payload);
    }
    if (request.payload.Empty()) return R::Fail("empty payload");
    if (!request.payload.WellFormed()) return R::Fail("payload has a piece without ':'");
    return R::Ok(std::move(request));
}

Result<std::string> ServiceRouter::BuildBody(const DecodedRequest& request,
                                             ServiceReply& reply) const {
    if (!reply.sealedBody) return Result<std::string>::Ok(reply.body.Dump());
    std::optional<ClientKey> client = reply.sealFor;
    if (!client) client = clients_.Find(request.tm);
    if (!client) {
        // No handshake has shown a key to seal for; the service can only refuse.
        reply = ServiceReply::Status("ERROR", "no client key known to seal the reply");
        return Result<std::string>::Ok(reply.body.Dump());
    }
    auto sealed = SealedCodec::Seal(reply.sealedBody->Dump(), *client);
    if (!sealed) return Result<std::string>::Fail(sealed.error());
    reply.body.Set("sk", sealed->sk).Set("biz", sealed->biz);
    return Result<std::string>::Ok(reply.body.Dump());
}

ServiceRouter::HttpAnswer ServiceRouter::Handle(std::string_view urlPath,
                                                std::optional<std::string_view> data) {
    OrderedJson line = OrderedJson::Object();
    auto fail = [&](int httpStatus, const std::string& error) {
        line.Set("error", error);
        if (log_) log_->Write(line);
        return HttpAnswer{httpStatus, error + "\n"};
    };

    const bool inFolder = urlPath.substr(0, kPrefix.size()) == kPrefix;
    const std::string path(inFolder ? urlPath.substr(kPrefix.size()) : urlPath);
    line.Set("path", path);
    const auto route = inFolder ? routes_.find(path) : routes_.end();
    if (route == routes_.end()) return fail(404, "unknown path " + std::string(urlPath));
    line.Set("wrap", WrapName(route->second.wrap));
    if (!data) return fail(400, "no data parameter");

    try {
        auto request = Decode(path, route->second, *data);
        if (!request) return fail(400, request.error());
        if (request->wrap == WrapKind::Sealed) line.Set("envelope", request->envelope.ToJson());
        line.Set("payload", request->payload.ToJson());
        const auto& keys = route->second.keys;
        if (!keys.empty() && !request->payload.HasKeysInOrder(
                                 std::vector<std::string_view>(keys.begin(), keys.end())))
            return fail(400, "payload keys are " + request->payload.KeyList() + ", expected " +
                                 Joined(keys));

        const auto wrap = [&](const std::string& body) {
            return LongReplyKey(request->wrap) ? DesEnvelope::WrapLong(body)
                                               : DesEnvelope::WrapShort(body, keys_.KeyValue());
        };
        if (deepReplies_.count(path)) {
            line.Set("status", "OK");
            line.Set("note", "reply nested too deep, as the scenario asks");
            if (log_) log_->Write(line);
            return HttpAnswer{200, wrap(TooDeepBody())};
        }

        ServiceReply reply;
        const auto forced = overrides_.find(path);
        if (forced != overrides_.end()) {
            reply = ServiceReply::Status(forced->second, "status forced by the scenario");
        } else {
            auto handled = route->second.handler(*request);
            if (!handled) return fail(400, handled.error());
            reply = std::move(handled.value());
        }
        auto body = BuildBody(*request, reply);
        if (!body) return fail(400, body.error());

        line.Set("status", reply.status);
        if (!reply.note.empty()) line.Set("note", reply.note);
        if (!reply.decoded.empty()) {
            OrderedJson decoded = OrderedJson::Object();
            for (const auto& [name, value] : reply.decoded) decoded.Set(name, value);
            line.Set("decoded", std::move(decoded));
        }
        if (log_) log_->Write(line);
        return HttpAnswer{200, wrap(*body)};
    } catch (const std::exception& e) {
        return fail(500, std::string("internal error: ") + e.what());
    }
}

}  // namespace nimbrel::sim
