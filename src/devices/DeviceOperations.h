// The account-side operations on one device: rename, delete, status LED and voice prompts.
// Each sends its request and, on success, updates the record it was started for (never a device
// selected later). The message the user sees is part of the outcome.
// Threading: run on a worker thread per request; several may run at once.
#pragma once

#include <optional>
#include <string>

#include "devices/DeviceListLoader.h"
#include "devices/DeviceRecord.h"
#include "text/Translation.h"

namespace nimbrel {

struct DeviceOpOutcome {
    bool ok = false;
    std::string message;  // empty when nothing is shown
};

inline constexpr std::size_t kMaxDeviceNameUnits = 30;
inline constexpr const char* kRenameTooLongMessage =
    NIMBREL_TR_NOOP("Core", "устройство названиедлина превышает максимальный предел ");

// The rename dialog's check: the length message for a name over 30 UTF-16 units, else nothing.
std::optional<std::string> CheckDeviceName(const std::string& utf8Name);

// "%XX" for every UTF-8 byte of the name (upper-case hex).
std::string PercentEncodeName(const std::string& utf8Name);

DeviceOpOutcome RenameDevice(const DeviceServiceContext& ctx, DeviceRecord& device,
                             const std::string& utf8Name);
// On success the caller removes the device from the tree and the account file and stops its
// live view; the record itself stays in the list.
DeviceOpOutcome DeleteDevice(const DeviceServiceContext& ctx, const DeviceRecord& device);

enum class DeviceSwitch { Led, Voice };
// Requests the opposite of the current state; on success flips the field.
DeviceOpOutcome ToggleDeviceSwitch(const DeviceServiceContext& ctx, DeviceRecord& device,
                                   DeviceSwitch which);

}  // namespace nimbrel
