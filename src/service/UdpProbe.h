// The UDP network probe: classifies the address translation in front of this computer by asking
// the two detection servers to echo the source address and port they see.
// Threading: runs on the UDP probe thread; reads the settings and m_StopProbes only.
#pragma once

#include <cstdint>

#include "service/GlobalSettings.h"
#include "service/ProbeResult.h"

namespace nimbrel {

// Binds m_LocalIp:9467 and runs the five steps against m_FirstDetection and m_SecondDetection.
// Returns 0..5 (ProbeResult.h); takes about a second when nothing answers, at most about five.
int32_t RunUdpProbe(const GlobalSettings& g);

}  // namespace nimbrel
