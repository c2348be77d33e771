// Reading decimal numbers from texts that come from outside, the way the C library's atoi reads
// them but without its undefined behaviour on overflow.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nimbrel {

// Leading white space, an optional sign and at least one digit; whatever follows is ignored.
// Values beyond the int32 range saturate. Nothing when there is no digit.
std::optional<int32_t> LeadingInt(std::string_view text);

// LeadingInt, 0 when there is no number (atoi's answer).
inline int32_t AtoiText(std::string_view text) {
    return LeadingInt(text).value_or(0);
}

}  // namespace nimbrel
