// The process-wide record of the service client: service address, client identity, keys won in
// the security handshake, login results, local network identity, probe results, servers.
// Threading: filled by the start-up thread before any reader exists; afterwards read-only except
// m_NextLocalPort (atomic), m_Penetrate (under m_PenetrateLock), the probe results (atomic) and
// the session's keys, login results and password digest, which a session recovery renews (or
// wipes) while requests run: those are read through SessionText/SessionEndpoint and
// AppendPasswordMd5, and written under SessionWriter.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/FixedText.h"
#include "service/ServerEndpoint.h"

namespace nimbrel {

class DeviceRecord;  // a device of the account's list

struct GlobalSettings {
    GlobalSettings();
    GlobalSettings(const GlobalSettings&) = delete;
    GlobalSettings& operator=(const GlobalSettings&) = delete;

    char m_Scheme[12];
    std::atomic<int32_t> m_IsNew;
    char m_ClientType[5];
    char m_ClientVersion[10];
    char m_ProtocolVersion[5];
    char m_Timestamp[65];
    char m_PathWord[10];
    char m_HandshakeToken[41];
    char m_SealedPublicKey[512];
    char m_RsaExp[260];
    char m_RsaMod[260];
    char m_PublicKeyText[512];
    char m_ClientId[41];
    char m_HandshakeKey[41];
    char m_ServerKeyText[512];
    char m_ServerExp[260];
    char m_ServerMod[260];
    char m_KeyValue[5];
    char m_PasswordMd5[260];
    char m_Token[260];
    char m_StreamProtocol[128];
    char m_Mac[18];
    char m_LocalIp[16];
    char m_LocalMask[16];
    char m_StreamKey[5];
    std::atomic<uint16_t> m_NextLocalPort;
    std::thread m_UdpProbeThread;
    std::thread m_TcpProbeThread;
    std::atomic<int32_t> m_StopProbes;
    std::atomic<int32_t> m_UdpProbeResult;
    std::atomic<int32_t> m_TcpProbeResult;
    char m_SignKey[260];
    char m_Host[18];
    uint16_t m_Port;
    ServerEndpoint m_DefTran;
    ServerEndpoint m_FirstDetection;
    ServerEndpoint m_SecondDetection;
    struct {
        char ip[17];
        int32_t port;
    } m_Penetrate;
    std::mutex m_PenetrateLock;  // m_Penetrate is written by several cameras' start threads
    std::atomic<int32_t> m_LoggedIn;
    void* m_MainDlg;
    void* m_PopupWnd;
    std::atomic<DeviceRecord*> m_CurDevice;

    // Guards the fields a session recovery renews: m_Timestamp, m_HandshakeToken,
    // m_ServerKeyText, m_ServerExp, m_ServerMod, m_KeyValue, m_StreamKey, m_Token, m_DefTran
    // and the detection servers; and m_PasswordMd5, which it reads and may wipe.
    mutable std::shared_mutex m_SessionLock;
    // A copy of one of those fields, taken under the lock.
    template <std::size_t N>
    std::string SessionText(const char (&field)[N]) const {
        std::shared_lock guard(m_SessionLock);
        return std::string(GetText(field));
    }
    ServerEndpoint SessionEndpoint(const ServerEndpoint& field) const {
        std::shared_lock guard(m_SessionLock);
        return field;
    }
    // Held while those fields are written.
    std::unique_lock<std::shared_mutex> SessionWriter() const {
        return std::unique_lock(m_SessionLock);
    }

    // The sign-in's password digest (m_PasswordMd5) is kept here alone: copied only into the
    // payload of a request that sends it, which its sender wipes.
    void SetPasswordMd5(std::string_view md5);
    void AppendPasswordMd5(std::string& payload) const;
    // Overwrites the digest and the login token (sign-out, exit, a refused renewal).
    void WipeCredentials();

    // Takes the next local port for a live-view or playback bind: one indivisible
    // increment-and-read, so the first call yields 18886 and no two calls share a number.
    uint16_t NextLocalPort() { return static_cast<uint16_t>(m_NextLocalPort.fetch_add(1) + 1); }
};

// The one process-wide instance.
extern GlobalSettings global;

// Sets every field of `settings` to its initial value; returns its address.
GlobalSettings* InitGlobalSettings(GlobalSettings& settings = global);

// The default service host, used when no other is configured.
inline constexpr const char* kDefaultServiceHost = "cloud.nimbrel.net";

}  // namespace nimbrel
