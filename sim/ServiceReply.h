// What an operation answers: the status word, the members of the reply body, and optionally
// a body to be sealed for the client as `sk`/`biz`.
// Threading: a value type; no shared state.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ClientKeyBook.h"
#include "OrderedJson.h"

namespace nimbrel::sim {

struct ServiceReply {
    std::string status;
    OrderedJson body = OrderedJson::Object();  // starts with "status"
    std::optional<OrderedJson> sealedBody;     // sealed after the members of `body`
    std::optional<ClientKey> sealFor;          // else the key the request's `tm` finds
    std::string note;                          // why, for the request log
    // Values the service decoded from the payload ("answer", "advice"), for the request log.
    std::vector<std::pair<std::string, std::string>> decoded;

    // {"status": word}.
    static ServiceReply Status(std::string_view word, std::string_view note = {}) {
        ServiceReply r;
        r.status = word;
        r.body.Set("status", word);
        r.note = note;
        return r;
    }
    // {"status": word, "sk": ..., "biz": ...} with `inner` sealed.
    static ServiceReply Sealed(std::string_view word, OrderedJson inner,
                               std::optional<ClientKey> client) {
        ServiceReply r = Status(word);
        r.sealedBody = std::move(inner);
        r.sealFor = std::move(client);
        return r;
    }
};

}  // namespace nimbrel::sim
