#include "DirectorySpec.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "ScenarioReader.h"
#include "ServiceSigning.h"
#include "platform/Ipv4Endpoint.h"

namespace nimbrel::sim {
namespace {

ListMistype ParseMistype(const std::string& text, const std::string& where) {
    for (ListMistype m :
         {ListMistype::None, ListMistype::StatusText, ListMistype::InitText,
          ListMistype::NumbersBare, ListMistype::StatusBool, ListMistype::ResultObject})
        if (text == ListMistypeName(m)) return m;
    Fail(where, "must be none, statusText, initText, numbersBare, statusBool or resultObject");
}

DeviceListSpec ReadList(const Json::Value& value, const std::string& where) {
    ScenarioObject o(value, where);
    DeviceListSpec s;
    s.delayMs = o.Int("delayMs", 0, 0, 120000);
    s.mistype = ParseMistype(o.Text("mistype", "none"), o.At("mistype"));
    s.mistypePage = o.Int("mistypePage", 1, 1, 100000);
    o.CheckAllKnown();
    return s;
}

LanSpec ReadLan(const Json::Value& value, const std::string& where) {
    ScenarioObject o(value, where);
    LanSpec s;
    s.enabled = true;
    s.port = o.Int("port", s.port, 0, 65535);
    s.required = o.Bool("required", true);
    const std::string duplicates = o.Text("duplicates", "none");
    if (duplicates == "none")
        s.duplicates = LanDuplicates::None;
    else if (duplicates == "exact")
        s.duplicates = LanDuplicates::Exact;
    else if (duplicates == "otherCase")
        s.duplicates = LanDuplicates::OtherCase;
    else
        Fail(o.At("duplicates"), "must be none, exact or otherCase");
    s.garbled = o.Bool("garbled", false);
    o.CheckAllKnown();
    return s;
}

bool IsHexDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::string MacOfSid(const std::string& sid) {
    std::string mac = "A0" + Md5HexOf(sid).substr(0, 10);
    for (char& c : mac) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return mac;
}

}  // namespace

const char* ListMistypeName(ListMistype mistype) {
    switch (mistype) {
        case ListMistype::None:
            return "none";
        case ListMistype::StatusText:
            return "statusText";
        case ListMistype::InitText:
            return "initText";
        case ListMistype::NumbersBare:
            return "numbersBare";
        case ListMistype::StatusBool:
            return "statusBool";
        case ListMistype::ResultObject:
            return "resultObject";
    }
    return "none";
}

const char* ThumbnailShapeName(ThumbnailShape shape) {
    switch (shape) {
        case ThumbnailShape::Png:
            return "png";
        case ThumbnailShape::NotPng:
            return "notPng";
        case ThumbnailShape::TooLarge:
            return "tooLarge";
        case ThumbnailShape::Missing:
            return "missing";
    }
    return "png";
}

Result<DeviceListSpec> ReadDeviceListSpec(const Json::Value& value, const std::string& where) {
    return ReadGuarded<DeviceListSpec>([&] { return ReadList(value, where); });
}

Result<LanSpec> ReadLanSpec(const Json::Value& value, const std::string& where) {
    return ReadGuarded<LanSpec>([&] { return ReadLan(value, where); });
}

Result<LanReplySpec> ReadLanReplySpec(const Json::Value& device, const std::string& where,
                                      const std::string& sid, bool onLan) {
    using R = Result<LanReplySpec>;
    LanReplySpec s;
    s.answers = onLan;
    s.mac = MacOfSid(sid);
    if (!device.isObject() || !device.isMember("lanReply")) return R::Ok(s);
    const Json::Value& value = device["lanReply"];
    const std::string at = where + ".lanReply";
    if (value.isBool()) {
        s.answers = value.asBool();
        return R::Ok(s);
    }
    try {
        ScenarioObject o(value, at);
        s.answers = true;
        s.ip = o.Text("ip", s.ip);
        const auto ip = Ipv4Endpoint::Parse(s.ip, 0);
        if (!ip || !ip->IsLoopback()) Fail(o.At("ip"), "must be a dotted address in 127.0.0.0/8");
        s.mac = o.Text("mac", s.mac);
        if (s.mac.size() != 12 || !IsHexDigits(s.mac))
            Fail(o.At("mac"), "must be 12 hexadecimal characters");
        s.port = o.Int("port", 0, 0, 65535);
        o.CheckAllKnown();
    } catch (const ScenarioError& e) {
        return R::Fail(e.message);
    }
    return R::Ok(s);
}

Result<ThumbnailShape> ReadThumbnailShape(const Json::Value& device, const std::string& where) {
    using R = Result<ThumbnailShape>;
    if (!device.isObject() || !device.isMember("thumbnail")) return R::Ok(ThumbnailShape::Png);
    const Json::Value& value = device["thumbnail"];
    for (ThumbnailShape s : {ThumbnailShape::Png, ThumbnailShape::NotPng, ThumbnailShape::TooLarge,
                             ThumbnailShape::Missing})
        if (value.isString() && value.asString() == ThumbnailShapeName(s)) return R::Ok(s);
    return R::Fail(where + ".thumbnail: must be png, notPng, tooLarge or missing");
}

}  // namespace nimbrel::sim
