// A service request after its wrapping was taken off: which operation, how it was wrapped,
// and its key/value pairs in the order they arrived.
// Threading: a value type; no shared state.
#pragma once

#include <string>
#include <string_view>

#include "PayloadPairs.h"

namespace nimbrel::sim {

// handshake: security.do, 8-character DES key; sealed: keyValue-prefixed DES around
// biz/sk; token-signed: keyValue-prefixed DES around the payload; handshake-style: the
// 8-character DES key around the payload.
enum class WrapKind { Handshake, Sealed, TokenSigned, HandshakeStyle };

inline std::string_view WrapName(WrapKind kind) {
    switch (kind) {
        case WrapKind::Handshake:
            return "handshake";
        case WrapKind::Sealed:
            return "sealed";
        case WrapKind::TokenSigned:
            return "token-signed";
        case WrapKind::HandshakeStyle:
            return "handshake-style";
    }
    return "sealed";
}

// Replies to these kinds carry the whole 8-character key; the others the 4 characters that
// follow keyValue.
inline bool LongReplyKey(WrapKind kind) {
    return kind == WrapKind::Handshake || kind == WrapKind::HandshakeStyle;
}

struct DecodedRequest {
    std::string path;  // "login.do"
    WrapKind wrap = WrapKind::Sealed;
    PayloadPairs envelope;  // sealed requests: biz, cl, cv, pv, sk, tm
    PayloadPairs payload;   // the operation's own pairs
    std::string tm;         // sealed requests: the client's handshake time
};

}  // namespace nimbrel::sim
