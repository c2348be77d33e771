// The stored form of a password, as the account file remembers it and the password checks of
// the signed-in user compare against: an HMAC-MD5 of the first six characters with those
// characters woven in, followed by the rest of the password.
// Threading: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// The length of the stored form of a password of n >= 6 bytes is kMixedOverhead + n.
inline constexpr std::size_t kMixedOverhead = 32;

// The stored form of `password`: for i = 0..15 the byte i of the HMAC-MD5 as two lower-case hex
// digits, each of the first six followed by password[i]; then password from its seventh byte.
// Nothing for a password shorter than 6 bytes, which no check of the program lets through.
std::optional<std::string> PasswordMix(std::string_view password);

// The password back from its stored form: the bytes at 2, 5, 8, 11, 14 and 17 and everything
// from 38 on. Nothing for a text shorter than 38 bytes, which cannot be a stored form.
std::optional<std::string> PasswordUnmix(std::string_view stored);

// True when `typed` has exactly the stored form `stored`.
bool PasswordMatches(std::string_view typed, std::string_view stored);

}  // namespace nimbrel
