#include "service/NetworkProbes.h"

#include <pthread.h>

#include <mutex>
#include <system_error>

#include "platform/Log.h"
#include "service/TcpProbe.h"
#include "service/UdpProbe.h"

namespace nimbrel {
namespace {

// Guard the thread handles of every settings record: a waiter and a stopper may meet. One lock
// per probe, so that waiting for the slower TCP probe never delays the UDP waiter.
std::mutex& UdpHandleLock() {
    static std::mutex lock;
    return lock;
}
std::mutex& TcpHandleLock() {
    static std::mutex lock;
    return lock;
}

void JoinLocked(std::thread& thread) {
    if (thread.joinable()) thread.join();
}

template <typename Probe>
bool StartProbe(std::thread& handle, const char* name, std::atomic<int32_t>& result, Probe probe) {
    try {
        handle = std::thread([name, &result, probe] {
            pthread_setname_np(pthread_self(), name);
            result.store(probe());
        });
        return true;
    } catch (const std::system_error& e) {
        NLOG_ERROR("StartNetworkProbes: cannot start " << name << ": " << e.what());
        return false;
    }
}

}  // namespace

bool StartNetworkProbes(GlobalSettings& g) {
    std::scoped_lock guard(UdpHandleLock(), TcpHandleLock());
    JoinLocked(g.m_UdpProbeThread);
    JoinLocked(g.m_TcpProbeThread);
    g.m_UdpProbeResult = kProbeUnknown;
    g.m_TcpProbeResult = kProbeUnknown;
    const GlobalSettings& settings = g;
    if (!StartProbe(g.m_UdpProbeThread, "udp-probe", g.m_UdpProbeResult,
                    [&settings] { return RunUdpProbe(settings); }))
        return false;
    return StartProbe(g.m_TcpProbeThread, "tcp-probe", g.m_TcpProbeResult,
                      [&settings] { return RunTcpProbe(settings); });
}

bool WaitForUdpProbe(GlobalSettings& g, UserNotifier& notifier) {
    {
        std::lock_guard guard(UdpHandleLock());
        JoinLocked(g.m_UdpProbeThread);
    }
    NLOG_DEBUG("WaitForUdpProbe: udp " << g.m_UdpProbeResult.load() << ", tcp "
                                       << g.m_TcpProbeResult.load());
    std::atomic<int32_t>* failed = nullptr;
    if (g.m_UdpProbeResult.load() == kProbeError)
        failed = &g.m_UdpProbeResult;
    else if (g.m_TcpProbeResult.load() == kProbeError)
        failed = &g.m_TcpProbeResult;
    if (!failed) return true;
    notifier.MessageBox(kAbnormalNetworkMessage, kProbeCaption);
    failed->store(kProbeNoAnswer);
    return false;
}

void WaitForTcpProbe(GlobalSettings& g) {
    std::lock_guard guard(TcpHandleLock());
    JoinLocked(g.m_TcpProbeThread);
}

void WaitForProbes(GlobalSettings& g) {
    {
        std::lock_guard guard(UdpHandleLock());
        JoinLocked(g.m_UdpProbeThread);
    }
    WaitForTcpProbe(g);
}

void StopNetworkProbes(GlobalSettings& g) {
    g.m_StopProbes = 1;
    WaitForProbes(g);
}

}  // namespace nimbrel
