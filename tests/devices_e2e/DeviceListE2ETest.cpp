// Loading the device list from the simulated service over loopback: the pages requested and
// their exact payloads, every field of every record, the missing-account message, and pages
// whose members have the wrong JSON types.
#include <gtest/gtest.h>

#include "DeviceE2E.h"
#include "devices/VideoLock.h"
#include "platform/FixedText.h"

namespace nimbrel::test {
namespace {

struct PagingCase {
    const char* scenario;
    const char* user;
    const char* password;
    int devices;
    int pages;
};

class DeviceListPaging : public ::testing::TestWithParam<PagingCase> {};

TEST_P(DeviceListPaging, RequestsPagesOfTenUntilAShortOneAndKeepsEveryField) {
    const PagingCase c = GetParam();
    ScenarioVariant scenario(c.scenario, WithoutLan);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, c.user, c.password);
    ASSERT_TRUE(client.signedIn);

    ASSERT_TRUE(client.Fetch());
    EXPECT_TRUE(client.session.notifier.Messages().empty());

    const auto requests = sim.Requests("devList.do");
    ASSERT_EQ(requests.size(), static_cast<std::size_t>(c.pages));
    const GlobalSettings& g = client.session.g;
    for (int page = 1; page <= c.pages; ++page) {
        const Json::Value& line = requests[static_cast<std::size_t>(page - 1)];
        EXPECT_EQ(line["status"].asString(), "OK");
        const std::vector<std::string> expected{std::string("uid=") + c.user,
                                                "mac=" + std::string(GetText(g.m_Mac)),
                                                "token=" + std::string(GetText(g.m_Token)),
                                                "exp=" + std::string(GetText(g.m_RsaExp)),
                                                "mod=" + std::string(GetText(g.m_RsaMod)),
                                                "page=" + std::to_string(page),
                                                "size=10"};
        EXPECT_EQ(PayloadTexts(line), expected) << "page " << page;
    }
    EXPECT_FALSE(std::string(GetText(g.m_Token)).empty());

    const auto bound = DevicesOf(sim.Scenario(), c.user);
    ASSERT_EQ(bound.size(), static_cast<std::size_t>(c.devices));
    ASSERT_EQ(client.list.Count(), c.devices);
    for (int i = 0; i < c.devices; ++i) {
        const auto& [device, init] = bound[static_cast<std::size_t>(i)];
        ExpectAsScenario(*client.list.At(i), device, init);
        EXPECT_EQ(client.list.At(i)->onLan, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, DeviceListPaging,
    ::testing::Values(PagingCase{"devices-0.json", "empty_user", "empty1234", 0, 1},
                      PagingCase{"devices-10.json", "ten_user", "ten12345", 10, 2},
                      PagingCase{"devices-25.json", "many_user", "many1234", 25, 3},
                      PagingCase{"demo.json", "demo_user", "demo1234", 24, 3}),
    [](const auto& info) { return std::string(info.param.user); });

// The unlock digest the service lists is the one the keypad computes from the lock code, so the
// owner's code opens the device on its last key.
TEST(DeviceListRecords, ListedLockDigestOpensWithTheScenarioCode) {
    ScenarioVariant scenario("demo.json", WithoutLan);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "demo_user", "demo1234");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    for (const char* sid : {"NB0000000002", "NB0000000008", "NB0000000020"}) {
        const DeviceRecord& device = client.Record(sid);
        const std::string code = ScenarioDevice(sim.Scenario(), sid)["lockCode"].asString();
        ASSERT_FALSE(code.empty()) << sid;
        VideoLockKeypad keypad(client.session.g, device);
        for (std::size_t i = 0; i + 1 < code.size(); ++i)
            EXPECT_EQ(keypad.Press(code[i] - '0'), VideoLockKeypad::KeyResult::Pressed) << sid;
        EXPECT_EQ(keypad.Press(code.back() - '0'), VideoLockKeypad::KeyResult::Unlocked) << sid;
    }
}

TEST(DeviceListStatus, MissingAccountShowsItsMessageOtherStatusesFailSilently) {
    for (const char* word : {"NOUSR", "nousr", "BUSY"}) {
        SCOPED_TRACE(word);
        ScenarioVariant scenario("devices-10.json", [word](Json::Value& s) {
            s["service"]["statusOverrides"]["devList.do"] = word;
        });
        SimProcess sim(scenario.Path());
        DeviceClient client(sim, "ten_user", "ten12345");
        ASSERT_TRUE(client.signedIn);

        EXPECT_FALSE(client.Fetch());
        EXPECT_EQ(client.list.Count(), 0);
        EXPECT_FALSE(RefreshDeviceList(client.Context(), client.list));
        EXPECT_EQ(sim.Requests("devList.do").size(), 2u);  // one page each, no retry
        const auto shown = client.session.notifier.Messages();
        if (std::string(word) == "BUSY") {
            EXPECT_TRUE(shown.empty());
            continue;
        }
        ASSERT_EQ(shown.size(), 2u);
        for (const auto& m : shown) {
            EXPECT_EQ(m.text, "Имя пользователя не существует");
            EXPECT_EQ(m.caption, "подсказки");
        }
    }
}

struct MistypeCase {
    const char* mistype;
    int page;
    bool accepted;
    int kept;  // records in the list after the load
};

class DeviceListMistype : public ::testing::TestWithParam<MistypeCase> {};

// A page whose members have the wrong JSON types fails the load without a message; the records
// of the pages before it stay, and no later page is asked for.
TEST_P(DeviceListMistype, WrongTypesFailThePageAndKeepEarlierPages) {
    const MistypeCase c = GetParam();
    ScenarioVariant scenario("devices-25.json", [&c](Json::Value& s) {
        s["service"]["deviceList"]["mistype"] = c.mistype;
        s["service"]["deviceList"]["mistypePage"] = c.page;
    });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);

    EXPECT_EQ(client.Fetch(), c.accepted);
    EXPECT_TRUE(client.session.notifier.Messages().empty());
    EXPECT_EQ(sim.Requests("devList.do").size(), static_cast<std::size_t>(c.accepted ? 3 : c.page));
    ASSERT_EQ(client.list.Count(), c.kept);
    const auto bound = DevicesOf(sim.Scenario(), "many_user");
    for (int i = 0; i < c.kept; ++i)
        ExpectAsScenario(*client.list.At(i), bound[static_cast<std::size_t>(i)].first,
                         bound[static_cast<std::size_t>(i)].second);

    // A refresh meets the same page: it fails, and appends nothing twice.
    EXPECT_EQ(RefreshDeviceList(client.Context(), client.list), c.accepted);
    EXPECT_EQ(client.list.Count(), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Faults, DeviceListMistype,
                         ::testing::Values(MistypeCase{"statusText", 2, false, 10},
                                           MistypeCase{"initText", 3, false, 20},
                                           MistypeCase{"numbersBare", 2, false, 10},
                                           MistypeCase{"resultObject", 1, false, 0},
                                           MistypeCase{"statusBool", 2, true, 25}),
                         [](const auto& info) { return std::string(info.param.mistype); });

}  // namespace
}  // namespace nimbrel::test
