// The client's opening "connect" message as a camera checks it: exactly the eight members of a
// live view, every one a string with the value this connection expects; a playback
// ("video-playback" "1") has a ninth, "request-date", naming the recorded hour.
// Threading: pure functions, callable from any thread.
#pragma once

#include <json/value.h>

#include <string>

#include "Result.h"

namespace nimbrel::sim {

struct ConnectMessage {
    std::string sid;
    std::string umac;  // "user,MAC"
    std::string user;  // the part before the first comma
    bool playback = false;
    std::string requestDate;  // playback only: "YYYYMMDD-HH"

    struct Expected {
        std::string protocol;  // "v2.0" over TCP, "1.2" over UDT
        std::string linkType;  // the reachability case the client connected by: "2".."5"
    };
    // Checks `message`; the error says which member is wrong and how.
    static Result<ConnectMessage> Check(const Json::Value& message, const Expected& expected);
};

}  // namespace nimbrel::sim
