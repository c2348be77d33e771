// nimbrelctl against the simulator when the session goes wrong: a view whose renewed login the
// service refuses ends with the service's word and asks nothing more; a view ends on time while
// its renewal waits on a frozen service; and at the most detailed log level nothing of the
// password, its digest or the login tokens reaches the log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <set>
#include <thread>

#include "CtlRunner.h"
#include "Polling.h"
#include "SimProcess.h"
#include "service/crypto/Digest.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CliSession : public ::testing::Test {
  protected:
    CliSession() {
        dir = std::filesystem::temp_directory_path() /
              ("nimbrel-ctl-session-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~CliSession() override { std::filesystem::remove_all(dir); }

    // A command as demo_user signed in with `password`, each client with a folder of its own.
    std::string Command(const SimProcess& sim, const std::string& password,
                        const std::string& arguments, const std::string& client) const {
        return "--service " + sim.ServiceUrl() + " --adapter lo --user demo_user --password " +
               password + " --json " + arguments + " --config-dir " + (dir / client).string();
    }
    // Waits until the simulated camera streams to a view.
    static bool Streaming(const SimProcess& sim, const std::string& sid) {
        return WaitUntil(
            [&] {
                for (const Json::Value& line : sim.RequestLog())
                    if (line["stream"].asString() == sid &&
                        line["event"].asString() == "streaming")
                        return true;
                return false;
            },
            60s);
    }

    std::filesystem::path dir;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST_F(CliSession, AViewEndsWithTheServicesWordOnceItRefusesTheRenewedLogin) {
    SimProcess sim("demo.json");
    const auto start = Clock::now();
    auto view = std::async(std::launch::async, [&] {
        return RunCtl(Command(sim, "demo1234", "view NB0000000001 --seconds 60", "viewer"));
    });
    ASSERT_TRUE(Streaming(sim, "NB0000000001"));
    const CtlResult changed = RunCtl(
        Command(sim, "demo1234", "passwd --old demo1234 --new demo5678", "other"));
    ASSERT_EQ(changed.exitCode, 0) << changed.out;
    ASSERT_TRUE(sim.Control("forget-sessions"));

    const CtlResult r = view.get();
    const double took = SecondsSince(start);
    std::cout << "the view ended " << took << " s after it started\n";
    EXPECT_EQ(r.exitCode, 1);
    const Json::Value out = ParseJsonObject(r.out).value_or(Json::Value());
    EXPECT_EQ(out["status"].asString(), "ERRORPSD") << r.out;
    EXPECT_EQ(out["message"].asString(), "Неверно введен пароль！");
    EXPECT_LT(took, 45) << "the view ran on after the refusal";

    const std::vector<Json::Value> log = sim.RequestLog();
    std::size_t refused = log.size();
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i]["path"].asString() == "login.do" && log[i]["status"].asString() == "ERRORPSD")
            refused = i;
    ASSERT_LT(refused, log.size());
    int after = 0;
    for (std::size_t i = refused + 1; i < log.size(); ++i) {
        const std::string path = log[i]["path"].asString();
        after += path == "thumbnail" || path.find(".do") != std::string::npos;
    }
    EXPECT_EQ(after, 0) << "requests after the refused login";
}

TEST_F(CliSession, AViewEndsOnTimeWhileItsRenewalWaitsOnAFrozenService) {
    SimProcess sim("demo.json");
    const double seconds = 14;
    const auto start = Clock::now();
    auto view = std::async(std::launch::async, [&] {
        return RunCtl(Command(sim, "demo1234", "view NB0000000001 --seconds 14", "viewer"));
    });
    ASSERT_TRUE(Streaming(sim, "NB0000000001"));
    // The service and the camera go; the view's retry finds the session lost, and its renewal's
    // handshake is held unanswered; then the whole simulator stops.
    ASSERT_TRUE(sim.Control("outage?seconds=120&hold=security.do"));
    const bool held = WaitUntil(
        [&] {
            for (const Json::Value& line : sim.RequestLog())
                if (line["path"].asString() == "security.do" && line["held"].asBool()) return true;
            return false;
        },
        60s);
    sim.Freeze();
    const CtlResult r = view.get();
    const double took = SecondsSince(start);
    sim.Thaw();
    ASSERT_TRUE(held) << "no renewal reached the service";
    std::cout << "view --seconds 14 ended after " << took << " s\n";
    // Start-up, sign-in and the final summary take a moment beyond the view's own time; a stop
    // that waited for the renewal's handshake ran on for up to its twenty seconds.
    EXPECT_LT(took, seconds + 6);
    const Json::Value out = ParseJsonObject(r.out).value_or(Json::Value());
    EXPECT_LT(out["seconds"].asDouble(), seconds + 1) << r.out;
}

// Every value a request-log line shows for `key`.
std::set<std::string> ValuesOf(const std::vector<Json::Value>& log, const std::string& key) {
    std::set<std::string> values;
    for (const Json::Value& line : log)
        for (const Json::Value& pair : line["payload"])
            if (pair[0].asString() == key && !pair[1].asString().empty())
                values.insert(pair[1].asString());
    return values;
}

TEST_F(CliSession, NoCredentialReachesTheLogAtAnyLevel) {
    SimProcess sim("demo.json");
    const auto logFile = dir / "log.txt";
    setenv("NIMBREL_LOG", ("trace:" + logFile.string()).c_str(), 1);
    // A view whose session is renewed half-way, then a password change.
    auto view = std::async(std::launch::async, [&] {
        return RunCtl(Command(sim, "demo1234", "view NB0000000001 --seconds 12", "viewer"));
    });
    const bool streaming = Streaming(sim, "NB0000000001");
    if (streaming) sim.Control("forget-sessions");
    const CtlResult viewed = view.get();
    const CtlResult changed =
        RunCtl(Command(sim, "demo1234", "passwd --old demo1234 --new demo5678", "viewer"));
    unsetenv("NIMBREL_LOG");
    ASSERT_TRUE(streaming);
    EXPECT_EQ(viewed.exitCode, 0) << viewed.out;
    ASSERT_EQ(changed.exitCode, 0) << changed.out;

    std::ifstream in(logFile);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // The log is there and has seen the renewal and the password change.
    ASSERT_NE(text.find("SessionRecovery: handshake and login again"), std::string::npos);
    ASSERT_NE(text.find("SendSealed changePassword.do"), std::string::npos);

    const std::vector<Json::Value> log = sim.RequestLog();
    std::set<std::string> secrets = ValuesOf(log, "token");
    ASSERT_GE(secrets.size(), 2u) << "the sign-in's token and the renewal's";
    for (const char* key : {"psd", "old"})
        for (const std::string& value : ValuesOf(log, key)) secrets.insert(value);
    for (const char* password : {"demo1234", "demo5678"}) {
        secrets.insert(password);
        secrets.insert(Md5Hex(password));
    }
    for (const std::string& secret : secrets)
        EXPECT_EQ(text.find(secret), std::string::npos) << secret << " is in the log";
}

}  // namespace
}  // namespace nimbrel::test
