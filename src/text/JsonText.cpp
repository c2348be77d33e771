#include "text/JsonText.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cstring>
#include <exception>
#include <memory>

namespace nimbrel {

std::optional<Json::Value> ParseJsonObject(std::string_view text) {
    const std::size_t end = text.find('\0');
    if (end != std::string_view::npos) text = text.substr(0, end);
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["stackLimit"] = static_cast<int>(kJsonNestingLimit);
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    // The reader throws, rather than fails, when the nesting passes its stack limit.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
            return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!root.isObject()) return std::nullopt;
    return root;
}

std::optional<std::string> StringMember(const Json::Value& object, const char* name) {
    if (!object.isObject()) return std::nullopt;
    const Json::Value* member = object.find(name, name + std::strlen(name));
    if (!member || !member->isString()) return std::nullopt;
    return member->asString();
}

std::string CompactJson(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

}  // namespace nimbrel
