// The service's fixed words and the keyed digests that requests carry as tokens.
// Threading: pure functions and constants, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel::sim {

// Key of every signature the service checks or makes.
inline constexpr std::string_view kSignKey = "r5ebLa2vXo7q@mFe@";
// The product word between client type and versions in a client id, and in every URL path.
inline constexpr std::string_view kPathWord = "velkor";

// 40 lower-case hex digits of HMAC-SHA1 under kSignKey.
std::string SignHex(std::string_view text);
// 32 lower-case hex digits of MD5.
std::string Md5HexOf(std::string_view text);

// Decodes a text in which every byte is written as "%" and two upper-case hex digits. Nothing
// when any character is outside that form.
bool DecodeAllPercent(std::string_view text, std::string& out);

}  // namespace nimbrel::sim
