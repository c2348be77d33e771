// The service's request path: finds the operation of a URL path, takes the request's
// wrapping off as that operation's kind requires, calls the operation, seals and wraps its
// reply, and writes the request-log line. Operations only add handlers.
// Threading: Handle may be called from any thread once every Add is done; handlers must be
// thread-safe themselves.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ClientKeyBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceKeys.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class RequestLog;

class ServiceRouter {
  public:
    // A handler's failure is a malformed request (HTTP 400).
    using Handler = std::function<Result<ServiceReply>(const DecodedRequest&)>;

    struct HttpAnswer {
        int status = 200;
        std::string body;
    };

    // `log` may be null. `overrides` forces a status word per operation ("login.do");
    // `deepReplies` names operations whose reply is an "OK" nested too deep for any reader.
    ServiceRouter(const ServiceKeys& keys, ClientKeyBook& clients, RequestLog* log,
                  std::map<std::string, std::string> overrides = {},
                  std::set<std::string> deepReplies = {});

    // {"status":"OK","x": followed by 1,500 "[": a reply that a reader without a nesting limit
    // recurses into until its stack gives out.
    static std::string TooDeepBody();

    // `keys` non-empty: the payload must have exactly these keys in this order.
    void Add(std::string path, WrapKind wrap, std::vector<std::string> keys, Handler handler);

    // `urlPath` is the path of the URL ("/velkor/login.do"), `data` its `data` parameter.
    HttpAnswer Handle(std::string_view urlPath, std::optional<std::string_view> data);

    // The URL folder every operation lives in.
    static constexpr std::string_view kPrefix = "/velkor/";

  private:
    struct Route {
        WrapKind wrap;
        std::vector<std::string> keys;
        Handler handler;
    };
    Result<DecodedRequest> Decode(const std::string& path, const Route& route,
                                  std::string_view data) const;
    Result<std::string> BuildBody(const DecodedRequest& request, ServiceReply& reply) const;

    const ServiceKeys& keys_;
    ClientKeyBook& clients_;
    RequestLog* log_;
    std::map<std::string, std::string> overrides_;
    std::set<std::string> deepReplies_;
    std::map<std::string, Route, std::less<>> routes_;
};

}  // namespace nimbrel::sim
