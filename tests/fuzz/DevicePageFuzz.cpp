// One page of the service's device list on arbitrary input: the input as JSON text, and a page
// built from the input's bytes with members of every JSON type. A page is taken whole or refused
// whole, refused exactly when a member has the wrong type, and every text fits its field.
#include <json/value.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "devices/DevicePage.h"
#include "text/JsonText.h"
#include "text/Utf16Units.h"
#include "text/WideText.h"

namespace {

using nimbrel::DeviceFields;

const char* const kTextKeys[] = {
    "showLED",     "showSound",      "sid",          "name",      "showAlarm",
    "alarmStatus", "alarmStartTime", "alarmEndTime", "ledStatus", "soundLeadStatus",
    "lock",        "lockPsd",        "type",         "version",   "img"};
const char* const kNumberKeys[] = {"init", "status"};

// Aborts, naming the line, when a property does not hold.
#define Check(ok)                                                         \
    do {                                                                  \
        if (!(ok)) {                                                      \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #ok); \
            std::abort();                                                 \
        }                                                                 \
    } while (false)

bool IsPrefix(const std::string& part, const std::string& whole) {
    return whole.compare(0, part.size(), part) == 0;
}

void CheckWidths(const DeviceFields& f) {
    Check(f.sid.size() <= 17);
    Check(nimbrel::Utf16Length(f.name) <= 259);
    Check(f.lockPsd.size() <= 259);
    Check(f.type.size() <= 15);
    Check(f.version.size() <= 15);
    Check(f.img.size() <= 259);
}

// Reads the input front to back; past its end every read is 0.
class Bytes {
  public:
    explicit Bytes(std::string_view data) : data_(data) {}
    uint8_t Next() { return pos_ < data_.size() ? static_cast<uint8_t>(data_[pos_++]) : 0; }
    std::string Text() {
        std::string text;
        for (std::size_t n = Next() % 40; n > 0; --n) text += static_cast<char>(Next());
        return text;
    }
    bool Done() const { return pos_ >= data_.size(); }

  private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

enum class Kind { String, Int, Real, Bool, Null, Array, Object, Count };

Json::Value Make(Kind kind, Bytes& in) {
    const int high = in.Next();
    const int low = in.Next();
    switch (kind) {
        case Kind::String:
            return Json::Value(in.Text());
        case Kind::Int:
            return Json::Value((high << 8 | low) - 30000);
        case Kind::Real:
            return Json::Value((high - 128) * 1e7 * low + 0.5);
        case Kind::Bool:
            return Json::Value(low % 2 == 0);
        case Kind::Null:
            return Json::Value();
        case Kind::Array:
            return Json::Value(Json::arrayValue);
        default:
            return Json::Value(Json::objectValue);
    }
}

// A page whose members take the types the bytes choose; `valid` says whether every member has a
// type the list allows (texts: strings; init and status: numbers or booleans; absent or null
// members read as empty).
Json::Value BuildPage(Bytes& in, bool& valid) {
    valid = true;
    Json::Value page(Json::objectValue);
    Json::Value& result = page["result"] = Json::Value(Json::arrayValue);
    for (int devices = in.Next() % 12; devices > 0 && !in.Done(); --devices) {
        if (in.Next() % 16 == 0) {
            result.append(Json::Value(in.Text()));  // not an object
            valid = false;
            continue;
        }
        Json::Value item(Json::objectValue);
        // Mostly well-typed, so that whole pages get through.
        for (const char* key : kTextKeys) {
            const uint8_t choice = in.Next();
            if (choice % 8 == 0) continue;
            const Kind kind =
                choice % 5 == 0 ? static_cast<Kind>(choice / 8 % int(Kind::Count)) : Kind::String;
            item[key] = Make(kind, in);
            if (kind != Kind::String && kind != Kind::Null) valid = false;
        }
        for (const char* key : kNumberKeys) {
            const uint8_t choice = in.Next();
            if (choice % 8 == 0) continue;
            const Kind kind = static_cast<Kind>(choice / 8 % int(Kind::Count));
            item[key] = Make(kind, in);
            if (kind == Kind::String || kind == Kind::Array || kind == Kind::Object) valid = false;
        }
        if (in.Next() % 4 == 0) item["x-" + in.Text()] = Make(Kind::Object, in);  // ignored
        result.append(item);
    }
    return page;
}

void CheckPage(const Json::Value& page, bool valid) {
    const auto devices = nimbrel::ParseDevicePage(page);
    Check(devices.has_value() == valid);
    if (!devices) return;
    const Json::Value& result = page["result"];
    Check(devices->size() == result.size());
    for (Json::ArrayIndex i = 0; i < result.size(); ++i) {
        const DeviceFields& f = (*devices)[i];
        CheckWidths(f);
        const Json::Value& item = result[i];
        if (item["sid"].isString()) Check(IsPrefix(f.sid, item["sid"].asString()));
        // The name is read as UTF-8 (malformed bytes become U+FFFD), then cut.
        if (item["name"].isString())
            Check(IsPrefix(f.name,
                           nimbrel::Utf8FromWide(nimbrel::WideFromUtf8(item["name"].asString()))));
        if (item["status"].isBool()) Check(f.status == (item["status"].asBool() ? 1 : 0));
        if (!item.isMember("init")) Check(f.init == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The input as the opened business JSON of a reply.
    if (const auto business = nimbrel::ParseJsonObject(input)) {
        if (const auto devices = nimbrel::ParseDevicePage(*business)) {
            Check((*business)["result"].isArray());
            Check(devices->size() == (*business)["result"].size());
            for (const DeviceFields& f : *devices) CheckWidths(f);
        }
    }
    Bytes in(input);
    bool valid = false;
    const Json::Value page = BuildPage(in, valid);
    CheckPage(page, valid);
    return 0;
}
