#include "AlarmOperations.h"

#include "ServiceRouter.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

// An hour 0..23 in plain decimal; -1 otherwise.
int Hour(const std::string& text) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int value = std::stoi(text);
    return value <= 23 ? value : -1;
}

}  // namespace

void AlarmOperations::Register(ServiceRouter& router) {
    router.Add("setAlarm.do", WrapKind::Sealed, {"uid", "sid", "mac", "token", "status", "umac"},
               [this](const DecodedRequest& r) { return Switch(r); });
    router.Add("setAlarmTime.do", WrapKind::Sealed,
               {"uid", "sid", "mac", "token", "umac", "start", "end"},
               [this](const DecodedRequest& r) { return Hours(r); });
}

Result<ServiceReply> AlarmOperations::Switch(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    // This operation names the computer by its bare MAC in umac.
    if (p.Get("umac") != p.Get("mac"))
        return R::Ok(ServiceReply::Status("ERROR", "umac is not the bare mac"));
    const std::string value = p.Get("status");
    if (value != "on" && value != "off")
        return R::Ok(ServiceReply::Status("ERROR", "status is not on or off"));
    return R::Ok(ServiceReply::Status(book_.SetAlarm(p.Get("uid"), p.Get("sid"), value == "on")));
}

Result<ServiceReply> AlarmOperations::Hours(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    if (p.Get("umac") != p.Get("uid") + "," + p.Get("mac"))
        return R::Ok(ServiceReply::Status("ERROR", "umac is not uid,mac"));
    const int start = Hour(p.Get("start")), end = Hour(p.Get("end"));
    if (start < 0 || end < 0)
        return R::Ok(ServiceReply::Status("ERROR", "start and end must be hours 0-23"));
    return R::Ok(ServiceReply::Status(book_.SetAlarmTime(p.Get("uid"), p.Get("sid"), start, end)));
}

}  // namespace nimbrel::sim
