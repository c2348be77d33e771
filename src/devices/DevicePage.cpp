#include "devices/DevicePage.h"

#include <cstring>
#include <limits>

#include "text/NumberText.h"
#include "text/Utf16Units.h"

namespace nimbrel {
namespace {

// A text member: empty when missing, refused when present with another type.
bool ReadText(const Json::Value& obj, const char* key, std::size_t width, std::string& out) {
    const Json::Value* v = obj.find(key, key + std::strlen(key));
    if (!v || v->isNull()) {
        out.clear();
        return true;
    }
    if (!v->isString()) return false;
    out = v->asString().substr(0, width - 1);
    return true;
}

bool ReadTextInt(const Json::Value& obj, const char* key, int32_t& out) {
    std::string text;
    if (!ReadText(obj, key, 64, text)) return false;
    out = AtoiText(text);
    return true;
}

// A number member: 0 when missing, true/false as 1/0, refused for other types.
bool ReadNumber(const Json::Value& obj, const char* key, int32_t& out) {
    const Json::Value* v = obj.find(key, key + std::strlen(key));
    if (!v || v->isNull()) {
        out = 0;
        return true;
    }
    if (v->isBool()) {
        out = v->asBool() ? 1 : 0;
        return true;
    }
    if (!v->isNumeric()) return false;
    const double d = v->asDouble();
    constexpr double lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    out = static_cast<int32_t>(d < lo ? lo : d > hi ? hi : d);
    return true;
}

}  // namespace

std::optional<std::vector<DeviceFields>> ParseDevicePage(const Json::Value& business) {
    if (!business.isObject()) return std::nullopt;
    const Json::Value& result = business["result"];
    if (!result.isArray()) return std::nullopt;
    std::vector<DeviceFields> devices;
    devices.reserve(result.size());
    for (const Json::Value& item : result) {
        if (!item.isObject()) return std::nullopt;
        DeviceFields f;
        std::string name;
        const bool ok =
            ReadTextInt(item, "showLED", f.showLED) && ReadTextInt(item, "showSound", f.showSound) &&
            ReadText(item, "sid", 18, f.sid) && ReadText(item, "name", 4096, name) &&
            ReadTextInt(item, "showAlarm", f.showAlarm) &&
            ReadTextInt(item, "alarmStatus", f.alarmStatus) &&
            ReadTextInt(item, "alarmStartTime", f.alarmStartTime) &&
            ReadTextInt(item, "alarmEndTime", f.alarmEndTime) &&
            ReadTextInt(item, "ledStatus", f.ledStatus) &&
            ReadTextInt(item, "soundLeadStatus", f.soundLeadStatus) &&
            ReadTextInt(item, "lock", f.lock) && ReadText(item, "lockPsd", 260, f.lockPsd) &&
            ReadText(item, "type", 16, f.type) && ReadText(item, "version", 16, f.version) &&
            ReadText(item, "img", 260, f.img) && ReadNumber(item, "init", f.init) &&
            ReadNumber(item, "status", f.status);
        if (!ok) return std::nullopt;
        f.name = CutToUtf16Units(name, 259);
        devices.push_back(std::move(f));
    }
    return devices;
}

}  // namespace nimbrel
