// Hex text of byte strings, in the two cases the service formats use.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

std::string HexLower(std::string_view bytes);
std::string HexUpper(std::string_view bytes);

// Decodes hex two digits at a time; a final single digit is decoded alone as one byte.
// Returns nothing when a character is not a hex digit.
std::optional<std::string> HexDecode(std::string_view hex);

}  // namespace nimbrel
