// The operations of the cloud service: URL template, wrapping kind and reply handling of each.
// Threading: read-only table, callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include "service/GlobalSettings.h"

namespace nimbrel {

enum class ServiceOp {
    Security,
    CheckVersion,
    SaveAdvise,
    Login,
    ChangePassword,
    InitPassword,
    BindUserList,
    AddUser,
    DeleteBindUser,
    SetAlarmTime,
    SetAlarm,
    DevList,
    DeleteDev,
    DevName,
    SetLed,
    SetVoice,
    Current,
    PlayBack,
};

enum class WrapKind { Handshake, HandshakeStyle, TokenSigned, Sealed };

struct ServiceOperation {
    ServiceOp op;
    const char* name;         // "login.do"
    const char* urlTemplate;  // printf form: scheme, host[, port]; the wrapped payload follows
    WrapKind kind;
    int replyVariant;  // 1: the reply key is its own first 8 characters; 0: m_KeyValue + 4
    bool sealedReply;  // the reply body carries sk/biz (for initPassword.do: steps 1 and 2)
};

const ServiceOperation& Operation(ServiceOp op);

// The URL up to and including "data=", built from the template with scheme, host and port.
std::string OperationUrlPrefix(const GlobalSettings& g, ServiceOp op);

}  // namespace nimbrel
