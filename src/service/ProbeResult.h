// The values of the two network probe results (m_UdpProbeResult, m_TcpProbeResult) and the
// fixed numbers of the probes.
// Threading: constants only.
#pragma once

#include <cstdint>

namespace nimbrel {

inline constexpr int32_t kProbeUnknown = -1;        // the probe has not finished
inline constexpr int32_t kProbeNoAnswer = 0;        // no answer within the tries
inline constexpr int32_t kProbeOpen = 1;            // UDP: own address seen or type 11 answered;
                                                    // TCP: the greeting was answered
inline constexpr int32_t kProbeRestricted = 2;      // UDP: type 21 answered
inline constexpr int32_t kProbePortRestricted = 3;  // UDP: type 31 answered
inline constexpr int32_t kProbeSymmetric = 4;       // UDP: the second server saw another mapping
inline constexpr int32_t kProbeError = 5;           // a socket error, or the stop flag was raised

inline constexpr uint16_t kUdpProbePort = 9467;  // local port of the UDP probe
inline constexpr int kProbeWaitMs = 100;         // every wait of both probes
inline constexpr int kUdpProbeTries = 10;        // tries of each UDP step

}  // namespace nimbrel
