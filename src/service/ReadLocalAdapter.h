// Fills the settings' network identity from the adapter in use.
// Threading: start-up thread.
#pragma once

#include <string>

#include "service/GlobalSettings.h"
#include "text/Translation.h"

namespace nimbrel {

// Fills m_Mac, m_LocalIp and m_LocalMask; returns 1 when an address was found, else 0.
// `chosenAdapter` names the adapter to use (loopback included); empty picks the first one up.
int ReadLocalAdapter(GlobalSettings& g, const std::string& chosenAdapter = "");

inline constexpr const char* kAdapterMessage = NIMBREL_TR_NOOP(
    "Core", "Не удалось получить информацию, пожалуйста, проверьте сетевые настройки");

}  // namespace nimbrel
