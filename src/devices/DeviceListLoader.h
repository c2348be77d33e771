// Loading the account's devices from the service, ten to a page, into the device list: the
// first load appends everything; a refresh marks what it finds again, takes over new names and
// online states, and appends devices it has not seen before.
// Threading: worker threads (start-up, manual and periodic refresh); loads are serialised by the
// list's writer lock.
#pragma once

#include "devices/DeviceList.h"
#include "devices/LanDiscovery.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

inline constexpr int kDevicePageSize = 10;
inline constexpr const char* kNoAccountMessage =
    NIMBREL_TR_NOOP("Core", "Имя пользователя не существует");

struct DeviceServiceContext {
    const GlobalSettings& g;
    const AppRecord& app;
    UserNotifier& notifier;
    HttpOptions http{};
};

// The first load: every page appended to the (empty) list, then the LAN marks. Records of pages
// that arrived before a failure stay.
bool FetchDeviceList(const DeviceServiceContext& ctx, DeviceList& list, LanDiscovery& lan);

// A reload of every page into an existing list: each device found again (exact sid) takes the new
// name and status; unknown devices are appended (seen = 1). When every page has arrived, `seen`
// becomes 1 on the records found and 0 on the others; a failed reload leaves `seen` as it was.
bool RefreshDeviceList(const DeviceServiceContext& ctx, DeviceList& list);

}  // namespace nimbrel
