// Sending a request to the service and reading its JSON reply, in each wrapping kind.
// Threading: callable from worker threads once the handshake has filled the settings.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "service/ServiceOperation.h"

namespace nimbrel {

inline constexpr std::size_t kReply64K = 64 * 1024;
inline constexpr std::size_t kReply256K = 256 * 1024;
inline constexpr std::size_t kReply512K = 512 * 1024;

// GETs `url`, deciphers the body with `variant` and parses it. Nothing on a transport failure or
// when the body is not a JSON object; nothing, without a request, when `options.session` has
// ended.
std::optional<Json::Value> FetchJson(const GlobalSettings& g, const std::string& url, int variant,
                                     std::size_t capacity, const HttpOptions& options = {});

// Seals `payload` for `op`, sends it and parses the reply. Nothing when sealing fails (nothing
// is sent), on a transport failure or an unparsable reply.
std::optional<Json::Value> SendSealed(const GlobalSettings& g, ServiceOp op,
                                      std::string_view payload, std::size_t capacity,
                                      const HttpOptions& options = {});

// Sends a payload that carries its own token, DES-wrapped with m_KeyValue (variant 0 reply).
std::optional<Json::Value> SendTokenSigned(const GlobalSettings& g, ServiceOp op,
                                           std::string payload, std::size_t capacity,
                                           const HttpOptions& options = {});

// Sends a payload DES-wrapped with its own 8-character key (variant 1 reply).
std::optional<Json::Value> SendHandshakeStyle(const GlobalSettings& g, ServiceOp op,
                                              std::string payload, std::size_t capacity,
                                              const HttpOptions& options = {});

// The "status" member of a reply, or an empty text when it is missing or not a string.
std::string ReplyStatus(const Json::Value& reply);

// Opens the sealed body (sk/biz) of a reply into the JSON object it carries.
std::optional<Json::Value> OpenSealedReply(const Json::Value& reply, std::size_t capacity = 1023,
                                           std::string* aesKey = nullptr);

}  // namespace nimbrel
