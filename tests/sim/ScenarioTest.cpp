// Reading scenario files: the repository's scenarios load, and broken ones are refused with a
// message that names the member at fault.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Scenario.h"
#include "ServiceSigning.h"

namespace nimbrel::sim::test {
namespace {

std::filesystem::path ScenarioDir() {
    const char* dir = std::getenv("NIMBREL_SCENARIOS");
    return dir && *dir ? dir : "sim/scenarios";
}

TEST(ScenarioTest, RepositoryScenariosLoad) {
    const auto demo = LoadScenarioFile(ScenarioDir() / "demo.json");
    ASSERT_TRUE(demo) << demo.error();
    EXPECT_EQ(demo->service.securityStatus, "OK");
    EXPECT_GE(demo->accounts.size(), 2u);
    ASSERT_FALSE(demo->devices.empty());
    bool sawOffline = false;
    for (const auto& d : demo->devices) {
        if (d.reach == Reach::Offline) {
            sawOffline = true;
            EXPECT_EQ(d.status, 0);
        }
        if (d.lock) {
            EXPECT_EQ(d.lockPsd.size(), 40u);
        }
    }
    EXPECT_TRUE(sawOffline);

    const auto playback = LoadScenarioFile(ScenarioDir() / "playback.json");
    ASSERT_TRUE(playback) << playback.error();
    ASSERT_TRUE(playback->devices[0].camera.card);
    // Days keep their order; a day listed twice is listed twice; a day without hours stands alone.
    EXPECT_EQ(playback->devices[0].camera.card->DayList(),
              "20131231-23;20140101-00-01;20140315-08;20140315-09-21;20140316");
    EXPECT_FALSE(playback->devices[1].camera.card);

    const auto update = LoadScenarioFile(ScenarioDir() / "update.json");
    ASSERT_TRUE(update) << update.error();
    EXPECT_EQ(update->service.securityStatus, "UPATE");
}

TEST(ScenarioTest, DefaultsAndDerivedValues) {
    const auto s = ParseScenario(R"({
        "accounts": [{"name": "alice", "password": "secret1"}],
        "devices": [{"sid": "D1", "owner": "alice", "lockCode": "1234"},
                    {"sid": "D2", "owner": "alice", "reach": "offline"}]})");
    ASSERT_TRUE(s) << s.error();
    EXPECT_EQ(s->service.port, 0);
    EXPECT_EQ(s->service.securityStatus, "OK");
    EXPECT_EQ(s->detection.probeShape, "open");
    EXPECT_EQ(s->accounts[0].id, "alice");
    EXPECT_EQ(s->accounts[0].nickName, "alice");
    EXPECT_EQ(s->devices[0].lockPsd, SignHex("1234"));
    EXPECT_EQ(s->devices[0].status, 1);
    EXPECT_EQ(s->devices[1].status, 0);
    EXPECT_EQ(s->devices[0].name, "D1");
}

TEST(ScenarioTest, BrokenScenariosNameTheirFault) {
    const std::string account = R"({"name": "alice", "password": "secret1"})";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[1,2]", "scenario"},
        {"{", "not valid JSON"},
        {R"({"servce": {}})", "unknown member \"servce\""},
        {R"({"service": {"port": 70000}})", "service.port"},
        {R"({"service": {"port": "80"}})", "service.port"},
        {R"({"service": {"keyValue": "xyz1"}})", "service.keyValue"},
        {R"({"service": {"deepReplies": "login.do"}})", "service.deepReplies"},
        {R"({"service": {"deepReplies": [""]}})", "service.deepReplies"},
        {std::string(5000, '['), "not valid JSON"},  // nested past the reader's limit
        {R"({"service": {"version": {"newest": "two"}}})", "service.version.newest"},
        {R"({"detection": {"probeShape": "leaky"}})", "detection.probeShape"},
        {R"({"detection": {"tcpShape": "rude"}})", "detection.tcpShape"},
        {R"({"accounts": [{"name": "alice"}]})", "accounts[0].password"},
        {R"({"accounts": [)" + account + "," + account + "]}", "repeats name"},
        {R"({"accounts": [{"name": "alice", "password": "p", "questions": [{"question": 13,
            "answer": "x"}]}]})",
         "accounts[0].questions[0].question"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "bob"}]})",
         "devices[0].owner"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "sharedWith": ["carol"]}]})",
         "devices[0].sharedWith"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice"},
            {"sid": "D1", "owner": "alice"}]})",
         "repeats sid"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "0123456789abcdefX",
            "owner": "alice"}]})",
         "devices[0].sid"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "reach": "offline", "status": 1}]})",
         "devices[0].status"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "alarmEndTime": 24}]})",
         "devices[0].alarmEndTime"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "reach": "teleport"}]})",
         "devices[0].reach"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "card": {"days": [{"date": "20140315", "hours": [8, 24]}]}}]})",
         "devices[0].card.days[0].hours"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "card": {"days": [{"date": "20141315"}]}}]})",
         "devices[0].card.days[0].date"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "card": {"indexReply": "huge"}}]})",
         "devices[0].card.indexReply"},
        {R"({"accounts": [)" + account + R"(], "devices": [{"sid": "D1", "owner": "alice",
            "card": {"hours": [8]}}]})",
         "unknown member \"hours\""},
    };
    for (const auto& [text, expected] : cases) {
        const auto s = ParseScenario(text);
        ASSERT_FALSE(s) << text;
        EXPECT_NE(s.error().find(expected), std::string::npos)
            << "error \"" << s.error() << "\" does not mention " << expected;
    }
}

TEST(ScenarioTest, DeepRepliesNameOperations) {
    const auto s = ParseScenario(R"({"service": {"deepReplies": ["login.do", "devList.do"]}})");
    ASSERT_TRUE(s) << s.error();
    EXPECT_EQ(s->service.deepReplies, (std::set<std::string>{"devList.do", "login.do"}));
}

TEST(ScenarioTest, CommentMembersAreIgnored) {
    EXPECT_TRUE(ParseScenario(R"({"_note": 1, "service": {"_why": "x"}})"));
}

TEST(ScenarioTest, MissingFileIsAnError) {
    const auto s = LoadScenarioFile("/nonexistent/scenario.json");
    ASSERT_FALSE(s);
    EXPECT_NE(s.error().find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace nimbrel::sim::test
