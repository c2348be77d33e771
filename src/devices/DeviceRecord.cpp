#include "devices/DeviceRecord.h"

#include "platform/FixedText.h"
#include "text/Utf16Units.h"

namespace nimbrel {

void DeviceRecord::Assign(const DeviceFields& f) {
    showLED = f.showLED;
    showSound = f.showSound;
    onLan = 0;
    SetText(sid, f.sid);
    SetName(f.name);
    showAlarm = f.showAlarm;
    alarmStatus = f.alarmStatus;
    alarmStartTime = f.alarmStartTime;
    alarmEndTime = f.alarmEndTime;
    ledStatus = f.ledStatus;
    soundLeadStatus = f.soundLeadStatus;
    lock = f.lock;
    SetText(lockPsd, f.lockPsd);
    SetText(type, f.type);
    SetText(version, f.version);
    SetText(img, f.img);
    init = f.init;
    status = f.status;
    seen = 1;
}

std::string_view DeviceRecord::Sid() const { return GetText(sid); }

std::string DeviceRecord::Name() const {
    std::lock_guard guard(textLock_);
    return name_;
}

void DeviceRecord::SetName(std::string_view utf8) {
    std::string cut = CutToUtf16Units(utf8, 259);
    std::lock_guard guard(textLock_);
    name_ = std::move(cut);
}

LanAddress DeviceRecord::Lan() const {
    std::lock_guard guard(textLock_);
    return lan_;
}

void DeviceRecord::SetLan(const LanAddress& address) {
    std::lock_guard guard(textLock_);
    lan_ = address;
}

}  // namespace nimbrel
