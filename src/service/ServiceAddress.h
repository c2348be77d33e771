// Pointing the client at a service given as a URL ("http://127.0.0.1:8080").
// Threading: start-up only.
#pragma once

#include <string_view>

#include "service/GlobalSettings.h"

namespace nimbrel {

// Fills m_Scheme, m_Host and m_Port (the scheme's default port when the URL names none).
// False, with the settings unchanged, for a URL that is not scheme://host[:port][/], a host
// longer than 17 characters or a port outside 1..65535.
bool ApplyServiceUrl(GlobalSettings& g, std::string_view url);

}  // namespace nimbrel
