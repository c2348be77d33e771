#include "DeviceOperations.h"

#include <vector>

#include "ServiceRouter.h"
#include "ServiceSigning.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

// The code points of well-formed UTF-8 (no overlong forms, no surrogates); false otherwise.
bool DecodeUtf8(std::string_view text, std::vector<char32_t>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0, min = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i - 1 < static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.push_back(cp);
        i += 1 + extra;
    }
    return true;
}

// The common checks of the switches: a session, umac = "uid,mac" and status "on" or "off".
std::string CheckSwitchPayload(const AccountBook& book, const PayloadPairs& p, std::string& note) {
    const std::string refused = book.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return refused;
    if (p.Get("umac") != p.Get("uid") + "," + p.Get("mac")) {
        note = "umac is not uid,mac";
        return "ERROR";
    }
    if (p.Get("status") != "on" && p.Get("status") != "off") {
        note = "status is not on or off";
        return "ERROR";
    }
    return "";
}

}  // namespace

void DeviceOperations::Register(ServiceRouter& router) {
    using Switch = AccountBook::DeviceSwitch;
    router.Add("devName.do", WrapKind::Sealed, {"uid", "sid", "name", "mac", "token"},
               [this](const DecodedRequest& r) { return Rename(r); });
    router.Add("deleteDev.do", WrapKind::Sealed, {"uid", "sid", "mac", "token", "psd"},
               [this](const DecodedRequest& r) { return Delete(r); });
    router.Add("setLed.do", WrapKind::Sealed, {"uid", "sid", "mac", "token", "umac", "status"},
               [this](const DecodedRequest& r) { return this->Switch(r, Switch::Led); });
    router.Add("setVoice.do", WrapKind::Sealed, {"uid", "sid", "mac", "token", "umac", "status"},
               [this](const DecodedRequest& r) { return this->Switch(r, Switch::Voice); });
}

std::string DeviceOperations::CheckName(std::string_view name) {
    std::vector<char32_t> points;
    if (!DecodeUtf8(name, points)) return "name is not well-formed UTF-8";
    if (points.empty()) return "name is empty";
    std::size_t units = 0;
    for (char32_t cp : points) {
        if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
            return "name holds a control character";
        units += cp >= 0x10000 ? 2 : 1;
    }
    if (units > kMaxNameUnits)
        return "name is " + std::to_string(units) + " UTF-16 units, more than " +
               std::to_string(kMaxNameUnits);
    return "";
}

Result<ServiceReply> DeviceOperations::Rename(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    std::string name;
    if (!DecodeAllPercent(p.Get("name"), name))
        return R::Ok(ServiceReply::Status("ERROR", "name is not %XX for every byte"));
    ServiceReply reply;
    const std::string wrong = CheckName(name);
    if (!wrong.empty())
        reply = ServiceReply::Status("ERROR", wrong);
    else
        reply = ServiceReply::Status(book_.RenameDevice(p.Get("uid"), p.Get("sid"), name));
    reply.decoded.emplace_back("name", name);
    return R::Ok(std::move(reply));
}

Result<ServiceReply> DeviceOperations::Delete(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    return R::Ok(
        ServiceReply::Status(book_.DeleteDevice(p.Get("uid"), p.Get("sid"), p.Get("psd"))));
}

Result<ServiceReply> DeviceOperations::Switch(const DecodedRequest& request,
                                              AccountBook::DeviceSwitch which) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = CheckSwitchPayload(book_, p, note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    const std::string status =
        book_.SetDeviceSwitch(p.Get("uid"), p.Get("sid"), which, p.Get("status") == "on");
    return R::Ok(
        ServiceReply::Status(status, status == "ERROR" ? "the device has no such switch" : ""));
}

}  // namespace nimbrel::sim
