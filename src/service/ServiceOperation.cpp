#include "service/ServiceOperation.h"

#include <array>
#include <cstdio>

#include "platform/FixedText.h"

namespace nimbrel {
namespace {

constexpr std::array<ServiceOperation, 18> kOperations{{
    {ServiceOp::Security, "security.do", "%s://%s/velkor/security.do?data=", WrapKind::Handshake, 1, true},
    {ServiceOp::CheckVersion, "checkVersion.do", "%s://%s:%d/velkor/checkVersion.do?data=", WrapKind::HandshakeStyle, 1, false},
    {ServiceOp::SaveAdvise, "saveAdvise.do", "%s://%s:%d/velkor/saveAdvise.do?data=", WrapKind::TokenSigned, 0, false},
    {ServiceOp::Login, "login.do", "%s://%s/velkor/login.do?data=", WrapKind::Sealed, 0, true},
    {ServiceOp::ChangePassword, "changePassword.do", "%s://%s/velkor/changePassword.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::InitPassword, "initPassword.do", "%s://%s/velkor/initPassword.do?data=", WrapKind::Sealed, 0, true},
    {ServiceOp::BindUserList, "bindUserList.do", "%s://%s/velkor/bindUserList.do?data=", WrapKind::Sealed, 0, true},
    {ServiceOp::AddUser, "addUser.do", "%s://%s/velkor/addUser.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::DeleteBindUser, "deleteBindUser.do", "%s://%s/velkor/deleteBindUser.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::SetAlarmTime, "setAlarmTime.do", "%s://%s/velkor/setAlarmTime.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::SetAlarm, "setAlarm.do", "%s://%s/velkor/setAlarm.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::DevList, "devList.do", "%s://%s/velkor/devList.do?data=", WrapKind::Sealed, 0, true},
    {ServiceOp::DeleteDev, "deleteDev.do", "%s://%s/velkor/deleteDev.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::DevName, "devName.do", "%s://%s/velkor/devName.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::SetLed, "setLed.do", "%s://%s/velkor/setLed.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::SetVoice, "setVoice.do", "%s://%s/velkor/setVoice.do?data=", WrapKind::Sealed, 0, false},
    {ServiceOp::Current, "current.do", "%s://%s/velkor/current.do?data=", WrapKind::Sealed, 0, true},
    {ServiceOp::PlayBack, "playBack.do", "%s://%s/velkor/playBack.do?data=", WrapKind::Sealed, 0, true},
}};

}  // namespace

const ServiceOperation& Operation(ServiceOp op) {
    for (const auto& entry : kOperations)
        if (entry.op == op) return entry;
    return kOperations[0];  // unreachable: every enumerator has an entry
}

std::string OperationUrlPrefix(const GlobalSettings& g, ServiceOp op) {
    const std::string scheme(GetText(g.m_Scheme)), host(GetText(g.m_Host));
    char url[512];
    // The templates without ":%d" simply ignore the extra port argument.
    std::snprintf(url, sizeof url, Operation(op).urlTemplate, scheme.c_str(), host.c_str(),
                  static_cast<int>(g.m_Port));
    return url;
}

}  // namespace nimbrel
