// Base64 with the standard alphabet and padding.
// Threading: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

std::string Base64Encode(std::string_view bytes);

// Strict decoding: length a multiple of 4, only alphabet characters, '=' only as final padding.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace nimbrel
