#include "service/GlobalSettings.h"

#include <cstring>

#include "platform/FixedText.h"

namespace nimbrel {

GlobalSettings global;

GlobalSettings::GlobalSettings() { InitGlobalSettings(*this); }

void GlobalSettings::SetPasswordMd5(std::string_view md5) {
    const auto writer = SessionWriter();
    SetText(m_PasswordMd5, md5);
}

void GlobalSettings::AppendPasswordMd5(std::string& payload) const {
    std::shared_lock guard(m_SessionLock);
    payload.append(GetText(m_PasswordMd5));
}

void GlobalSettings::WipeCredentials() {
    const auto writer = SessionWriter();
    // SetText clears the whole field, past the text's end too.
    SetText(m_PasswordMd5, "");
    SetText(m_Token, "");
}

GlobalSettings* InitGlobalSettings(GlobalSettings& s) {
    SetText(s.m_Scheme, "http");
    s.m_IsNew = 0;
    SetText(s.m_ClientType, "pc");
    SetText(s.m_ClientVersion, "2.0");
    SetText(s.m_ProtocolVersion, "2.0");
    SetText(s.m_Timestamp, "");
    SetText(s.m_PathWord, "velkor");
    SetText(s.m_HandshakeToken, "");
    SetText(s.m_SealedPublicKey, "");
    SetText(s.m_RsaExp, "");
    SetText(s.m_RsaMod, "");
    SetText(s.m_PublicKeyText, "");
    std::string clientId;
    clientId.append(GetText(s.m_ClientType))
        .append(GetText(s.m_PathWord))
        .append(GetText(s.m_ClientVersion))
        .append(GetText(s.m_ProtocolVersion));
    SetText(s.m_ClientId, clientId);
    SetText(s.m_HandshakeKey, "");
    SetText(s.m_ServerKeyText, "");
    SetText(s.m_ServerExp, "");
    SetText(s.m_ServerMod, "");
    SetText(s.m_KeyValue, "");
    SetText(s.m_PasswordMd5, "");
    SetText(s.m_Token, "");
    SetText(s.m_StreamProtocol, "1.2");
    SetText(s.m_Mac, "");
    SetText(s.m_LocalIp, "");
    SetText(s.m_LocalMask, "");
    SetText(s.m_StreamKey, "");
    s.m_NextLocalPort = 18885;
    s.m_StopProbes = 0;
    s.m_UdpProbeResult = -1;
    s.m_TcpProbeResult = -1;
    SetText(s.m_SignKey, "r5ebLa2vXo7q@mFe@");
    SetText(s.m_Host, kDefaultServiceHost);
    s.m_Port = 80;
    s.m_DefTran = {};
    s.m_FirstDetection = {};
    s.m_SecondDetection = {};
    std::memset(&s.m_Penetrate, 0, sizeof s.m_Penetrate);
    s.m_LoggedIn = 0;
    s.m_MainDlg = nullptr;
    s.m_PopupWnd = nullptr;
    s.m_CurDevice = nullptr;
    return &s;
}

}  // namespace nimbrel
