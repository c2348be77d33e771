#include "DeviceSession.h"

#include "ExitCode.h"
#include "platform/FixedText.h"

namespace nimbrel::cli {

DeviceSession::DeviceSession(CliContext& ctx)
    : ctx_(ctx),
      recovery_(ctx.g, ctx.app, {}),
      live_{.g = ctx.g,
            .app = ctx.app,
            .notifier = ctx.notifier,
            .panes = panes_,
            .session = &recovery_} {
    list_.SetRecordFactory([this] { return std::make_unique<CCamera>(live_); });
}

DeviceSession::~DeviceSession() {
    std::vector<CCamera*> cameras;
    for (int i = 0; i < list_.Count(); ++i) cameras.push_back(dynamic_cast<CCamera*>(list_.At(i)));
    ShutdownCameras(cameras);
}

LanDiscovery::Options DeviceSession::LanOptions() const {
    LanDiscovery::Options options;
    options.localIp = GetText(ctx_.g.m_LocalIp);
    options.localMask = GetText(ctx_.g.m_LocalMask);
    return options;
}

int DeviceSession::Open(const AccountOptions& options) {
    if (const int rc = ctx_.PrepareIdentity(); rc != kExitOk) return rc;
    lan_.Start(LanOptions());
    if (const int rc = SignInAsDialog(ctx_, options); rc != kExitOk) return rc;
    if (!FetchDeviceList(Service(), list_, lan_))
        return ctx_.Fail(kExitFailed, "FAILED", "Не удалось получить список устройств");
    return kExitOk;
}

std::optional<int> DeviceSession::FailIfSignedOut() {
    const auto refusal = recovery_.EndedBy();
    if (!refusal) return std::nullopt;
    return ctx_.Fail(kExitFailed, refusal->status.empty() ? "REFUSED" : refusal->status,
                     refusal->message);
}

DeviceRecord* DeviceSession::Find(const std::string& sid) {
    if (DeviceRecord* device = list_.At(list_.IndexOfSid(sid))) return device;
    ctx_.Fail(kExitFailed, "NODEV", "Устройство не существует");
    return nullptr;
}

Json::Value DeviceJson(const DeviceRecord& d) {
    Json::Value j(Json::objectValue);
    j["sid"] = std::string(d.Sid());
    j["name"] = d.Name();
    j["status"] = d.status.load();
    j["init"] = d.init.load();
    j["type"] = std::string(GetText(d.type));
    j["version"] = std::string(GetText(d.version));
    j["img"] = std::string(GetText(d.img));
    j["showLED"] = d.showLED.load();
    j["ledStatus"] = d.ledStatus.load();
    j["showSound"] = d.showSound.load();
    j["soundLeadStatus"] = d.soundLeadStatus.load();
    j["showAlarm"] = d.showAlarm.load();
    j["alarmStatus"] = d.alarmStatus.load();
    j["alarmStartTime"] = d.alarmStartTime.load();
    j["alarmEndTime"] = d.alarmEndTime.load();
    j["lock"] = d.lock.load();
    j["lockPsd"] = std::string(GetText(d.lockPsd));
    j["seen"] = d.seen.load();
    j["onLan"] = d.onLan.load();
    const LanAddress lan = d.Lan();
    j["lanIp"] = lan.ip;
    j["lanMac"] = lan.mac;
    j["lanPort"] = lan.port;
    return j;
}

}  // namespace nimbrel::cli
