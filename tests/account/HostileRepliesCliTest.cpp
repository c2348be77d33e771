// nimbrelctl against a service whose answers are hostile or broken: replies nested past any
// reader's patience, a status word of 200,000 characters, a token longer than the client keeps.
// Each is refused with a clear failure, the process ends normally, and its output stays short.
#include <json/value.h>

#include "CtlRunner.h"
#include "SimAccount.h"
#include "text/JsonText.h"
#include "text/ShownText.h"

namespace nimbrel {
namespace {

using test::CtlResult;

class HostileRepliesCli : public test::SimAccount {
  protected:
    // Runs a command signed in as owner_one with a folder of account files of its own.
    CtlResult Run(const std::string& command) {
        return test::RunCtl(command + " --service " + sim->ServiceUrl() +
                            " --adapter lo --json --user owner_one --password owner_pw1" +
                            " --config-dir " + (dir / "config").string());
    }
    Json::Value Parsed(const CtlResult& r) {
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << r.out;
        return json.value_or(Json::Value());
    }
    void DeepReplyFor(const std::string& operation) {
        StartSim({}, [&](Json::Value& s) { s["service"]["deepReplies"].append(operation); });
    }
};

TEST_F(HostileRepliesCli, DeeplyNestedHandshakeReplyIsRefused) {
    DeepReplyFor("security.do");
    const auto run = test::RunCtl("handshake --json --adapter lo --service " + sim->ServiceUrl());
    EXPECT_EQ(run.exitCode, 4) << run.out;  // the handshake failed; the process did not abort
    EXPECT_EQ(Parsed(run)["status"].asString(), "FAILED");
    EXPECT_EQ(Answered("security.do"), "OK");
}

TEST_F(HostileRepliesCli, DeeplyNestedLoginReplyIsRefused) {
    DeepReplyFor("login.do");
    const auto run = Run("login");
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_EQ(Parsed(run)["status"].asString(), "NETWORK");
    EXPECT_EQ(Count("login.do"), 1u);
}

TEST_F(HostileRepliesCli, DeeplyNestedDeviceListIsRefused) {
    DeepReplyFor("devList.do");
    const auto run = Run("devices");
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_EQ(Parsed(run)["status"].asString(), "FAILED");
    EXPECT_EQ(Count("devList.do"), 1u);
}

TEST_F(HostileRepliesCli, AHugeStatusWordIsShownCut) {
    const std::string huge(200000, 'X');
    StartSim({{"login.do", huge}});
    const auto run = Run("login");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_LT(run.out.size(), 1000u);
    const auto out = Parsed(run);
    EXPECT_EQ(out["status"].asString(), ShownText(huge));
    EXPECT_EQ(out["message"].asString(),
              "Авторизация не удалась, проверьте имя пользователя и пароль！");
}

// Every command signs in through the login flow, which refuses a token that does not fit
// instead of sending a cut one.
TEST_F(HostileRepliesCli, ATokenTooLongIsRefusedByEveryCommand) {
    StartSim({}, [](Json::Value& s) { s["accounts"][0]["token"] = std::string(300, 'T'); });
    for (const char* command : {"login", "alarm on --sid NBACCT000001", "probe", "devices"}) {
        const auto run = Run(command);
        EXPECT_EQ(run.exitCode, 1) << command << "\n" << run.out;
        EXPECT_EQ(Parsed(run)["status"].asString(), "NETWORK") << command;
        EXPECT_EQ(Parsed(run)["message"].asString(),
                  "Не удалось войти в систему, проверьте настройки сети！")
            << command;
    }
    EXPECT_EQ(Count("login.do"), 4u);
    EXPECT_EQ(Count("setAlarm.do"), 0u);
    EXPECT_EQ(Count("devList.do"), 0u);
}

}  // namespace
}  // namespace nimbrel
