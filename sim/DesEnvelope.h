// The outer DES layer of service requests and replies as the service sees it: opening the
// `data` text of a request and wrapping a reply body in the form its client deciphers.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include "Result.h"

namespace nimbrel::sim {

class DesEnvelope {
  public:
    // Largest `data` text accepted (a 64 KiB request buffer on the client side).
    static constexpr std::size_t kMaxDataLength = 64 * 1024;

    // A request in the short form: 4 key characters that follow the shared `keyValue` prefix,
    // then lower-case hex of whole DES blocks. Returns the plain text without its padding.
    static Result<std::string> OpenShort(std::string_view data, std::string_view keyValue);
    // A request in the long form: the whole 8-character DES key, then the hex.
    static Result<std::string> OpenLong(std::string_view data);

    // A reply in the short form: 4 fresh key characters after `keyValue`, then the hex of the
    // body padded with 1 to 8 spaces.
    static std::string WrapShort(std::string_view body, std::string_view keyValue);
    // A reply in the long form: 8 fresh key characters, then the hex.
    static std::string WrapLong(std::string_view body);

    // The two steps with chosen key characters, for tests.
    static std::string WrapWithKey(std::string_view body, std::string_view keyChars,
                                   std::string_view keyValue);
    static Result<std::string> Open(std::string_view keyChars, std::string_view hex,
                                    std::string_view keyValue);
};

}  // namespace nimbrel::sim
