// Reading JSON texts from outside without trusting their types, and the compact writer of
// stream control messages.
// Threading: pure functions, callable from any thread.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// How deep arrays and objects may nest in a text from outside; replies and stream messages
// nest a few levels, and the reader recurses once per level.
inline constexpr std::size_t kJsonNestingLimit = 64;

// Parses `text` (up to its first NUL) and returns it if it is a JSON object; nothing for
// malformed text and for text nested deeper than kJsonNestingLimit.
std::optional<Json::Value> ParseJsonObject(std::string_view text);

// The member `name` of `object` if it is a JSON string; nothing for other types or absence.
std::optional<std::string> StringMember(const Json::Value& object, const char* name);

// Compact JSON: no white space, members in ascending byte order of their names, non-ASCII as
// UTF-8, followed by one line feed.
std::string CompactJson(const Json::Value& value);

}  // namespace nimbrel
