#include "ScenarioReader.h"

#include <json/reader.h>

#include <exception>
#include <memory>

namespace nimbrel::sim {

void Fail(const std::string& where, const std::string& what) {
    throw ScenarioError{where + ": " + what};
}

ScenarioObject::ScenarioObject(const Json::Value& object, std::string where)
    : object_(object), where_(std::move(where)) {
    if (!object_.isObject()) Fail(where_, "must be an object");
}

bool ScenarioObject::Has(const std::string& name) {
    known_.insert(name);
    return object_.isMember(name);
}

const Json::Value& ScenarioObject::Raw(const std::string& name) {
    known_.insert(name);
    return object_[name];
}

std::string ScenarioObject::Text(const std::string& name, std::string fallback,
                                 std::size_t maxLength) {
    if (!Has(name)) return fallback;
    const Json::Value& v = object_[name];
    if (!v.isString()) Fail(At(name), "must be a string");
    std::string text = v.asString();
    if (text.size() > maxLength)
        Fail(At(name), "longer than " + std::to_string(maxLength) + " bytes");
    return text;
}

int ScenarioObject::Int(const std::string& name, int fallback, int min, int max) {
    if (!Has(name)) return fallback;
    const Json::Value& v = object_[name];
    if (!v.isInt() || v.asInt() < min || v.asInt() > max)
        Fail(At(name), "must be an integer in " + std::to_string(min) + ".." + std::to_string(max));
    return v.asInt();
}

bool ScenarioObject::Bool(const std::string& name, bool fallback) {
    if (!Has(name)) return fallback;
    const Json::Value& v = object_[name];
    if (!v.isBool()) Fail(At(name), "must be true or false");
    return v.asBool();
}

double ScenarioObject::Seconds(const std::string& name) {
    if (!Has(name)) return -1;
    const Json::Value& v = object_[name];
    if (!v.isNumeric() || v.asDouble() < 0 || v.asDouble() > 86400)
        Fail(At(name), "must be a number of seconds in 0..86400");
    return v.asDouble();
}

void ScenarioObject::CheckAllKnown() const {
    for (const auto& name : object_.getMemberNames())
        if (!name.empty() && name[0] != '_' && !known_.count(name))
            Fail(where_, "unknown member \"" + name + "\"");
}

Result<Json::Value> ParseScenarioJson(std::string_view text) {
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder["allowComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
            return Result<Json::Value>::Fail("not valid JSON: " + errors);
    } catch (const std::exception& e) {  // nested beyond the reader's stack limit
        return Result<Json::Value>::Fail(std::string("not valid JSON: ") + e.what());
    }
    return Result<Json::Value>::Ok(std::move(root));
}

}  // namespace nimbrel::sim
