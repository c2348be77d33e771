#include "ServiceControls.h"

#include <cstdlib>

#include "AccountBook.h"
#include "ClientKeyBook.h"
#include "OrderedJson.h"
#include "RequestLog.h"
#include "ServiceKeys.h"
#include "ServiceRouter.h"
#include "camera/CameraFleet.h"

namespace nimbrel::sim {
namespace {

// A camera connection cut by a forget takes this long to come back.
constexpr double kForgetDownSeconds = 1.0;
// The longest outage one control may ask for.
constexpr double kMaxOutageSeconds = 3600;

// The operation or file a service URL names, as the request log writes it.
std::string_view LoggedPath(std::string_view urlPath) {
    const std::string_view folder = ServiceRouter::kPrefix;
    return urlPath.substr(0, folder.size()) == folder ? urlPath.substr(folder.size()) : urlPath;
}

}  // namespace

ServiceControls::ServiceControls(Parts parts) : parts_(parts) {}

ServiceControls::Answer ServiceControls::Handle(std::string_view urlPath, const Param& param) {
    if (urlPath == "forget-sessions") return ForgetSessions();
    if (urlPath == "outage") return StartOutage(param);
    return {404, "unknown control " + std::string(urlPath) + "\n"};
}

ServiceControls::Answer ServiceControls::ForgetSessions() {
    if (!parts_.keys.RenewPair()) return {500, "cannot make a new key pair\n"};
    parts_.clients.Forget();
    parts_.book.ForgetTokens();
    parts_.cameras.TakeAllDown(kForgetDownSeconds);
    if (parts_.log)
        parts_.log->Write(OrderedJson::Object().Set("path", "control").Set("control",
                                                                           "forget-sessions"));
    return {200, "OK\n"};
}

ServiceControls::Answer ServiceControls::StartOutage(const Param& param) {
    const auto text = param("seconds");
    char* end = nullptr;
    const double seconds = text ? std::strtod(text->c_str(), &end) : -1;
    if (!text || end == text->c_str() || *end != '\0' || !(seconds >= 0) ||
        seconds > kMaxOutageSeconds)
        return {400, "seconds must be a number from 0 to 3600\n"};
    std::set<std::string, std::less<>> held;
    if (const auto list = param("hold")) {
        std::string_view rest = *list;
        while (!rest.empty()) {
            const auto comma = rest.find(',');
            const std::string_view name = rest.substr(0, comma);
            if (!name.empty()) held.emplace(name);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
    const auto length =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    OrderedJson heldJson = OrderedJson::Array();
    for (const std::string& name : held) heldJson.Add(OrderedJson::String(name));
    {
        std::lock_guard guard(lock_);
        outageEnd_ = Clock::now() + length;
        held_ = std::move(held);
    }
    changed_.notify_all();
    parts_.cameras.TakeAllDown(seconds);
    if (parts_.log)
        parts_.log->Write(OrderedJson::Object()
                              .Set("path", "control")
                              .Set("control", "outage")
                              .Set("ms", static_cast<std::int64_t>(seconds * 1000))
                              .Set("hold", std::move(heldJson)));
    return {200, "OK\n"};
}

std::optional<ServiceControls::Answer> ServiceControls::DuringOutage(std::string_view urlPath) {
    const std::string_view path = LoggedPath(urlPath);
    std::unique_lock lock(lock_);
    if (Clock::now() >= outageEnd_) return std::nullopt;
    const bool held = held_.count(path) > 0;
    // Written as the request arrives, so that a test sees a held request while it is held.
    if (parts_.log) {
        OrderedJson line = OrderedJson::Object().Set("path", path).Set("error", "outage");
        if (held) line.Set("held", OrderedJson::Bool(true));
        parts_.log->Write(line);
    }
    // A later control may end the outage sooner or make it longer: the wait follows it.
    while (held && !stopping_ && Clock::now() < outageEnd_) changed_.wait_until(lock, outageEnd_);
    return Answer{503, ""};
}

void ServiceControls::Stop() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
}

}  // namespace nimbrel::sim
