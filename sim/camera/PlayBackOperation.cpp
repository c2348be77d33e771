#include "camera/PlayBackOperation.h"

#include <algorithm>

#include "ServiceRouter.h"

namespace nimbrel::sim {
namespace {

// Takes the reply past the client's 256 KiB reply buffer once deciphered.
constexpr std::size_t kFillerBytes = 270 * 1024;

}  // namespace

void PlayBackOperation::Register(ServiceRouter& router) {
    router.Add("playBack.do", WrapKind::Sealed, {"uid", "sid", "mac", "exp", "mod", "token"},
               [this](const DecodedRequest& r) { return Handle(r); });
}

Result<ServiceReply> PlayBackOperation::Handle(const DecodedRequest& request) const {
    using R = Result<ServiceReply>;
    const PayloadPairs& p = request.payload;
    const std::string uid = p.Get("uid");
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
    if (device->reach == Reach::Offline)
        return R::Ok(ServiceReply::Status("OFFLINE", "the camera is offline"));
    if (!device->camera.card) return R::Ok(ServiceReply::Status("NOSDCARD", "no card"));
    const CardSpec& card = *device->camera.card;
    const std::string list = card.DayList();
    if (list.empty()) return R::Ok(ServiceReply::Status("NOLIST", "the card holds nothing"));

    const ClientKey client{p.Get("exp"), p.Get("mod")};
    OrderedJson playBack = OrderedJson::Object();
    if (card.indexReply == IndexReplyShape::Mistyped)
        playBack.Set("videoDaylist", OrderedJson::Array().Add(OrderedJson::String(list)));
    else
        playBack.Set("videoDaylist", list);
    OrderedJson inner = OrderedJson::Object();
    inner.Set("playBack", std::move(playBack));

    ServiceReply reply;
    if (card.indexReply == IndexReplyShape::BadSeal) {
        // Well-formed base64 that no client key opens.
        reply = ServiceReply::Status("OK");
        reply.body.Set("sk", std::string(172, 'A')).Set("biz", "QUJDREVGR0hJSktMTU5PUA==");
    } else {
        reply = ServiceReply::Sealed("OK", std::move(inner), client);
    }
    if (card.indexReply == IndexReplyShape::Oversized)
        reply.body.Set("filler", std::string(kFillerBytes, 'x'));
    reply.note = std::string("index ") + IndexReplyShapeName(card.indexReply) + ", " +
                 std::to_string(list.size()) + " characters";
    return R::Ok(std::move(reply));
}

}  // namespace nimbrel::sim
