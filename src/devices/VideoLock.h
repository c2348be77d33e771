// The video lock: the checks made before a device is opened, and the 3×3 keypad on which the
// owner enters the unlock code (1 to 9 distinct digits, checked after every key).
// Threading: the UI thread (or the command-line client's thread).
#pragma once

#include <array>
#include <string>

#include "devices/DeviceRecord.h"
#include "service/GlobalSettings.h"
#include "text/Translation.h"

namespace nimbrel {

inline constexpr const char* kAdminLockMessage = NIMBREL_TR_NOOP(
    "Core",
    "Камера была заблокирована администратором, для разблокировки свяжитесь с администратором！");
inline constexpr const char* kDeviceOfflineNotice = NIMBREL_TR_NOOP("Core", "Устройство не в сети");
inline constexpr const char* kWrongCodeNotice = NIMBREL_TR_NOOP("Core", "Неверно введен пароль");

enum class OpenCheck {
    AdminLocked,  // shared and locked: the administrator message, not opened
    Offline,      // not opened
    NeedsCode,    // the keypad decides
    Open,         // open at once
};

OpenCheck CheckDeviceOpening(const DeviceRecord& device);

class VideoLockKeypad {
  public:
    enum class KeyResult {
        Ignored,   // the key was already used in this attempt (or not 1..9)
        Pressed,   // taken; keep going
        Unlocked,  // the code so far is the unlock code
        Reset,     // the ninth key was wrong: the keypad starts again and shows the notice
    };

    VideoLockKeypad(const GlobalSettings& g, const DeviceRecord& device);

    KeyResult Press(int digit);
    // Takes the last key back (it can be pressed again); false with no key in.
    bool TakeBack();
    // The code as it stands is all there is: a wrong one starts again (Reset), as the ninth
    // wrong key does; Ignored with no key in.
    KeyResult Submit();
    void StartAgain();

    const std::string& Entered() const { return entered_; }
    bool IsLit(int digit) const { return digit >= 1 && digit <= 9 && lit_[digit - 1]; }

  private:
    const GlobalSettings& g_;
    std::string lockPsd_;
    std::string entered_;
    std::array<bool, 9> lit_{};
};

}  // namespace nimbrel
