#include "DeviceListOperation.h"

#include <chrono>
#include <optional>

#include "ServiceRouter.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

// A plain decimal number in min..max (no sign, at most 9 digits); nothing otherwise.
std::optional<int> Decimal(const std::string& text, int min, int max) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace

void DeviceListOperation::Register(ServiceRouter& router) {
    router.Add("devList.do", WrapKind::Sealed,
               {"uid", "mac", "token", "exp", "mod", "page", "size"},
               [this](const DecodedRequest& r) { return Handle(r); });
}

void DeviceListOperation::Cancel() {
    std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = true;
    wake_.notify_all();
}

bool DeviceListOperation::HoldBack() {
    std::unique_lock<std::mutex> hold(lock_);
    if (spec_.delayMs > 0)
        wake_.wait_for(hold, std::chrono::milliseconds(spec_.delayMs),
                       [this] { return cancelled_; });
    return !cancelled_;
}

OrderedJson DeviceListOperation::RecordJson(const DeviceSpec& d, int init, ListMistype mistype) {
    // The numeric members travel as decimal text, except under the NumbersBare fault.
    const auto number = [mistype](int value) {
        return mistype == ListMistype::NumbersBare ? OrderedJson::Int(value)
                                                   : OrderedJson::String(std::to_string(value));
    };
    OrderedJson record = OrderedJson::Object();
    record.Set("sid", d.sid)
        .Set("name", d.name)
        .Set("showLED", number(d.showLED))
        .Set("showSound", number(d.showSound))
        .Set("showAlarm", number(d.showAlarm))
        .Set("alarmStatus", number(d.alarmStatus))
        .Set("alarmStartTime", number(d.alarmStartTime))
        .Set("alarmEndTime", number(d.alarmEndTime))
        .Set("ledStatus", number(d.ledStatus))
        .Set("soundLeadStatus", number(d.soundLeadStatus))
        .Set("lock", number(d.lock))
        .Set("lockPsd", d.lockPsd)
        .Set("type", d.type)
        .Set("version", d.version)
        .Set("img", d.img);
    if (mistype == ListMistype::InitText)
        record.Set("init", std::to_string(init));
    else
        record.Set("init", init);
    if (mistype == ListMistype::StatusText)
        record.Set("status", std::to_string(d.status));
    else if (mistype == ListMistype::StatusBool)
        record.Set("status", OrderedJson::Bool(d.status == 1));
    else
        record.Set("status", d.status);
    return record;
}

Result<ServiceReply> DeviceListOperation::Handle(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    std::string note;
    const std::string refused = book_.CheckSession(p.Get("uid"), p.Get("token"), &note);
    if (!refused.empty()) return R::Ok(ServiceReply::Status(refused, note));
    const auto page = Decimal(p.Get("page"), 1, kMaxPage);
    const auto size = Decimal(p.Get("size"), 1, kMaxPageSize);
    if (!page || !size)
        return R::Ok(ServiceReply::Status("ERROR", "page must be 1.." + std::to_string(kMaxPage) +
                                                       " and size 1.." +
                                                       std::to_string(kMaxPageSize)));

    std::vector<AccountBook::ListedDevice> devices;
    const std::string status = book_.ListDevices(p.Get("uid"), devices);
    if (status != "OK") return R::Ok(ServiceReply::Status(status));
    if (!HoldBack()) return R::Ok(ServiceReply::Status("ERROR", "the simulator is stopping"));

    const ListMistype mistype = *page == spec_.mistypePage ? spec_.mistype : ListMistype::None;
    const std::size_t first = static_cast<std::size_t>(*page - 1) * static_cast<std::size_t>(*size);
    const std::size_t end = std::min(devices.size(), first + static_cast<std::size_t>(*size));
    OrderedJson result =
        mistype == ListMistype::ResultObject ? OrderedJson::Object() : OrderedJson::Array();
    for (std::size_t i = first; i < end; ++i) {
        OrderedJson record = RecordJson(devices[i].device, devices[i].init, mistype);
        if (mistype == ListMistype::ResultObject)
            result.Set(std::to_string(i - first), std::move(record));
        else
            result.Add(std::move(record));
    }
    OrderedJson inner = OrderedJson::Object();
    inner.Set("result", std::move(result));
    ServiceReply reply =
        ServiceReply::Sealed("OK", std::move(inner), ClientKey{p.Get("exp"), p.Get("mod")});
    const std::size_t count = end > first ? end - first : 0;
    reply.note = "page " + std::to_string(*page) + ": " + std::to_string(count) + " of " +
                 std::to_string(devices.size()) + " devices";
    if (mistype != ListMistype::None)
        reply.note += std::string(", mistype ") + ListMistypeName(mistype);
    return R::Ok(std::move(reply));
}

}  // namespace nimbrel::sim
