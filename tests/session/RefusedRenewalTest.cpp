// A renewal whose login the service refuses, against the simulator: the account's password was
// changed from another client, then the service forgot its sessions. The session ends with the
// service's word, the handshake's keys are no working session, the sign-in's credentials are
// wiped, and neither the periodic refresh nor the retries of a failed view ask the service
// anything after the refusal.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "CtlRunner.h"
#include "DeviceE2E.h"
#include "LiveFixture.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "platform/FixedText.h"
#include "service/LoginFlow.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

class RefusedRenewal : public LiveFixture {};

// Whether a request-log line is a request to the service (an operation or a picture).
bool AsksTheService(const Json::Value& line) {
    const std::string path = line["path"].asString();
    return path == "thumbnail" ||
           (path.size() > 3 && path.compare(path.size() - 3, 3, ".do") == 0);
}

TEST_F(RefusedRenewal, EndsTheSessionAndNothingIsAskedOfTheServiceAfterIt) {
    Start("demo.json", "demo_user", "demo1234", [](LiveContext& l) { l.firstRetry = 300ms; });
    // The refreshes as the desktop program runs them, with a short period.
    DeviceServiceContext service{client.g, client.app, client.notifier, {}};
    service.http.session = recovery.get();
    DeviceTreeModel tree(list, client.app.m_ConfigPath);
    tree.Fill({});
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;  // no address: nothing is probed
    quiet.listenRounds = 1;
    quiet.listenWaitMs = 10;
    DeviceRefresher refresher(
        DeviceRefresher::Parts{service, list, lan, quiet, tree, thumbnails, {}});
    refresher.StartPeriodic(300ms);
    CCamera& camera = Camera("NB0000000001");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    const uint64_t generation = recovery->Generation();

    // Another client changes the password; then the service forgets its sessions (and cuts the
    // stream, as a restart would).
    const auto otherConfig = std::filesystem::temp_directory_path() /
                             ("nimbrel-other-client-" + std::to_string(::getpid()));
    const CtlResult changed =
        RunCtl("--service " + sim->ServiceUrl() +
               " --adapter lo --user demo_user --password demo1234 passwd --old demo1234 --new "
               "demo5678 --config-dir " +
               otherConfig.string());
    std::filesystem::remove_all(otherConfig);
    ASSERT_EQ(changed.exitCode, 0) << changed.out;
    ASSERT_TRUE(sim->Control("forget-sessions"));

    ASSERT_TRUE(WaitUntil(
        [&] { return recovery->CurrentState() == SessionRecovery::State::Ended; }, 60s));
    const auto refusal = recovery->EndedBy();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->status, "ERRORPSD");
    EXPECT_EQ(refusal->message, login_text::kWrongPassword);
    // The refused renewal's handshake made no session: news of requests changes nothing now.
    EXPECT_EQ(recovery->Generation(), generation);
    recovery->RequestAnswered(recovery->Generation());
    EXPECT_EQ(recovery->CurrentState(), SessionRecovery::State::Ended);
    EXPECT_EQ(GetText(client.g.m_PasswordMd5), "");
    EXPECT_EQ(GetText(client.g.m_Token), "");
    EXPECT_EQ(GetText(client.app.m_StoredPassword), "");
    EXPECT_EQ(client.g.m_LoggedIn, 0);

    // The view's retries end without a request, saying why; the refresh runs on meanwhile.
    EXPECT_TRUE(WaitUntil([&] { return camera.Failure() == CameraFailure::SignedOut; }, 30s))
        << CameraFailureName(camera.Failure());
    std::this_thread::sleep_for(3s);  // ten refresh periods, several retries of the view
    refresher.Stop();

    const std::vector<Json::Value> log = sim->RequestLog();
    std::size_t refused = log.size();
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i]["path"].asString() == "login.do" && log[i]["status"].asString() == "ERRORPSD")
            refused = i;
    ASSERT_LT(refused, log.size()) << "no refused login";
    int after = 0;
    for (std::size_t i = refused + 1; i < log.size(); ++i)
        if (AsksTheService(log[i])) {
            ++after;
            ADD_FAILURE() << "asked after the refusal: " << log[i].toStyledString();
        }
    std::cout << "requests to the service after the refused login: " << after << "\n";
    // This client's sign-in, the other client's, and one renewal.
    EXPECT_EQ(sim->Requests("login.do").size(), 3u);
}

}  // namespace
}  // namespace nimbrel::test
