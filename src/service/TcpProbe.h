// The TCP network probe: checks that a TCP exchange with the first detection server works by
// sending it a small greeting and waiting for any answer.
// Threading: runs on the TCP probe thread; reads the settings and m_StopProbes only.
#pragma once

#include <array>
#include <cstdint>

#include "service/GlobalSettings.h"
#include "service/ProbeResult.h"

namespace nimbrel {

inline constexpr std::size_t kTcpProbePacketSize = 31;
inline constexpr int kTcpConnectWaits = 40;
inline constexpr int kTcpSendWaits = 10;
inline constexpr int kTcpAnswerWaits = 30;
inline constexpr std::size_t kTcpAnswerRead = 260;

// The greeting: a 16-byte header whose bytes 4-7 hold the JSON length (15, little-endian),
// then {"tcp":"hello"} without a terminator.
std::array<uint8_t, kTcpProbePacketSize> TcpProbePacket();

// Connects to m_FirstDetection's TCP port, greets it and waits for an answer.
// 1 answered; 0 no connection or no answer in time; 5 a socket error, a closed connection or
// the stop flag. Takes at most about eight seconds.
int32_t RunTcpProbe(const GlobalSettings& g);

}  // namespace nimbrel
