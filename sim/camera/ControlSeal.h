// The camera's side of the sealed control messages: JSON written compact and sorted, padded
// with spaces to whole DES blocks, enciphered block by block under the service's keyValue
// followed by a 4-character salt, and carried as lower-case hex after an 8-byte packet header
// (stream) or a 16-byte header (rendezvous datagrams).
// Threading: pure functions, callable from any thread.
#pragma once

#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "Result.h"

namespace nimbrel::sim {

class ControlSeal {
  public:
    static constexpr uint8_t kInteractive = 0x32;
    static constexpr std::size_t kPacketHeader = 8;
    static constexpr std::size_t kDatagramHeader = 16;
    // Hex characters a client's receive buffer takes.
    static constexpr std::size_t kMaxHex = 2040;

    // A whole FLAG_INTERACTIVE packet; a fresh random salt unless `salt` is given.
    static std::string Packet(const Json::Value& message, std::string_view keyValue,
                              std::string_view salt = {});
    // A whole datagram of `type` with the 16-byte header.
    static std::string Datagram(uint8_t type, const Json::Value& message, std::string_view keyValue,
                                std::string_view salt = {});

    // The hex text of `text` sealed under keyValue + salt.
    static std::string SealText(std::string_view text, std::string_view keyValue,
                                std::string_view salt);
    // Opens `hex` under keyValue + salt and parses the JSON object it holds. Fails on odd or
    // non-hex text, text that is not whole DES blocks, or plaintext that is not a JSON object.
    static Result<Json::Value> Open(std::string_view hex, std::string_view keyValue,
                                    std::string_view salt);
    // Opens a whole datagram with the 16-byte header; checks its length field.
    static Result<Json::Value> OpenDatagram(std::string_view datagram, std::string_view keyValue);
};

}  // namespace nimbrel::sim
