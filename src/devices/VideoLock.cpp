#include "devices/VideoLock.h"

#include "platform/FixedText.h"
#include "service/ServiceCipher.h"

namespace nimbrel {

OpenCheck CheckDeviceOpening(const DeviceRecord& device) {
    const bool locked = device.lock.load() == 1;
    if (!device.IsOwner() && locked) return OpenCheck::AdminLocked;
    if (!device.IsOnline()) return OpenCheck::Offline;
    return locked ? OpenCheck::NeedsCode : OpenCheck::Open;
}

VideoLockKeypad::VideoLockKeypad(const GlobalSettings& g, const DeviceRecord& device)
    : g_(g), lockPsd_(GetText(device.lockPsd)) {}

VideoLockKeypad::KeyResult VideoLockKeypad::Press(int digit) {
    if (digit < 1 || digit > 9 || lit_[digit - 1]) return KeyResult::Ignored;
    lit_[digit - 1] = true;
    entered_ += static_cast<char>('0' + digit);
    if (HmacSha1Hex(g_, entered_) == lockPsd_) return KeyResult::Unlocked;
    if (entered_.size() == 9) {
        StartAgain();
        return KeyResult::Reset;
    }
    return KeyResult::Pressed;
}

bool VideoLockKeypad::TakeBack() {
    if (entered_.empty()) return false;
    lit_[static_cast<std::size_t>(entered_.back() - '1')] = false;
    entered_.pop_back();
    return true;
}

VideoLockKeypad::KeyResult VideoLockKeypad::Submit() {
    if (entered_.empty()) return KeyResult::Ignored;
    if (HmacSha1Hex(g_, entered_) == lockPsd_) return KeyResult::Unlocked;
    StartAgain();
    return KeyResult::Reset;
}

void VideoLockKeypad::StartAgain() {
    entered_.clear();
    lit_.fill(false);
}

}  // namespace nimbrel
