// The version check: its payload and token, the four results, the stored download address,
// the bounded repetitions, malformed replies and the settings page's messages.
#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "platform/FixedText.h"
#include "service/ServiceCipher.h"
#include "service/VersionCheck.h"

namespace nimbrel {
namespace {

constexpr const char* kDownload = "http://127.0.0.1/download/nimbrel-setup.exe";

class VersionCheckTest : public ::testing::Test {
  protected:
    // A simulator whose newest client is 2.0 with the given updateStatus.
    void Start(int updateStatus) {
        scenario = std::make_unique<test::ScenarioFile>([updateStatus](Json::Value& s) {
            s["service"]["version"]["updateStatus"] = updateStatus;
        });
        sim = std::make_unique<test::SimProcess>(scenario->Path());
        InitAppRecord(app);
        std::string why;
        ASSERT_TRUE(test::PrepareClient(g, app, *sim, &why)) << why;
    }
    void RunAs(uint16_t major, uint16_t minor) {
        app.m_VersionMajor = major;
        app.m_VersionMinor = minor;
    }

    std::unique_ptr<test::ScenarioFile> scenario;
    std::unique_ptr<test::SimProcess> sim;
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
};

TEST_F(VersionCheckTest, CurrentVersionIsReportedAsTheLatest) {
    Start(0);
    RunAs(2, 0);
    EXPECT_EQ(CheckVersionAndReport(g, app, notifier), kVersionCurrent);
    const auto requests = sim->Requests("checkVersion.do");
    ASSERT_EQ(requests.size(), 1u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"client", "pc"}, {"version", "2.0"}, {"token", HmacSha1Hex(g, "pc2.0")}};
    EXPECT_EQ(test::PayloadPairs(requests[0]), expected);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "Текущая версия является последней");
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
    EXPECT_EQ(GetText(app.m_ResourceUrl), "");
    EXPECT_EQ(VersionCheckMessage(kVersionCurrent).icon, UserNotifier::Icon::Information);
}

TEST_F(VersionCheckTest, AnOlderClientSendsItsVersionAndStoresTheAddress) {
    Start(0);
    RunAs(1, 3);
    EXPECT_EQ(CheckVersionAndReport(g, app, notifier), kVersionNewer);
    const auto requests = sim->Requests("checkVersion.do");
    ASSERT_EQ(requests.size(), 1u);
    const auto pairs = test::PayloadPairs(requests[0]);
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[1].second, "1.3");
    EXPECT_EQ(pairs[2].second, HmacSha1Hex(g, "pc1.3"));
    EXPECT_EQ(GetText(app.m_ResourceUrl), kDownload);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(VersionCheckTest, AnUpdateStatusOfOneGivesTwoAndShowsNothing) {
    Start(1);
    RunAs(1, 9);
    EXPECT_EQ(CheckVersionAndReport(g, app, notifier), kVersionNewerRequired);
    EXPECT_EQ(GetText(app.m_ResourceUrl), kDownload);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(VersionCheckTest, OtherUpdateStatusesAskAgainAtMostThreeTimes) {
    Start(7);
    RunAs(1, 0);
    EXPECT_EQ(CheckVersionAndReport(g, app, notifier), kVersionCheckFailed);
    EXPECT_EQ(sim->Requests("checkVersion.do").size(), 3u);
    EXPECT_EQ(GetText(app.m_ResourceUrl), kDownload);  // each UPDATE reply stored it
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text,
              "Не удалось проверить обновление. Пожалуйста, проверьте настройки сети");
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
}

// Replies the simulator never sends, from a canned server: each is wrapped like a real reply.
class VersionReplyTest : public ::testing::Test {
  protected:
    int CheckWith(const std::string& json) {
        std::string body = json;
        test::LocalHttpServer server(test::LocalHttpServer::Reply(200, DesWrap8(body)));
        SetText(g.m_Host, "127.0.0.1");
        g.m_Port = static_cast<uint16_t>(server.Port());
        return CheckVersion(g, app);
    }
    GlobalSettings g;
    AppRecord app;
};

TEST_F(VersionReplyTest, MalformedUpdateRepliesFailWithoutTouchingTheAddress) {
    SetText(app.m_ResourceUrl, "kept");
    EXPECT_EQ(CheckWith(R"({"status":"UPDATE"})"), kVersionCheckFailed);
    EXPECT_EQ(CheckWith(R"({"status":"UPDATE","version":"x"})"), kVersionCheckFailed);
    EXPECT_EQ(CheckWith(R"({"status":"UPDATE","version":{"resourceUrl":7,"updateStatus":0}})"),
              kVersionCheckFailed);
    EXPECT_EQ(CheckWith(R"(["status","UPDATE"])"), kVersionCheckFailed);
    EXPECT_EQ(GetText(app.m_ResourceUrl), "kept");
}

TEST_F(VersionReplyTest, StatusWordsIgnoreCaseAndUpdateStatusMustBeAnInteger) {
    EXPECT_EQ(CheckWith(R"({"status":"update","version":{"resourceUrl":"u","updateStatus":1}})"),
              kVersionNewerRequired);  // status words ignore case
    EXPECT_EQ(CheckWith(R"({"status":"ERROR"})"), kVersionCurrent);
    EXPECT_EQ(CheckWith(R"({"other":1})"), kVersionCurrent);
    // A text "0" is not the integer 0: it asks again, and three such replies fail.
    EXPECT_EQ(CheckWith(R"({"status":"UPDATE","version":{"resourceUrl":"u","updateStatus":"0"}})"),
              kVersionCheckFailed);
    const std::string longUrl(400, 'a');
    EXPECT_EQ(CheckWith(R"({"status":"UPDATE","version":{"resourceUrl":")" + longUrl +
                        R"(","updateStatus":0}})"),
              kVersionNewer);
    EXPECT_EQ(GetText(app.m_ResourceUrl), longUrl.substr(0, 259));
}

}  // namespace
}  // namespace nimbrel
