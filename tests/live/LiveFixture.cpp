#include "LiveFixture.h"

#include <thread>

#include "Polling.h"
#include "devices/DeviceListLoader.h"

namespace nimbrel::test {

void LiveFixture::Start(const std::string& scenario, const std::string& user,
                        const std::string& password,
                        const std::function<void(LiveContext&)>& tune) {
    sim = std::make_unique<SimProcess>(scenario);
    std::string why;
    ASSERT_TRUE(client.SignIn(*sim, user, password, &why)) << why;
    live =
        std::make_unique<LiveContext>(LiveContext{client.g, client.app, client.notifier, *panes});
    if (tune) tune(*live);
    SessionRecovery::Options renewal;
    renewal.http = live->http;
    recovery = std::make_unique<SessionRecovery>(client.g, client.app, renewal);
    live->session = recovery.get();
    list.SetRecordFactory([this] { return std::make_unique<CCamera>(*live); });
    const DeviceServiceContext service{client.g, client.app, client.notifier, {}};
    ASSERT_TRUE(FetchDeviceList(service, list, lan));
    // 2 × 2 panes of 640 × 360: the simulated cameras' own size.
    canvas.PlacePanes(1280, 720);
}

void LiveFixture::TearDown() {
    ShutdownCameras(Cameras());
}

std::vector<CCamera*> LiveFixture::Cameras() {
    std::vector<CCamera*> cameras;
    for (int i = 0; i < list.Count(); ++i) cameras.push_back(dynamic_cast<CCamera*>(list.At(i)));
    return cameras;
}

CCamera& LiveFixture::Camera(const std::string& sid) {
    auto* camera = dynamic_cast<CCamera*>(list.At(list.IndexOfSid(sid)));
    if (!camera) throw std::runtime_error("no camera " + sid);
    return *camera;
}

bool LiveFixture::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return test::WaitUntil(done, limit);
}

std::vector<Json::Value> LiveFixture::StreamMessages(const std::string& sid) const {
    std::vector<Json::Value> messages;
    for (const Json::Value& line : sim->RequestLog())
        if (line["stream"].asString() == sid && line.isMember("message"))
            messages.push_back(line["message"]);
    return messages;
}

}  // namespace nimbrel::test
