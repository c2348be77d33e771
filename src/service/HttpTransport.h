// One HTTP GET per service request (libcurl), its reply body deciphered into text; and the
// download of device pictures.
// Threading: callable from any thread; every call has its own handle and buffers.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "service/GlobalSettings.h"

namespace nimbrel {

class SessionRecovery;

inline constexpr std::size_t kReplyBodyLimit = 512 * 1024;
inline constexpr std::size_t kPictureLimit = 1024 * 1024;

struct HttpOptions {
    long connectTimeoutMs = 15000;
    long totalTimeoutMs = 20000;
    // When set, raising it aborts a running transfer within about a second (a transport failure).
    const std::atomic<bool>* cancel = nullptr;
    // When set, told whether each service request (FetchJson and the requests built on it) got a
    // readable reply, so that a lost session is noticed wherever it shows; once it has ended, no
    // such request is sent.
    SessionRecovery* session = nullptr;
};

// Initialises libcurl once for the process; HttpGet also does it on first use.
void HttpTransportInit();

// GETs `url` on port m_Port and deciphers the body (variant 1: own 8-character key, variant 0:
// m_KeyValue + 4) into `out`, cut at its first NUL. The HTTP status code is not looked at.
// Returns 1 when the transfer completed, 0 on a transport failure, a body over 512 KiB, or a
// plain text larger than `outCapacity`. A body that does not decipher leaves `out` empty.
int HttpGet(const GlobalSettings& g, const std::string& url, std::string& out, int variant,
            std::size_t outCapacity, const HttpOptions& options = {});

// Downloads a picture into `block` (at most 1 MiB) and reports its size in `count`.
// Returns 0 on failure and leaves `block` and `count` as they were.
int HttpGetImage(const GlobalSettings& g, const std::string& url, std::vector<unsigned char>& block,
                 std::size_t& count, const HttpOptions& options = {});

}  // namespace nimbrel
