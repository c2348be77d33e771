// Sealing of the JSON control messages exchanged with cameras: compact JSON padded with spaces,
// DES-ECB under the 4-character stream key plus a 4-character salt, sent as lower-case hex.
// Packet form: byte 0 kind, bytes 1..2 hex length (little-endian), 3..6 salt, 7 zero, 8.. hex.
// Datagram form: byte 0 type, 1..2 hex length, 3..11 zero, 12..15 salt, 16.. hex.
// Threading: pure functions, callable from any thread.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr uint8_t kFlagInteractive = 0x32;
// The longest hex text a control message may carry (a 2048-byte packet buffer).
inline constexpr std::size_t kMaxSealedHex = 2040;

// Writes a whole packet into `packet` (header + hex); byte 0 is `kind`. False when the sealed
// text would exceed kMaxSealedHex characters.
bool StreamWrap(std::string_view streamKey, const Json::Value& message, std::string& packet,
                uint8_t kind = kFlagInteractive);
bool StreamWrap16(std::string_view streamKey, const Json::Value& message, std::string& datagram,
                  uint8_t type);

// The plain JSON text of a packet or datagram. Nothing when the announced length is negative,
// over kMaxSealedHex, longer than the bytes present, or the hex text is not hex.
std::optional<std::string> StreamUnwrap(std::string_view streamKey, std::string_view packet);
std::optional<std::string> StreamUnwrap16(std::string_view streamKey, std::string_view datagram);

}  // namespace nimbrel
