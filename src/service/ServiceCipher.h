// The outer cipher of service requests and replies (DES-ECB keyed by the shared key prefix and
// random key characters) and the HMAC signature of tokens.
// Threading: pure functions over read-only settings, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "service/GlobalSettings.h"

namespace nimbrel {

// Lower-case hex HMAC-SHA1 of `text` under the settings' sign key.
std::string HmacSha1Hex(const GlobalSettings& g, std::string_view text);

// Pads `payload` in place with 1..8 spaces to whole DES blocks and returns the wrapped text:
// 4 random key characters, then the cipher text in lower-case hex. The DES key is the first 4
// characters of m_KeyValue followed by the 4 drawn ones.
std::string DesWrap(const GlobalSettings& g, std::string& payload);
// The same with 8 random characters that form the whole key.
std::string DesWrap8(std::string& payload);

// Opens a reply of DesWrap form. The plain text keeps its padding. Nothing for a reply shorter
// than its key part or with a non-hex character; trailing white space of the body is ignored.
std::optional<std::string> DesUnwrap(const GlobalSettings& g, std::string_view reply);
std::optional<std::string> DesUnwrap8(std::string_view reply);

}  // namespace nimbrel
