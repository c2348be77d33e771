#include "devices/DeviceOperations.h"

#include <cstdio>

#include "platform/FixedText.h"
#include "platform/WipedText.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/Translation.h"
#include "text/Utf16Units.h"

namespace nimbrel {
namespace {

constexpr const char* kRenameFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось переименовать устройство, попробуйте еще раз");
constexpr const char* kDeleteFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось удалить устройство, попробуйте еще раз");

std::string Common(const DeviceServiceContext& ctx, const DeviceRecord& device) {
    std::string p = "uid:";
    p.append(GetText(ctx.app.m_UserName)).append("&sid:").append(device.Sid());
    return p;
}

std::string MacAndToken(const GlobalSettings& g) {
    return std::string("&mac:")
        .append(GetText(g.m_Mac))
        .append("&token:")
        .append(g.SessionText(g.m_Token));
}

}  // namespace

std::optional<std::string> CheckDeviceName(const std::string& utf8Name) {
    if (Utf16Length(utf8Name) > kMaxDeviceNameUnits) return std::string(kRenameTooLongMessage);
    return std::nullopt;
}

std::string PercentEncodeName(const std::string& utf8Name) {
    std::string out;
    for (unsigned char c : utf8Name.substr(0, 260)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%2X", c);
        out += hex;
    }
    return out;
}

DeviceOpOutcome RenameDevice(const DeviceServiceContext& ctx, DeviceRecord& device,
                             const std::string& utf8Name) {
    const std::string payload =
        Common(ctx, device) + "&name:" + PercentEncodeName(utf8Name) + MacAndToken(ctx.g);
    const auto reply = SendSealed(ctx.g, ServiceOp::DevName, payload, kReply256K, ctx.http);
    if (!reply) return {false, kRenameFailed};
    const std::string status = ReplyStatus(*reply);
    if (StatusIs(status, kStatusOk)) {
        device.SetName(utf8Name);
        return {true, ""};
    }
    if (StatusIs(status, kStatusNoDevice))
        return {false, NIMBREL_TR_NOOP("Core", "Устройство не существует")};
    return {false, kRenameFailed};
}

DeviceOpOutcome DeleteDevice(const DeviceServiceContext& ctx, const DeviceRecord& device) {
    std::optional<Json::Value> reply;
    {
        // The payload carries the password digest: wiped once sent.
        WipedText payload;
        payload->append(Common(ctx, device)).append(MacAndToken(ctx.g)).append("&psd:");
        ctx.g.AppendPasswordMd5(*payload);
        reply = SendSealed(ctx.g, ServiceOp::DeleteDev, *payload, kReply64K, ctx.http);
    }
    if (!reply) return {false, kDeleteFailed};
    const std::string status = ReplyStatus(*reply);
    if (StatusIs(status, kStatusOk)) return {true, ""};
    if (StatusIs(status, kStatusErrorPassword))
        return {false,
                NIMBREL_TR_NOOP(
                    "Core",
                    "Десантный пароль ошибки，Не удалось удалить устройство, попробуйте еще раз")};
    if (StatusIs(status, kStatusNoDevice))
        return {
            false,
            NIMBREL_TR_NOOP(
                "Core",
                "Оборудование не существует，Не удалось удалить устройство, попробуйте еще раз")};
    return {false, kDeleteFailed};
}

DeviceOpOutcome ToggleDeviceSwitch(const DeviceServiceContext& ctx, DeviceRecord& device,
                                   DeviceSwitch which) {
    const bool led = which == DeviceSwitch::Led;
    std::atomic<int32_t>& field = led ? device.ledStatus : device.soundLeadStatus;
    const int32_t current = field.load();
    // Only 0 and 1 name a state; anything else is treated as "off", so the switch turns it on.
    const bool switchOff = current == 1;
    const char* failure =
        led ? NIMBREL_TR_NOOP("Core", "Не удалось отключить индикатор состояния")
            : (switchOff ? NIMBREL_TR_NOOP("Core", "Отключить голосовые подсказки")
                         : NIMBREL_TR_NOOP("Core", "Не удалось включить голосовые подсказки"));
    std::string payload = Common(ctx, device) + MacAndToken(ctx.g);
    payload.append("&umac:")
        .append(GetText(ctx.app.m_UserName))
        .append(",")
        .append(GetText(ctx.g.m_Mac));
    payload.append("&status:").append(switchOff ? "off" : "on");
    const auto reply = SendSealed(ctx.g, led ? ServiceOp::SetLed : ServiceOp::SetVoice, payload,
                                  kReply256K, ctx.http);
    if (!reply || !StatusIs(ReplyStatus(*reply), kStatusOk)) return {false, failure};
    field = switchOff ? 0 : 1;
    if (led)
        return {true, switchOff ? NIMBREL_TR_NOOP("Core", "Индикатор отключен")
                                : NIMBREL_TR_NOOP("Core", "Индикатор включен")};
    return {true, switchOff ? NIMBREL_TR_NOOP("Core", "Подсказки отключены")
                            : NIMBREL_TR_NOOP("Core", "Подсказки включены")};
}

}  // namespace nimbrel
