#include "PasswordOperations.h"

#include "ServiceRouter.h"
#include "ServiceSigning.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

bool IsMd5Hex(const std::string& text) {
    if (text.size() != 32) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

ClientKey PayloadKey(const PayloadPairs& p) {
    return ClientKey{p.Get("exp"), p.Get("mod")};
}

}  // namespace

void PasswordOperations::Register(ServiceRouter& router) {
    router.Add("initPassword.do", WrapKind::Sealed, {},
               [this](const DecodedRequest& r) { return Recover(r); });
    router.Add("changePassword.do", WrapKind::Sealed, {"uid", "mac", "token", "old", "psd"},
               [this](const DecodedRequest& r) { return Change(r); });
}

Result<ServiceReply> PasswordOperations::Recover(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    const std::string step = p.Get("step");
    using Keys = std::vector<std::string_view>;
    const Keys keys = step == "1" ? Keys{"uid", "step", "exp", "mod", "token", "mac"}
                      : step == "2"
                          ? Keys{"uid", "step", "question", "answer", "exp", "mod", "token", "mac"}
                      : step == "3" ? Keys{"uid", "step", "psd", "token", "mac"}
                                    : Keys{};
    if (keys.empty()) return R::Fail("step is not 1, 2 or 3");
    if (!p.HasKeysInOrder(keys))
        return R::Fail("payload keys of step " + step + " are " + p.KeyList());

    // Before login the token signs the account (name or id), the MAC and the handshake time.
    if (p.Get("token") != SignHex(p.Get("uid") + p.Get("mac") + request.tm))
        return R::Ok(ServiceReply::Status("ERROR", "token does not sign uid+mac+tm"));

    if (step == "1") return Identify(request);
    if (step == "2") return Answer(request);
    return Reset(request);
}

Result<ServiceReply> PasswordOperations::Identify(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    const auto account = book_.BeginRecovery(p.Get("uid"));
    if (!account) return R::Ok(ServiceReply::Status("NOUSER"));
    // Question numbers travel as text.
    OrderedJson questions = OrderedJson::Array();
    for (int number : account->questions)
        questions.Add(OrderedJson::Object().Set("question", std::to_string(number)));
    OrderedJson inner = OrderedJson::Object();
    inner.Set("userBean",
              OrderedJson::Object().Set("uid", account->id).Set("question", std::move(questions)));
    return R::Ok(ServiceReply::Sealed("OK", std::move(inner), PayloadKey(p)));
}

Result<ServiceReply> PasswordOperations::Answer(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    const std::string questionText = p.Get("question");
    int question = 0;
    if (questionText.empty() || questionText.size() > 3 ||
        questionText.find_first_not_of("0123456789") != std::string::npos)
        return R::Ok(ServiceReply::Status("ERROR", "question is not a number"));
    question = std::stoi(questionText);
    std::string answer;
    if (!DecodeAllPercent(p.Get("answer"), answer))
        return R::Ok(ServiceReply::Status("ERROR", "answer is not %XX for every byte"));

    ServiceReply reply;
    const std::string status = book_.AnswerQuestion(p.Get("uid"), question, answer);
    if (status == "OK") {
        OrderedJson inner = OrderedJson::Object();
        inner.Set("userBean", OrderedJson::Object().Set("uid", p.Get("uid")));
        reply = ServiceReply::Sealed("OK", std::move(inner), PayloadKey(p));
    } else {
        reply = ServiceReply::Status(status);
    }
    reply.decoded.emplace_back("answer", answer);
    return R::Ok(std::move(reply));
}

Result<ServiceReply> PasswordOperations::Reset(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    if (!IsMd5Hex(p.Get("psd")))
        return R::Ok(ServiceReply::Status("ERROR", "psd is not an MD5 hex digest"));
    const std::string status = book_.ResetPassword(p.Get("uid"), p.Get("psd"));
    return R::Ok(ServiceReply::Status(
        status, status == "ERROR" ? "no security question answered before step 3" : ""));
}

Result<ServiceReply> PasswordOperations::Change(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    if (!IsMd5Hex(p.Get("psd")))
        return R::Ok(ServiceReply::Status("ERROR", "psd is not an MD5 hex digest"));
    return R::Ok(
        ServiceReply::Status(book_.ChangePassword(p.Get("uid"), p.Get("old"), p.Get("psd"))));
}

}  // namespace nimbrel::sim
