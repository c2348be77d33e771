// The status words of service replies, compared without regard to case.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string_view>

namespace nimbrel {

inline constexpr std::string_view kStatusOk = "OK";
inline constexpr std::string_view kStatusErrorPassword = "ERRORPSD";
inline constexpr std::string_view kStatusNoAccount = "NOUSR";
inline constexpr std::string_view kStatusNoUser = "NOUSER";
inline constexpr std::string_view kStatusExpired = "DUE";
inline constexpr std::string_view kStatusOffline = "OFFLINE";
inline constexpr std::string_view kStatusNoDevice = "NODEV";
inline constexpr std::string_view kStatusTooManyUsers = "OUTMAX";
inline constexpr std::string_view kStatusRepeat = "REPEAT";
inline constexpr std::string_view kStatusWrongAnswer = "ERRORANSWER";
inline constexpr std::string_view kStatusNoList = "NOLIST";
inline constexpr std::string_view kStatusNoSdCard = "NOSDCARD";
inline constexpr std::string_view kStatusError = "ERROR";
inline constexpr std::string_view kStatusNewerClient = "UPDATE";
inline constexpr std::string_view kStatusMustUpdate = "UPATE";

bool StatusIs(std::string_view status, std::string_view word);

}  // namespace nimbrel
