// Exit codes of nimbrelctl, so that scripts can tell what failed.
#pragma once

namespace nimbrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;          // the operation was refused or failed
inline constexpr int kExitUsage = 2;           // bad command line
inline constexpr int kExitNoAdapter = 3;       // no usable network adapter
inline constexpr int kExitHandshake = 4;       // the service could not be reached or keyed
inline constexpr int kExitUpdateRequired = 5;  // the service demands a newer client

}  // namespace nimbrel::cli
