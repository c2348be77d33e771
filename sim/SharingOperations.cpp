#include "SharingOperations.h"

#include "ServiceRouter.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

}  // namespace

void SharingOperations::Register(ServiceRouter& router) {
    router.Add("bindUserList.do", WrapKind::Sealed, {"uid", "sid", "exp", "mod", "mac", "token"},
               [this](const DecodedRequest& r) { return List(r); });
    router.Add("addUser.do", WrapKind::Sealed, {"uid", "sid", "exp", "mod", "mac", "token", "name"},
               [this](const DecodedRequest& r) { return Add(r); });
    router.Add("deleteBindUser.do", WrapKind::Sealed, {"uid", "sid", "mac", "token", "name"},
               [this](const DecodedRequest& r) { return Remove(r); });
}

Result<ServiceReply> SharingOperations::List(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));

    std::vector<AccountBook::BoundUser> users;
    const std::string status = book_.ListUsers(p.Get("uid"), p.Get("sid"), users);
    if (status != "OK") return R::Ok(ServiceReply::Status(status));
    OrderedJson list = OrderedJson::Array();
    for (const auto& user : users)
        list.Add(OrderedJson::Object()
                     .Set("uid", user.uid)
                     .Set("nickName", user.nickName)
                     .Set("isAdmin", user.isAdmin ? 1 : 0));
    OrderedJson inner = OrderedJson::Object();
    inner.Set("userList", std::move(list));
    return R::Ok(
        ServiceReply::Sealed("OK", std::move(inner), ClientKey{p.Get("exp"), p.Get("mod")}));
}

Result<ServiceReply> SharingOperations::Add(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    const std::string status = book_.AddUser(p.Get("uid"), p.Get("sid"), p.Get("name"));
    return R::Ok(ServiceReply::Status(status, status == "ERROR" ? "only the owner shares" : ""));
}

Result<ServiceReply> SharingOperations::Remove(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    const std::string status = book_.DeleteUser(p.Get("uid"), p.Get("sid"), p.Get("name"));
    return R::Ok(ServiceReply::Status(
        status, status == "ERROR" ? "only the owner withdraws shares, never its own" : ""));
}

}  // namespace nimbrel::sim
