// AES-128 in ECB mode with PKCS#7 padding, as the sealed service messages use it.
// Threading: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// `key` must be 16 bytes; returns nothing when the cipher cannot be set up.
std::optional<std::string> Aes128EcbEncrypt(std::string_view key, std::string_view plain);

// Returns nothing on a bad key, a length that is not whole blocks, or a last byte outside 1..16.
// Only the last byte decides how much padding is removed.
std::optional<std::string> Aes128EcbDecrypt(std::string_view key, std::string_view cipher);

}  // namespace nimbrel
