// The recording index against the simulated service: playBack.do's payload in its order with the
// client's key, the sealed reply opened into the card's days and hours, the status words shown
// as their messages, misshapen replies (too long, a day list that is not a text, a body that does
// not open, garbled items) ending without harm, the window's flow publishing the whole index at
// once, and nimbrelctl's listing as a table and as JSON.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ClientSession.h"
#include "CtlRunner.h"
#include "SimProcess.h"
#include "platform/FixedText.h"
#include "platform/RequestWorker.h"
#include "playback/PlaybackFlow.h"
#include "playback/PlaybackTexts.h"
#include "playback/RecordIndexRequest.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

constexpr const char* kCard = "PB0000000001";
constexpr const char* kNoCard = "PB0000000002";
constexpr const char* kEmptyCard = "PB0000000003";
constexpr const char* kOffline = "PB0000000004";
constexpr const char* kOversized = "PB0000000005";
constexpr const char* kMistyped = "PB0000000006";
constexpr const char* kBadSeal = "PB0000000007";
constexpr const char* kGarbled = "PB0000000008";

class RecordIndexSim : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    }

    // Request workers left running (an abandoned index request) end before the process does.
    void TearDown() override {
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
    }

    SimProcess sim{"playback.json"};
    ClientSession client;
};

TEST_F(RecordIndexSim, TheRequestCarriesItsPayloadInOrderAndTheSealedReplyOpensIntoTheCard) {
    const IndexReply reply = LoadRecordIndex(client.g, client.app, kCard);
    ASSERT_EQ(reply.outcome, IndexReply::Outcome::Loaded);
    EXPECT_EQ(reply.status, "OK");

    const auto requests = sim.Requests("playBack.do");
    ASSERT_EQ(requests.size(), 1u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"uid", "pb_user"},
        {"sid", kCard},
        {"mac", std::string(GetText(client.g.m_Mac))},
        {"exp", std::string(GetText(client.g.m_RsaExp))},
        {"mod", std::string(GetText(client.g.m_RsaMod))},
        {"token", std::string(GetText(client.g.m_Token))}};
    EXPECT_EQ(PayloadPairs(requests[0]), expected);
    EXPECT_EQ(requests[0]["status"].asString(), "OK");

    // Two years across the new year; 15 March listed twice holds all three hours; a day
    // without hours is kept.
    const RecordIndex& index = *reply.index;
    ASSERT_EQ(index.YearCount(), 2);
    EXPECT_EQ(index.YearAt(0).year, 2013);
    EXPECT_EQ(index.MonthAt(0, 0).month, 12);
    EXPECT_EQ(index.DayAt(0, 0, 0).hours[0], 23);
    ASSERT_EQ(index.MonthCount(1), 2);
    ASSERT_EQ(index.DayCount(1, 1), 2);
    const RecordIndex::Day& fifteenth = index.DayAt(1, 1, 0);
    EXPECT_EQ(fifteenth.day, 15);
    ASSERT_EQ(fifteenth.hourCount, 3);
    EXPECT_EQ((std::array{fifteenth.hours[0], fifteenth.hours[1], fifteenth.hours[2]}),
              (std::array{8, 9, 21}));
    EXPECT_EQ(index.DayAt(1, 1, 1).day, 16);
    EXPECT_EQ(index.DayAt(1, 1, 1).hourCount, 0);
}

TEST_F(RecordIndexSim, StatusWordsBecomeTheirMessagesAndLeaveNoIndex) {
    const std::pair<const char*, const char*> cases[] = {{kNoCard, playback_text::kNoCard},
                                                         {kEmptyCard, playback_text::kNoList},
                                                         {kOffline, playback_text::kOffline}};
    for (const auto& [sid, message] : cases) {
        const IndexReply reply = LoadRecordIndex(client.g, client.app, sid);
        EXPECT_EQ(reply.outcome, IndexReply::Outcome::Message) << sid;
        EXPECT_STREQ(reply.message, message) << sid;
        EXPECT_EQ(reply.index, nullptr) << sid;
    }
    // A camera the account does not hold: an error word that is shown nowhere.
    const IndexReply other = LoadRecordIndex(client.g, client.app, "XX0000000001");
    EXPECT_EQ(other.outcome, IndexReply::Outcome::Silent);
    EXPECT_EQ(other.status, "NODEV");
}

TEST_F(RecordIndexSim, MisshapenRepliesEndSilentlyAndGarbledItemsAreSkipped) {
    for (const char* sid : {kOversized, kMistyped, kBadSeal}) {
        const IndexReply reply = LoadRecordIndex(client.g, client.app, sid);
        EXPECT_EQ(reply.outcome, IndexReply::Outcome::Silent) << sid;
        EXPECT_EQ(reply.index, nullptr) << sid;
        EXPECT_EQ(reply.message, nullptr) << sid;
    }
    const IndexReply garbled = LoadRecordIndex(client.g, client.app, kGarbled);
    ASSERT_EQ(garbled.outcome, IndexReply::Outcome::Loaded);
    ASSERT_EQ(garbled.index->YearCount(), 1);
    ASSERT_EQ(garbled.index->DayCount(0, 0), 2);
    EXPECT_EQ(garbled.index->HourCount(0, 0, 0), 2);  // 07 and 12 of "0x-07-99-12"
}

TEST_F(RecordIndexSim, TheFlowPublishesTheWholeIndexAtOnceAndThenTheDeviceName) {
    PlaybackFlow flow(client.g, client.app, client.notifier, kCard, "Прихожая");
    EXPECT_EQ(flow.Title(), playback_text::kLoadingTitle);
    std::atomic<int> changes{0};
    flow.SetChangeHandler([&] { ++changes; });

    // A reader polling during the load sees the empty lists or the complete ones, nothing between.
    const PickLists empty = flow.Lists();
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const PickLists seen = flow.Lists();
            if (seen != empty && seen.hours != Texts{"23"}) ++torn;
        }
    });
    ASSERT_TRUE(flow.LoadIndex());
    EXPECT_FALSE(flow.LoadIndex());  // once per opening
    EXPECT_TRUE(flow.WaitIndex(30s));
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);

    EXPECT_EQ(changes, 1);
    EXPECT_EQ(flow.IndexOutcome(), IndexReply::Outcome::Loaded);
    EXPECT_EQ(flow.Title(), "Прихожая");
    const PickLists lists = flow.Lists();
    EXPECT_EQ(lists.years, (Texts{"2013", "2014"}));
    EXPECT_EQ(lists.months, (Texts{"12"}));
    EXPECT_EQ(lists.days, (Texts{"31"}));
    EXPECT_EQ(lists.hours, (Texts{"23"}));
    EXPECT_EQ(flow.CheckStart(), "20131231-23");

    // 2014, March, the 16th: a day without hours cannot start.
    flow.PickYear("2014");
    flow.PickMonth(1);
    flow.PickDay(1);
    EXPECT_EQ(flow.CheckStart(), std::nullopt);
    ASSERT_EQ(client.notifier.Messages().size(), 1u);
    EXPECT_EQ(client.notifier.Messages()[0].text, playback_text::kChooseHour);
    EXPECT_EQ(client.notifier.Messages()[0].caption, playback_text::kCaption);
    flow.PickDay(0);
    flow.PickHour(2);
    EXPECT_EQ(flow.CheckStart(), "20140315-21");
}

TEST_F(RecordIndexSim, TheFlowShowsTheMessageOfACardlessCameraAndKeepsItsListsEmpty) {
    PlaybackFlow flow(client.g, client.app, client.notifier, kNoCard, "Без карты");
    ASSERT_TRUE(flow.LoadIndex());
    ASSERT_TRUE(flow.WaitIndex(30s));
    EXPECT_EQ(flow.IndexOutcome(), IndexReply::Outcome::Message);
    EXPECT_EQ(flow.Title(), playback_text::kLoadingTitle);
    EXPECT_TRUE(flow.Lists().years.empty());
    ASSERT_EQ(client.notifier.Messages().size(), 1u);
    EXPECT_EQ(client.notifier.Messages()[0].text, playback_text::kNoCard);
    EXPECT_EQ(flow.CheckStart(), std::nullopt);
    EXPECT_EQ(client.notifier.Messages().back().text, playback_text::kChooseYear);
}

TEST_F(RecordIndexSim, NimbrelctlListsTheCardAsATableAndAsRequestHours) {
    const std::string account =
        "--service " + sim.ServiceUrl() + " --adapter lo --user pb_user --password pb123456 ";
    const std::string folder = " --config-dir " + client.ConfigDir().string();
    const CtlResult table = RunCtl(account + "recordings " + kCard + folder);
    ASSERT_EQ(table.exitCode, 0) << table.out;
    EXPECT_NE(table.out.find("4 days, 6 hours recorded"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("2014-03-15  08 09 21"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("2014-03-16  (no hours)"), std::string::npos) << table.out;

    const CtlResult json = RunCtl(account + "--json recordings " + kCard + folder);
    ASSERT_EQ(json.exitCode, 0) << json.out;
    const auto parsed = ParseJsonObject(json.out);
    ASSERT_TRUE(parsed) << json.out;
    Texts hours;
    for (const auto& h : (*parsed)["hours"]) hours.push_back(h.asString());
    EXPECT_EQ(hours, (Texts{"20131231-23", "20140101-00", "20140101-01", "20140315-08",
                            "20140315-09", "20140315-21"}));

    const CtlResult none = RunCtl(account + "--json recordings " + kNoCard + folder);
    EXPECT_NE(none.exitCode, 0);
    const auto refused = ParseJsonObject(none.out);
    ASSERT_TRUE(refused) << none.out;
    EXPECT_EQ((*refused)["status"].asString(), "NOSDCARD");
}

}  // namespace
}  // namespace nimbrel::test
