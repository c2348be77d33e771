#include "LoginOperation.h"

#include "ServiceRouter.h"

namespace nimbrel::sim {

void LoginOperation::Register(ServiceRouter& router) {
    router.Add("login.do", WrapKind::Sealed, {"uid", "psd", "exp", "mod", "isnew", "mac"},
               [this](const DecodedRequest& r) { return Handle(r); });
}

Result<ServiceReply> LoginOperation::Handle(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    const std::string isNew = p.Get("isnew");
    if (isNew != "0" && isNew != "1") return Result<ServiceReply>::Fail("isnew is not 0 or 1");

    const auto outcome = book_.Login(p.Get("uid"), p.Get("psd"), isNew == "1");
    if (outcome.status != "OK")
        return Result<ServiceReply>::Ok(ServiceReply::Status(outcome.status));

    // Every value of the beans is a string, ports included.
    const auto port = [](int value) { return std::to_string(value); };
    OrderedJson userBean = OrderedJson::Object();
    userBean.Set("uid", p.Get("uid")).Set("nickName", outcome.nickName).Set("token", outcome.token);
    OrderedJson serverBean = OrderedJson::Object();
    serverBean.Set("defTranIP", "127.0.0.1")
        .Set("defTranPortTcp", port(servers_.relayTcp))
        .Set("defTranPortUdp", port(servers_.relayUdp))
        .Set("firstDetectionIP", "127.0.0.1")
        .Set("firstDetectionPortTcp", port(servers_.firstTcp))
        .Set("firstDetectionPortUdp", port(servers_.firstUdp))
        .Set("secondDetectionIP", "127.0.0.1")
        .Set("secondDetectionPortTcp", port(servers_.secondTcp))
        .Set("secondDetectionPortUdp", port(servers_.secondUdp));
    OrderedJson inner = OrderedJson::Object();
    inner.Set("userBean", std::move(userBean)).Set("serverBean", std::move(serverBean));
    return Result<ServiceReply>::Ok(
        ServiceReply::Sealed("OK", std::move(inner), ClientKey{p.Get("exp"), p.Get("mod")}));
}

}  // namespace nimbrel::sim
