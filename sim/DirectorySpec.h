// The device directory's part of a scenario: how devList.do misbehaves, the LAN discovery
// responder, and per device what it answers on the LAN and how its thumbnail is served.
// Threading: plain data, read-only once the scenario is loaded; the readers are pure functions.
#pragma once

#include <json/value.h>

#include <string>

#include "Result.h"

namespace nimbrel::sim {

// Breaks the JSON types of one devList.do page so that a client's refusal can be tested.
// StatusBool is a legal variant (true/false read as 1/0), not a fault.
enum class ListMistype {
    None,
    StatusText,    // "status" as a JSON string
    InitText,      // "init" as a JSON string
    NumbersBare,   // the text keys that hold numbers ("showLED", "lock", ...) as JSON numbers
    StatusBool,    // "status" as JSON true/false
    ResultObject,  // "result" as an object instead of an array
};

struct DeviceListSpec {
    int delayMs = 0;  // every devList.do reply is held back this long
    ListMistype mistype = ListMistype::None;
    int mistypePage = 1;  // the page the mistype applies to
};

// How a probe's replies are repeated.
enum class LanDuplicates {
    None,
    Exact,      // each reply twice, identical
    OtherCase,  // each reply twice, the second with the id's letters in the other case
};

struct LanSpec {
    bool enabled = false;  // the responder runs only when the scenario has a "lan" section
    int port = 53217;      // 0: an ephemeral port
    bool required = true;  // false: a port already taken is reported, not fatal
    LanDuplicates duplicates = LanDuplicates::None;
    bool garbled = false;  // a short garbled datagram before each probe's replies
};

// What one device answers to a LAN discovery probe.
struct LanReplySpec {
    bool answers = false;  // default: devices whose reach is lan
    std::string ip = "127.0.0.1";
    std::string mac;  // 12 hex characters, sent as they are; default made from the sid
    int port = 0;     // 0: the camera's stream port
};

// How the device's `img` path is served.
enum class ThumbnailShape {
    Png,       // a 96x72 PNG made by the simulator
    NotPng,    // JPEG-like bytes
    TooLarge,  // a valid PNG of more than 1 MiB
    Missing,   // 404
};

const char* ListMistypeName(ListMistype mistype);
const char* ThumbnailShapeName(ThumbnailShape shape);

// Readers of the scenario members; `where` names the object for messages ("service.deviceList").
Result<DeviceListSpec> ReadDeviceListSpec(const Json::Value& value, const std::string& where);
Result<LanSpec> ReadLanSpec(const Json::Value& value, const std::string& where);
// Reads "lanReply" (false, true or {ip, mac, port}) of a device object; `onLan` is the
// default of `answers`.
Result<LanReplySpec> ReadLanReplySpec(const Json::Value& device, const std::string& where,
                                      const std::string& sid, bool onLan);
// Reads "thumbnail" of a device object.
Result<ThumbnailShape> ReadThumbnailShape(const Json::Value& device, const std::string& where);

}  // namespace nimbrel::sim
