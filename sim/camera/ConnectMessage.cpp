#include "camera/ConnectMessage.h"

#include <set>

namespace nimbrel::sim {

Result<ConnectMessage> ConnectMessage::Check(const Json::Value& m, const Expected& expected) {
    using R = Result<ConnectMessage>;
    if (!m.isObject()) return R::Fail("the message is not a JSON object");
    std::set<std::string> members = {"identity", "link-type", "netType", "protocol",
                                     "sid",      "type",      "umac",    "video-playback"};
    const bool playback = m["video-playback"] == "1";
    if (playback) members.insert("request-date");
    for (const auto& name : m.getMemberNames()) {
        if (!members.count(name)) return R::Fail("unexpected member \"" + name + "\"");
        if (!m[name].isString()) return R::Fail("member \"" + name + "\" is not a string");
    }
    for (const auto& name : members)
        if (!m.isMember(name)) return R::Fail("member \"" + name + "\" is missing");
    const auto want = [&](const char* name, const std::string& value) -> std::string {
        const std::string got = m[name].asString();
        if (got == value) return {};
        return std::string(name) + " is \"" + got + "\", expected \"" + value + "\"";
    };
    for (const std::string& error :
         {want("type", "connect"), want("identity", "client"), want("netType", "4"),
          want("video-playback", playback ? "1" : "0"), want("protocol", expected.protocol),
          want("link-type", expected.linkType)})
        if (!error.empty()) return R::Fail(error);

    ConnectMessage c;
    c.sid = m["sid"].asString();
    c.umac = m["umac"].asString();
    c.playback = playback;
    if (playback) c.requestDate = m["request-date"].asString();
    if (c.sid.empty()) return R::Fail("sid is empty");
    const std::size_t comma = c.umac.find(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == c.umac.size())
        return R::Fail("umac \"" + c.umac + "\" is not \"user,MAC\"");
    c.user = c.umac.substr(0, comma);
    return R::Ok(std::move(c));
}

}  // namespace nimbrel::sim
