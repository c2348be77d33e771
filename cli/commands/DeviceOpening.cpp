#include "DeviceOpening.h"

#include "devices/VideoLock.h"

namespace nimbrel::cli {

std::optional<OpeningRefusal> CheckOpening(const CliContext& ctx, const DeviceRecord& device,
                                           const std::string& lockCode) {
    switch (CheckDeviceOpening(device)) {
        case OpenCheck::AdminLocked:
            return OpeningRefusal{"REFUSED", kAdminLockMessage};
        case OpenCheck::Offline:
            return OpeningRefusal{"REFUSED", kDeviceOfflineNotice};
        case OpenCheck::Open:
            return std::nullopt;
        case OpenCheck::NeedsCode:
            break;
    }
    if (lockCode.empty()) return OpeningRefusal{"LOCKED", kLockCodeNeeded};
    VideoLockKeypad keypad(ctx.g, device);
    for (char c : lockCode)
        if (keypad.Press(c - '0') == VideoLockKeypad::KeyResult::Unlocked) return std::nullopt;
    return OpeningRefusal{"REFUSED", kWrongCodeNotice};
}

}  // namespace nimbrel::cli
