// The alarm schedule against the simulated service: exact payloads, record updates, the
// whole-day note, nothing sent while the alarm is off, every outcome's message, and workers
// that are closed while their request still runs.
#include <gtest/gtest.h>

#include <chrono>

#include "LocalHttpServer.h"
#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "platform/FixedText.h"
#include "service/AlarmFlow.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kLanCamera = "NB0000000001";
constexpr const char* kOfflineCamera = "NB0000000005";

class AlarmFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitAppRecord(app);
        std::string why;
        ASSERT_TRUE(test::PrepareClient(g, app, sim, &why)) << why;
        ASSERT_EQ(test::SignIn(g, app, "demo_user", "demo1234"), "OK");
        mac = GetText(g.m_Mac);
        token = GetText(g.m_Token);
    }

    AlarmDevice Device(const std::string& sid, int alarmSwitch, int start = 8, int end = 20) {
        return {sid, "Прихожая", alarmSwitch, start, end};
    }

    Pairs SwitchPayload(const std::string& sid, const std::string& status) const {
        return {{"uid", "demo_user"}, {"sid", sid},       {"mac", mac},
                {"token", token},     {"status", status}, {"umac", mac}};
    }

    test::SimProcess sim{"demo.json"};
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
    std::string mac, token;
};

TEST_F(AlarmFlowTest, SwitchingSendsTheBareMacAsUmacAndFollowsTheRecord) {
    std::vector<AlarmDevice> written;
    AlarmFlow flow(g, app, notifier, Device(kLanCamera, 0),
                   [&](const AlarmDevice& d) { written.push_back(d); });
    EXPECT_FALSE(flow.AlarmOn());

    EXPECT_EQ(flow.Switch(true), AlarmOutcome::SwitchedOn);
    EXPECT_TRUE(flow.AlarmOn());
    EXPECT_EQ(flow.Switch(false), AlarmOutcome::SwitchedOff);
    EXPECT_FALSE(flow.AlarmOn());

    const auto requests = sim.Requests("setAlarm.do");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(test::PayloadPairs(requests[0]), SwitchPayload(kLanCamera, "on"));
    EXPECT_EQ(test::PayloadPairs(requests[1]), SwitchPayload(kLanCamera, "off"));
    EXPECT_EQ(requests[0]["status"].asString(), "OK");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].alarmSwitch, 1);
    EXPECT_EQ(written[1].alarmSwitch, 0);
    EXPECT_TRUE(notifier.Messages().empty());  // the synchronous form shows nothing itself
}

TEST_F(AlarmFlowTest, EqualHoursAreTheWholeDayAndAreSentAsEqualValues) {
    EXPECT_EQ(AlarmFlow::HoursNote(7, 7), "Установить сигнал тревоги на весь день");
    EXPECT_EQ(AlarmFlow::HoursNote(7, 8), "");
    EXPECT_EQ(AlarmFlow::HourLabel(7), "07");
    EXPECT_EQ(AlarmFlow::HourLabel(23), "23");

    AlarmFlow flow(g, app, notifier, Device(kLanCamera, 1));
    EXPECT_EQ(flow.SaveHours(7, 7), AlarmOutcome::HoursSet);
    const AlarmDevice after = flow.Device();
    EXPECT_EQ(after.startHour, 7);
    EXPECT_EQ(after.endHour, 7);
    EXPECT_EQ(after.alarmSwitch, 1);

    const auto requests = sim.Requests("setAlarmTime.do");
    ASSERT_EQ(requests.size(), 1u);
    const Pairs expected{{"uid", "demo_user"}, {"sid", kLanCamera},          {"mac", mac},
                         {"token", token},     {"umac", "demo_user," + mac}, {"start", "7"},
                         {"end", "7"}};
    EXPECT_EQ(test::PayloadPairs(requests[0]), expected);
}

TEST_F(AlarmFlowTest, SavingHoursWhileTheAlarmIsOffSendsNothing) {
    AlarmFlow flow(g, app, notifier, Device(kLanCamera, 0));
    EXPECT_EQ(flow.SaveHours(9, 17), AlarmOutcome::AlarmIsOff);
    EXPECT_FALSE(flow.StartSaveHours(9, 17));  // the dialog's button shows the request at once
    EXPECT_EQ(flow.Device().startHour, 8);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "Пожалуйста, включите сигнал тревоги");
    EXPECT_EQ(notifier.Messages()[0].caption, "Farlo видео-клиент");
    EXPECT_TRUE(sim.Requests("setAlarmTime.do").empty());

    EXPECT_EQ(flow.SaveHours(24, 3), AlarmOutcome::InvalidHours);
    EXPECT_EQ(flow.SaveHours(3, -1), AlarmOutcome::InvalidHours);
}

TEST_F(AlarmFlowTest, OfflineAndRefusedRequestsLeaveTheRecordAlone) {
    std::vector<AlarmDevice> written;
    const auto writer = [&](const AlarmDevice& d) { written.push_back(d); };

    AlarmFlow offline(g, app, notifier, Device(kOfflineCamera, 1), writer);
    EXPECT_EQ(offline.SaveHours(1, 2), AlarmOutcome::CameraOffline);
    EXPECT_EQ(offline.Device().startHour, 8);

    AlarmFlow unknown(g, app, notifier, Device("NB9999999999", 1), writer);
    EXPECT_EQ(unknown.SaveHours(1, 2), AlarmOutcome::HoursFailed);
    EXPECT_EQ(unknown.Switch(false), AlarmOutcome::SwitchOffFailed);
    EXPECT_TRUE(unknown.AlarmOn());
    EXPECT_EQ(unknown.Switch(true), AlarmOutcome::SwitchOnFailed);
    EXPECT_TRUE(written.empty());

    // A token the service never issued is refused like any other status word.
    SetText(g.m_Token, "not-a-token");
    AlarmFlow stale(g, app, notifier, Device(kLanCamera, 0), writer);
    EXPECT_EQ(stale.Switch(true), AlarmOutcome::SwitchOnFailed);
    EXPECT_FALSE(stale.AlarmOn());
}

TEST_F(AlarmFlowTest, TransferFailuresUseTheFailureMessages) {
    test::LocalHttpServer garbage(test::LocalHttpServer::Reply(200, "<html>not wrapped</html>"));
    g.m_Port = static_cast<uint16_t>(garbage.Port());
    AlarmFlow flow(g, app, notifier, Device(kLanCamera, 1));
    EXPECT_EQ(flow.Switch(false), AlarmOutcome::SwitchOffFailed);
    EXPECT_EQ(flow.SaveHours(3, 4), AlarmOutcome::HoursFailed);

    g.m_Port = 1;  // nothing listens: the connection is refused
    EXPECT_EQ(flow.Switch(true), AlarmOutcome::SwitchOnFailed);
    EXPECT_EQ(flow.SaveHours(3, 4), AlarmOutcome::HoursFailed);
    EXPECT_EQ(flow.Device().startHour, 8);
}

TEST_F(AlarmFlowTest, WorkersShowEachOutcomeWithTheHintCaption) {
    std::vector<AlarmOutcome> heard;
    AlarmFlow flow(g, app, notifier, Device(kLanCamera, 0));
    flow.SetListener([&](AlarmOutcome o) { heard.push_back(o); });
    AlarmFlow offline(g, app, notifier, Device(kOfflineCamera, 1));

    const auto run = [](AlarmFlow& f, bool started) {
        ASSERT_TRUE(started);
        ASSERT_TRUE(f.WaitIdle(60s));
    };
    run(flow, flow.StartSwitch(true));
    run(flow, flow.StartSaveHours(22, 6));
    run(flow, flow.StartSwitch(false));
    run(offline, offline.StartSaveHours(1, 1));
    g.m_Port = 1;
    run(flow, flow.StartSwitch(true));
    run(flow, flow.StartSwitch(false));

    const std::vector<std::string> texts{"Открыть отчет успеха",  "Установлено",
                                         "Закрыть отчет успеха",  "Камера не в сети",
                                         "Открыть отчет неудачи", "Закрыть отчет неудачи"};
    const auto shown = notifier.Messages();
    ASSERT_EQ(shown.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(shown[i].text, texts[i]);
        EXPECT_EQ(shown[i].caption, "подсказки");
    }
    EXPECT_EQ(heard,
              (std::vector<AlarmOutcome>{AlarmOutcome::SwitchedOn, AlarmOutcome::HoursSet,
                                         AlarmOutcome::SwitchedOff, AlarmOutcome::SwitchOnFailed,
                                         AlarmOutcome::SwitchOffFailed}));
    EXPECT_EQ(flow.Device().startHour, 22);
    EXPECT_EQ(flow.Device().endHour, 6);
    EXPECT_FALSE(flow.AlarmOn());
}

TEST_F(AlarmFlowTest, ClosingDropsTheResultOfARunningWorker) {
    test::LocalHttpServer silent("");  // accepts and never answers
    g.m_Port = static_cast<uint16_t>(silent.Port());
    bool written = false;
    const auto started = std::chrono::steady_clock::now();
    {
        AlarmFlow flow(g, app, notifier, Device(kLanCamera, 0),
                       [&](const AlarmDevice&) { written = true; });
        ASSERT_TRUE(flow.StartSwitch(true));
        EXPECT_FALSE(flow.StartSwitch(true));  // one switch request at a time
        flow.Close();
        EXPECT_FALSE(flow.StartSwitch(false));
    }  // the destructor aborts the transfer and waits for the worker
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);  // not the 20 s transfer limit
    EXPECT_FALSE(written);
    EXPECT_TRUE(notifier.Messages().empty());
}

}  // namespace
}  // namespace nimbrel
