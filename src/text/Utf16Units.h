// Measuring and cutting UTF-8 texts in UTF-16 units, the unit in which display names are limited.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// The number of UTF-16 units the text takes (characters past U+FFFF count twice; malformed
// bytes count as one replacement character each).
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of whole characters that takes at most `maxUnits` UTF-16 units.
std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits);

}  // namespace nimbrel
