#include "camera/JsonToOrdered.h"

namespace nimbrel::sim {

OrderedJson JsonToOrdered(const Json::Value& value) {
    switch (value.type()) {
        case Json::objectValue: {
            OrderedJson out = OrderedJson::Object();
            for (const auto& name : value.getMemberNames())
                out.Set(name, JsonToOrdered(value[name]));
            return out;
        }
        case Json::arrayValue: {
            OrderedJson out = OrderedJson::Array();
            for (const auto& element : value) out.Add(JsonToOrdered(element));
            return out;
        }
        case Json::intValue:
            return OrderedJson::Int(value.asInt64());
        case Json::uintValue:
            return OrderedJson::Int(static_cast<std::int64_t>(value.asUInt64()));
        case Json::booleanValue:
            return OrderedJson::Bool(value.asBool());
        case Json::stringValue:
            return OrderedJson::String(value.asString());
        case Json::realValue:
            return OrderedJson::String(std::to_string(value.asDouble()));
        case Json::nullValue:
            break;
    }
    return OrderedJson::String("");
}

}  // namespace nimbrel::sim
