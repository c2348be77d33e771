// Running the two network probes after login: starting their threads, waiting for the UDP probe
// before automatic play, the warning when a probe hit an error, and stopping them at exit.
// Threading: StartNetworkProbes on the start-up thread; WaitForUdpProbe on the main window's
// start-up thread; StopNetworkProbes from any thread. The thread handles are guarded here.
#pragma once

#include "platform/UserNotifier.h"
#include "service/GlobalSettings.h"
#include "service/ProbeResult.h"
#include "text/Translation.h"

namespace nimbrel {

inline constexpr const char* kAbnormalNetworkMessage = NIMBREL_TR_NOOP("Core", "Аномальная сеть");
inline constexpr const char* kProbeCaption = NIMBREL_TR_NOOP("Core", "подсказки");

// Starts the UDP probe thread, then the TCP probe thread, into m_UdpProbeThread and
// m_TcpProbeThread; each stores its result once when it ends. Both results read -1 until then.
// False when a thread cannot be started. Probe threads of an earlier call are waited for first.
bool StartNetworkProbes(GlobalSettings& g);

// Waits until the UDP probe thread has ended (at most a few seconds) and releases its handle.
// When the UDP result, or else the TCP result, is 5: shows "Аномальная сеть", sets that result
// to 0 and returns false. Otherwise true.
bool WaitForUdpProbe(GlobalSettings& g, UserNotifier& notifier);

// Waits until the TCP probe thread has ended (at most about eight seconds).
void WaitForTcpProbe(GlobalSettings& g);
// Waits until both probe threads have ended, without judging their results.
void WaitForProbes(GlobalSettings& g);

// Raises m_StopProbes and waits for both threads; each ends within one probe wait. Must run
// before the settings record is destroyed if the probes may still run.
void StopNetworkProbes(GlobalSettings& g);

}  // namespace nimbrel
