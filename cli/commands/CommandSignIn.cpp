#include "CommandSignIn.h"

#include <cctype>
#include <cstdlib>
#include <iostream>

#include "ExitCode.h"
#include "platform/FixedText.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/crypto/Digest.h"
#include "text/JsonText.h"

namespace nimbrel::cli {
namespace {

constexpr const char* kNetworkMessage = "Не удалось войти в систему, проверьте настройки сети！";

// A server named by the login reply: its members are texts, ports read like atoi.
void ReadEndpoint(const Json::Value& bean, const std::string& prefix, ServerEndpoint& out) {
    const auto text = [&](const std::string& name) {
        return StringMember(bean, name.c_str()).value_or("");
    };
    SetText(out.ip, text(prefix + "IP"));
    out.tcpPort = std::atoi(text(prefix + "PortTcp").c_str());
    out.udpPort = std::atoi(text(prefix + "PortUdp").c_str());
}

// The login checks: 4-64 of [A-Za-z0-9_@.] for names, 6-64 of the same for passwords.
bool AllowedText(const std::string& text, std::size_t minLength) {
    if (text.size() < minLength || text.size() > 64) return false;
    for (const unsigned char c : text)
        if (!std::isalnum(c) && c != '_' && c != '@' && c != '.') return false;
    return true;
}

}  // namespace

int SignInForCommand(CliContext& ctx) {
    if (ctx.user.empty()) return ctx.Fail(kExitUsage, "USAGE", "Введите имя пользователя");
    if (!AllowedText(ctx.user, 4))
        return ctx.Fail(kExitUsage, "USAGE",
                        "Имя может состоять из букв, цифр, длиной 4-64 символов");
    if (ctx.password.empty()) return ctx.Fail(kExitUsage, "USAGE", "Введите пароль");
    if (!AllowedText(ctx.password, 6))
        return ctx.Fail(kExitUsage, "USAGE",
                        "Пароль может состоять из букв, цифр, длиной 6-64 символов");
    if (const int rc = ctx.PrepareService(); rc != kExitOk) return rc;

    SetText(ctx.g.m_PasswordMd5, Md5Hex(ctx.password));
    ctx.g.m_IsNew = 1;
    const std::string payload = "uid:" + ctx.user +
                                "&psd:" + std::string(GetText(ctx.g.m_PasswordMd5)) +
                                "&exp:" + std::string(GetText(ctx.g.m_RsaExp)) +
                                "&mod:" + std::string(GetText(ctx.g.m_RsaMod)) +
                                "&isnew:1&mac:" + std::string(GetText(ctx.g.m_Mac));
    const auto reply = SendSealed(ctx.g, ServiceOp::Login, payload, kReply512K);
    if (!reply) return ctx.Fail(kExitFailed, "FAILED", kNetworkMessage);
    const std::string status = ReplyStatus(*reply);
    if (StatusIs(status, kStatusErrorPassword))
        return ctx.Fail(kExitFailed, status, "Неверно введен пароль！");
    if (StatusIs(status, kStatusNoAccount))
        return ctx.Fail(kExitFailed, status, "Имя пользователя не существует！");
    if (!StatusIs(status, kStatusOk))
        return ctx.Fail(kExitFailed, status.empty() ? "FAILED" : status,
                        "Авторизация не удалась, проверьте имя пользователя и пароль！");

    const auto body = OpenSealedReply(*reply, kReply256K);
    if (!body) return ctx.Fail(kExitFailed, "FAILED", kNetworkMessage);
    const Json::Value& opened = *body;
    const Json::Value& server = opened["serverBean"];
    const Json::Value& user = opened["userBean"];
    const auto token = user.isObject() ? StringMember(user, "token") : std::nullopt;
    if (!server.isObject() || !token) return ctx.Fail(kExitFailed, "FAILED", kNetworkMessage);

    ReadEndpoint(server, "defTran", ctx.g.m_DefTran);
    ReadEndpoint(server, "firstDetection", ctx.g.m_FirstDetection);
    ReadEndpoint(server, "secondDetection", ctx.g.m_SecondDetection);
    SetText(ctx.g.m_Token, *token);
    SetText(ctx.app.m_UserName, ctx.user);
    SetText(ctx.app.m_UserMac, ctx.user + "," + std::string(GetText(ctx.g.m_Mac)));
    ctx.g.m_LoggedIn = 1;
    return kExitOk;
}

}  // namespace nimbrel::cli
