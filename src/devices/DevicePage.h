// Reading one page of the service's device list ("result" of devList.do) without trusting it:
// text keys must be JSON strings, "status" and "init" numbers or booleans; texts are cut to the
// widths of the device record.
// Threading: pure function, callable from any thread.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceRecord.h"

namespace nimbrel {

// The devices of the page, in order; nothing when "result" is not an array, an element is not
// an object, or a key has the wrong JSON type (the whole page is refused).
std::optional<std::vector<DeviceFields>> ParseDevicePage(const Json::Value& business);

}  // namespace nimbrel
