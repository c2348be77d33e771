// Random key characters drawn from a cryptographic source.
// Threading: callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr std::string_view kHexAlphabet = "0123456789abcdef";
inline constexpr std::string_view kAesKeyAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// `count` characters, each uniformly from `alphabet` (at most 256 characters long).
std::string RandomChars(std::string_view alphabet, std::size_t count);

}  // namespace nimbrel
