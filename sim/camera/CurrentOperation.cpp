#include "camera/CurrentOperation.h"

#include <algorithm>

#include "ServiceRouter.h"

namespace nimbrel::sim {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

// The hour a playback asks for: "YYYYMMDD-HH".
bool IsRequestDate(const std::string& text) {
    if (text.size() != 11 || text[8] != '-') return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9')) return false;
    return true;
}

int CaseNumber(Reach reach) {
    switch (reach) {
        case Reach::Offline:
            return 1;
        case Reach::Lan:
            return 2;
        case Reach::PortMapping:
            return 3;
        case Reach::NatTraversal:
            return 4;
        case Reach::Relay:
            return 5;
    }
    return 1;
}

}  // namespace

void CurrentOperation::Register(ServiceRouter& router) {
    router.Add("current.do", WrapKind::Sealed,
               {"uid", "sid", "mac", "token", "exp", "mod", "net", "inner", "us", "ts", "play",
                "date", "umac", "ispub"},
               [this](const DecodedRequest& r) { return Handle(r); });
}

OrderedJson CurrentOperation::ServerBean(const CameraDevice& device) const {
    const int number = CaseNumber(device.reach);
    OrderedJson bean = OrderedJson::Object();
    bean.Set("status", number);
    const std::string streamPort = std::to_string(fleet_.StreamPort(device.sid).value_or(0));
    if (device.reach == Reach::Lan) bean.Set("devInner", kLoopback).Set("devPortTcp", streamPort);
    if (device.reach == Reach::PortMapping)
        bean.Set("devOuter", kLoopback).Set("devPortTcp", streamPort);
    if (device.reach == Reach::NatTraversal)
        bean.Set("penetrateIP", kLoopback)
            .Set("penetratePort", std::to_string(fleet_.RendezvousPort()));
    if (number >= 2)
        bean.Set("tranIP", kLoopback).Set("tranPortTcp", std::to_string(fleet_.RelayPort()));
    bean.Set("transVideoLong", device.camera.transVideoLong);
    return bean;
}

Result<ServiceReply> CurrentOperation::Handle(const DecodedRequest& request) const {
    using R = Result<ServiceReply>;
    const PayloadPairs& p = request.payload;
    const std::string uid = p.Get("uid");
    if (p.Get("net") != "4") return R::Fail("net is \"" + p.Get("net") + "\", expected \"4\"");
    if (p.Get("play") != "0" && p.Get("play") != "1")
        return R::Fail("play is \"" + p.Get("play") + "\", expected 0 or 1");
    const bool playback = p.Get("play") == "1";
    if (playback ? !IsRequestDate(p.Get("date")) : !p.Get("date").empty())
        return R::Fail("date \"" + p.Get("date") + "\" does not go with play " + p.Get("play"));
    if (p.Get("umac") != uid + "," + p.Get("mac"))
        return R::Fail("umac \"" + p.Get("umac") + "\" is not uid,mac");

    std::string note;
    const std::string refused = book_.CheckSession(uid, p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    const auto setup = book_.Device(p.Get("sid"));
    const bool bound = setup && (setup->owner == uid ||
                                 std::find(setup->sharedWith.begin(), setup->sharedWith.end(),
                                           uid) != setup->sharedWith.end());
    const CameraDevice* device = fleet_.Find(p.Get("sid"));
    if (!bound || !device)
        return R::Ok(ServiceReply::Status("NODEV", "no camera " + p.Get("sid") + " of " + uid));

    OrderedJson inner = OrderedJson::Object();
    inner.Set("serverBean", ServerBean(*device));
    ServiceReply reply =
        ServiceReply::Sealed("OK", std::move(inner), ClientKey{p.Get("exp"), p.Get("mod")});
    reply.note = std::string("reach ") + std::string(ReachName(device->reach));
    if (playback) reply.note += ", playback of " + p.Get("date");
    return R::Ok(std::move(reply));
}

}  // namespace nimbrel::sim
