// Text from outside (a service's status word, a camera's message) as it may be shown or logged:
// cut to a bounded length, so that a hostile or broken peer cannot flood a line.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// Longer than any status word or message that a working peer sends.
inline constexpr std::size_t kShownTextBytes = 64;

// `outside` when it has at most `limit` bytes; otherwise its first bytes up to a UTF-8
// character boundary within `limit`, then "…" and the whole length ("…(200000 bytes)").
std::string ShownText(std::string_view outside, std::size_t limit = kShownTextBytes);

}  // namespace nimbrel
