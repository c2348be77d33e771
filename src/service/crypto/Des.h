// Single DES in ECB mode, block by block, the building block of the service and stream ciphers.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// `key` must be 8 bytes (parity bits are ignored). A trailing partial block of `data` is
// treated as if filled with zero bytes, so the result is always whole blocks.
std::string DesEcbEncrypt(std::string_view key, std::string_view data);
std::string DesEcbDecrypt(std::string_view key, std::string_view data);

}  // namespace nimbrel
