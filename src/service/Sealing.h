// Sealed request payloads and sealed reply bodies: an AES-128 key chosen per message, the
// payload encrypted under it (biz) and the key encrypted with RSA to the receiver (sk).
// Threading: callable from any thread once the handshake has filled the settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "service/GlobalSettings.h"

namespace nimbrel {

// A payload longer than this does not fit the 1,023-character biz text of the request.
inline constexpr std::size_t kMaxSealedPayload = 751;

// Builds the URL of a sealed request: `urlPrefix` followed by the DES-wrapped
// "biz:..&cl:..&cv:..&pv:..&sk:..&tm:.." text. Nothing when the payload is too long or the key
// cannot be used; then nothing may be sent.
std::optional<std::string> SealPayload(const GlobalSettings& g, std::string_view payload,
                                       std::string_view urlPrefix);

struct OpenedBody {
    std::string text;    // the opened JSON text
    std::string aesKey;  // the 16-byte key it was sealed with
};

// Opens sk/biz of a sealed reply body with the client's private key. Nothing when a base64 text
// is malformed, RSA or AES fails, the padding is wrong, or the text exceeds `capacity` bytes.
std::optional<OpenedBody> OpenSealed(std::string_view sk, std::string_view biz,
                                     std::size_t capacity);

}  // namespace nimbrel
