// How users reach the makers and the service's support: the About box lists these, and password
// recovery names the mail and telephone when an account has no security questions. This is the
// one place to change them.
// Threading: constants.
#pragma once

#include "text/Translation.h"

namespace nimbrel::support {

inline constexpr const char* kWebsite = "nimbrel.net";
inline constexpr const char* kMail = "support@nimbrel.net";
inline constexpr const char* kPhone = "8 800 000-00-00";
inline constexpr const char* kAddress = NIMBREL_TR_NOOP("Core", "Москва, Россия");
inline constexpr const char* kCompany = NIMBREL_TR_NOOP("Core", "ООО «Нимбрел»");

}  // namespace nimbrel::support
