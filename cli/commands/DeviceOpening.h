// The device tree's opening checks for the commands that open a device's video (a live view, the
// recordings and their playback): an administrator's lock on a shared device, an offline device,
// and the video lock, whose code a script brings along instead of typing it on the keypad.
// Threading: the main thread of nimbrelctl.
#pragma once

#include <optional>
#include <string>

#include "CliContext.h"
#include "devices/DeviceRecord.h"

namespace nimbrel::cli {

inline constexpr const char* kLockCodeNeeded =
    "Видео устройства заблокировано: укажите код блокировки параметром --lock-code";

struct OpeningRefusal {
    std::string status;  // "REFUSED", or "LOCKED" when the code is missing
    std::string message;
};

// Why `device` may not be opened with the digits `lockCode`; nothing when it may.
std::optional<OpeningRefusal> CheckOpening(const CliContext& ctx, const DeviceRecord& device,
                                           const std::string& lockCode);

}  // namespace nimbrel::cli
