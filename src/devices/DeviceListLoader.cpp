#include "devices/DeviceListLoader.h"

#include <functional>
#include <string>

#include "devices/DevicePage.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

std::string PagePayload(const GlobalSettings& g, const AppRecord& app, int page) {
    std::string p = "uid:";
    p.append(GetText(app.m_UserName))
        .append("&mac:")
        .append(GetText(g.m_Mac))
        .append("&token:")
        .append(g.SessionText(g.m_Token))
        .append("&exp:")
        .append(GetText(g.m_RsaExp))
        .append("&mod:")
        .append(GetText(g.m_RsaMod))
        .append("&page:")
        .append(std::to_string(page))
        .append("&size:")
        .append(std::to_string(kDevicePageSize));
    return p;
}

// Requests every page in turn and hands each page's devices to `take`; stops after a page of
// fewer than ten devices. False on a transport failure, a bad reply, or a status other than OK.
bool ForEachPage(const DeviceServiceContext& ctx,
                 const std::function<void(const std::vector<DeviceFields>&)>& take) {
    for (int page = 1;; ++page) {
        const auto reply = SendSealed(ctx.g, ServiceOp::DevList, PagePayload(ctx.g, ctx.app, page),
                                      kReply256K, ctx.http);
        if (!reply) return false;
        const std::string status = ReplyStatus(*reply);
        if (StatusIs(status, kStatusNoAccount)) {
            ctx.notifier.MessageBox(kNoAccountMessage, NIMBREL_TR_NOOP("Core", "подсказки"));
            return false;
        }
        if (!StatusIs(status, kStatusOk)) return false;
        const auto business = OpenSealedReply(*reply, kReply256K);
        if (!business) return false;
        const auto devices = ParseDevicePage(*business);
        if (!devices) {
            NLOG_DEBUG("devList.do page " << page << " refused: wrong field types");
            return false;
        }
        take(*devices);
        if (devices->size() < kDevicePageSize) return true;
    }
}

}  // namespace

bool FetchDeviceList(const DeviceServiceContext& ctx, DeviceList& list, LanDiscovery& lan) {
    {
        std::lock_guard guard(list.WriterLock());
        const bool ok = ForEachPage(ctx, [&](const std::vector<DeviceFields>& devices) {
            for (const auto& f : devices)
                if (list.Append(f) < 0) NLOG_WARN("device list full; " << f.sid << " left out");
        });
        if (!ok) return false;
    }
    lan.Match(list);
    return true;
}

bool RefreshDeviceList(const DeviceServiceContext& ctx, DeviceList& list) {
    std::lock_guard guard(list.WriterLock());
    // Which records the service lists, marked on the records only once every page has arrived:
    // while pages are awaited, the list still says what the last complete load said.
    std::vector<bool> found(static_cast<std::size_t>(list.Count()), false);
    const bool ok = ForEachPage(ctx, [&](const std::vector<DeviceFields>& devices) {
        for (const auto& f : devices) {
            const int index = list.IndexOfSid(f.sid);
            if (DeviceRecord* known = list.At(index)) {
                if (static_cast<std::size_t>(index) < found.size())
                    found[static_cast<std::size_t>(index)] = true;
                known->SetName(f.name);
                known->status = f.status;
            } else if (list.Append(f) < 0) {
                NLOG_WARN("device list full; " << f.sid << " left out");
            }
        }
    });
    if (!ok) return false;
    for (std::size_t i = 0; i < found.size(); ++i)
        list.At(static_cast<int>(i))->seen = found[i] ? 1 : 0;
    return true;
}

}  // namespace nimbrel
