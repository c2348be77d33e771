// MD5 digests and HMACs, as lower-case hex or raw bytes.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

enum class DigestKind { Md5, Sha1 };

std::string Md5Hex(std::string_view text);
// Raw HMAC bytes (RFC 2104) of `data` under `key`.
std::string Hmac(DigestKind kind, std::string_view key, std::string_view data);

}  // namespace nimbrel
