// Copies a parsed JSON value into an OrderedJson for a log line (objects keep the parser's
// member order, which is by name).
// Threading: pure function, callable from any thread.
#pragma once

#include <json/value.h>

#include "OrderedJson.h"

namespace nimbrel::sim {

OrderedJson JsonToOrdered(const Json::Value& value);

}  // namespace nimbrel::sim
