// nimbrelctl alarm, check-version and feedback as a script runs them: JSON objects with a
// status, the dialogs' texts, exit codes, and what reached the service.
#include <gtest/gtest.h>

#include "CtlRunner.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

class CliAccountOps : public ::testing::Test {
  protected:
    // Runs nimbrelctl against the simulator as demo_user and parses its JSON line.
    Json::Value Run(const std::string& args, int expectedExit) {
        const auto r =
            test::RunCtl("--service " + sim.ServiceUrl() +
                         " --adapter lo --user demo_user --password demo1234 --json " + args);
        EXPECT_EQ(r.exitCode, expectedExit) << args << "\n" << r.out;
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << r.out;
        return json.value_or(Json::Value());
    }
    // `alarm ARGS`, which signs in and writes the account file in a folder of the test's own.
    Json::Value Alarm(const std::string& args, int expectedExit) {
        return Run("alarm " + args + accounts.Option(), expectedExit);
    }

    test::SimProcess sim{"demo.json"};
    test::CtlAccountFolder accounts;  // alarm signs in and writes the account file there
};

TEST_F(CliAccountOps, AlarmSwitchesAndHours) {
    auto on = Alarm("on --sid NB0000000001", 0);
    EXPECT_EQ(on["status"].asString(), "OK");
    EXPECT_EQ(on["message"].asString(), "Открыть отчет успеха");
    EXPECT_EQ(on["alarmStatus"].asInt(), 1);

    auto hours = Alarm("hours --sid NB0000000001 --from 5 --to 5", 0);
    EXPECT_EQ(hours["message"].asString(), "Установлено");
    EXPECT_EQ(hours["note"].asString(), "Установить сигнал тревоги на весь день");
    EXPECT_EQ(hours["startHour"].asInt(), 5);

    auto offline = Alarm("hours --sid NB0000000005 --from 1 --to 2", 1);
    EXPECT_EQ(offline["status"].asString(), "OFFLINE");
    EXPECT_EQ(offline["message"].asString(), "Камера не в сети");

    auto off = Alarm("off --sid NB9999999999", 1);
    EXPECT_EQ(off["status"].asString(), "FAILED");
    EXPECT_EQ(off["message"].asString(), "Закрыть отчет неудачи");

    auto disabled = Alarm("hours --sid NB0000000001 --from 1 --to 2 --alarm-status 0", 1);
    EXPECT_EQ(disabled["status"].asString(), "ALARMOFF");
    EXPECT_EQ(disabled["message"].asString(), "Пожалуйста, включите сигнал тревоги");

    const auto sent = sim.Requests("setAlarmTime.do");
    ASSERT_EQ(sent.size(), 2u);  // the switched-off attempt sent nothing
    EXPECT_EQ(test::PayloadPairs(sent[0])[5],
              std::make_pair(std::string("start"), std::string("5")));
}

TEST_F(CliAccountOps, AlarmRefusesBadArgumentsBeforeSending) {
    const std::string base = "--service " + sim.ServiceUrl() +
                             " --adapter lo --user demo_user "
                             "--password demo1234 ";
    for (const char* args : {"alarm hours --sid NB0000000001 --from 24 --to 1",
                             "alarm hours --sid NB0000000001 --from 1", "alarm maybe --sid x",
                             "alarm on --sid 'a&b'", "alarm on --sid NB000000000000000001"})
        EXPECT_EQ(test::RunCtl(base + args).exitCode, 2) << args;
    EXPECT_TRUE(sim.Requests("setAlarm.do").empty());
    EXPECT_TRUE(sim.Requests("login.do").empty());
}

TEST_F(CliAccountOps, VersionCheckAndFeedback) {
    auto current = Run("check-version", 0);
    EXPECT_EQ(current["status"].asString(), "OK");
    EXPECT_EQ(current["result"].asInt(), 0);
    EXPECT_EQ(current["message"].asString(), "Текущая версия является последней");

    auto older = Run("check-version --client-version 1.3", 0);
    EXPECT_EQ(older["status"].asString(), "UPDATE");
    EXPECT_EQ(older["result"].asInt(), 1);
    EXPECT_EQ(older["resourceUrl"].asString(), "http://127.0.0.1/download/nimbrel-setup.exe");
    EXPECT_EQ(test::PayloadPairs(sim.Requests("checkVersion.do").back())[1].second, "1.3");

    auto sent = Run("feedback --text 'Привет'", 0);
    EXPECT_EQ(sent["message"].asString(), "Сообщение отправлено успешно");
    EXPECT_EQ(sim.Requests("saveAdvise.do").back()["decoded"]["appAdvise"].asString(), "Привет");

    const auto stranger =
        test::RunCtl("--service " + sim.ServiceUrl() +
                     " --adapter lo --user nobody_here --json feedback --text Hi");
    EXPECT_EQ(stranger.exitCode, 1);
    EXPECT_NE(stranger.out.find("Не удалось отправить сообщение"), std::string::npos);

    const auto empty = test::RunCtl("--service " + sim.ServiceUrl() +
                                    " --adapter lo --user demo_user feedback --text ''");
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_EQ(sim.Requests("saveAdvise.do").size(), 2u);
}

}  // namespace
}  // namespace nimbrel
