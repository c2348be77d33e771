// Rename, delete, LED and voice-prompt switches against the simulated service: the exact
// payloads that reach it, the message for every answer, which record fields change, and that
// the changes last on the service.
#include <gtest/gtest.h>

#include "DeviceE2E.h"
#include "devices/DeviceOperations.h"
#include "platform/FixedText.h"

namespace nimbrel::test {
namespace {

constexpr const char* kRenameFailed = "Не удалось переименовать устройство, попробуйте еще раз";
constexpr const char* kDeleteFailed = "Не удалось удалить устройство, попробуйте еще раз";
constexpr const char* kLedFailed = "Не удалось отключить индикатор состояния";
constexpr const char* kVoiceOffFailed = "Отключить голосовые подсказки";
constexpr const char* kVoiceOnFailed = "Не удалось включить голосовые подсказки";
// MD5 of demo_user's password "demo1234".
constexpr const char* kDemoPasswordMd5 = "6e9bece1914809fb8493146417e722f6";

class DeviceOps : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(client.signedIn);
        ASSERT_TRUE(client.Fetch());
    }

    std::string Mac() const { return std::string(GetText(client.session.g.m_Mac)); }
    std::string Token() const { return std::string(GetText(client.session.g.m_Token)); }

    // A device the service does not know, as a stale record would name it.
    DeviceRecord& Unknown() {
        DeviceFields f;
        f.sid = "NB9999999999";
        f.name = "Нет такой";
        f.showLED = f.showSound = 1;
        f.ledStatus = f.soundLeadStatus = 1;
        return *strays.At(strays.Append(f));
    }

    Json::Value Last(const std::string& path) const {
        const auto lines = sim.Requests(path);
        return lines.empty() ? Json::Value() : lines.back();
    }

    std::vector<std::string> SwitchPayload(const std::string& sid, const char* status) const {
        return {"uid=demo_user",
                "sid=" + sid,
                "mac=" + Mac(),
                "token=" + Token(),
                "umac=demo_user," + Mac(),
                std::string("status=") + status};
    }

    ScenarioVariant scenario{"demo.json", WithoutLan};
    SimProcess sim{scenario.Path()};
    DeviceClient client{sim, "demo_user", "demo1234"};
    DeviceList strays;
};

TEST_F(DeviceOps, RenameSendsEveryUtf8BytePercentEncodedAndReportsEachAnswer) {
    DeviceRecord& kitchen = client.Record("NB0000000007");
    const DeviceOpOutcome ok = RenameDevice(client.Context(), kitchen, "Юг 2");
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.message, "");
    EXPECT_EQ(kitchen.Name(), "Юг 2");
    const Json::Value sent = Last("devName.do");
    EXPECT_EQ(sent["status"].asString(), "OK");
    EXPECT_EQ(PayloadTexts(sent), (std::vector<std::string>{"uid=demo_user", "sid=NB0000000007",
                                                            "name=%D0%AE%D0%B3%20%32",
                                                            "mac=" + Mac(), "token=" + Token()}));
    EXPECT_EQ(sent["decoded"]["name"].asString(), "Юг 2") << sent.toStyledString();

    // Thirty units is the most the service takes.
    const std::string thirty = "Тридцать букв в названии камер";
    ASSERT_EQ(thirty.size(), 2 * 26 + 4u);  // 26 letters, 4 spaces
    EXPECT_TRUE(RenameDevice(client.Context(), kitchen, thirty).ok);

    DeviceRecord& stray = Unknown();
    const DeviceOpOutcome nodev = RenameDevice(client.Context(), stray, "Новое имя");
    EXPECT_FALSE(nodev.ok);
    EXPECT_EQ(nodev.message, "Устройство не существует");
    EXPECT_EQ(stray.Name(), "Нет такой");
    EXPECT_EQ(Last("devName.do")["status"].asString(), "NODEV");

    // The service refuses an empty name: the record keeps its name.
    const DeviceOpOutcome refused = RenameDevice(client.Context(), kitchen, "");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, kRenameFailed);
    EXPECT_EQ(kitchen.Name(), thirty);
    EXPECT_EQ(Last("devName.do")["status"].asString(), "ERROR");
    EXPECT_TRUE(client.session.notifier.Messages().empty());  // the caller shows the outcome

    DeviceClient other(sim, "demo_user", "demo1234");
    ASSERT_TRUE(other.signedIn);
    ASSERT_TRUE(other.Fetch());
    EXPECT_EQ(other.Record("NB0000000007").Name(), thirty);
}

TEST_F(DeviceOps, SwitchesRequestTheOppositeStateAndLastOnTheService) {
    DeviceRecord& hall = client.Record("NB0000000001");     // LED on
    DeviceRecord& kitchen = client.Record("NB0000000007");  // voice prompts off
    ASSERT_EQ(hall.ledStatus, 1);
    ASSERT_EQ(kitchen.soundLeadStatus, 0);

    const DeviceOpOutcome ledOff = ToggleDeviceSwitch(client.Context(), hall, DeviceSwitch::Led);
    EXPECT_TRUE(ledOff.ok);
    EXPECT_EQ(ledOff.message, "Индикатор отключен");
    EXPECT_EQ(hall.ledStatus, 0);
    EXPECT_EQ(PayloadTexts(Last("setLed.do")), SwitchPayload("NB0000000001", "off"));
    EXPECT_EQ(Last("setLed.do")["status"].asString(), "OK");

    const DeviceOpOutcome voiceOn =
        ToggleDeviceSwitch(client.Context(), kitchen, DeviceSwitch::Voice);
    EXPECT_TRUE(voiceOn.ok);
    EXPECT_EQ(voiceOn.message, "Подсказки включены");
    EXPECT_EQ(kitchen.soundLeadStatus, 1);
    EXPECT_EQ(PayloadTexts(Last("setVoice.do")), SwitchPayload("NB0000000007", "on"));

    DeviceClient later(sim, "demo_user", "demo1234");
    ASSERT_TRUE(later.signedIn);
    ASSERT_TRUE(later.Fetch());
    EXPECT_EQ(later.Record("NB0000000001").ledStatus, 0);
    EXPECT_EQ(later.Record("NB0000000007").soundLeadStatus, 1);

    const DeviceOpOutcome ledOn = ToggleDeviceSwitch(client.Context(), hall, DeviceSwitch::Led);
    EXPECT_EQ(ledOn.message, "Индикатор включен");
    EXPECT_EQ(hall.ledStatus, 1);
    EXPECT_EQ(PayloadTexts(Last("setLed.do")), SwitchPayload("NB0000000001", "on"));
    const DeviceOpOutcome voiceOff =
        ToggleDeviceSwitch(client.Context(), kitchen, DeviceSwitch::Voice);
    EXPECT_EQ(voiceOff.message, "Подсказки отключены");
    EXPECT_EQ(kitchen.soundLeadStatus, 0);
    EXPECT_EQ(PayloadTexts(Last("setVoice.do")), SwitchPayload("NB0000000007", "off"));
}

TEST_F(DeviceOps, RefusedSwitchesKeepTheFieldAndNameTheRequestedState) {
    // NB0000000003 has neither switch: the service answers ERROR.
    DeviceRecord& yard = client.Record("NB0000000003");
    ASSERT_EQ(yard.ledStatus, 1);
    ASSERT_EQ(yard.soundLeadStatus, 1);

    DeviceOpOutcome r = ToggleDeviceSwitch(client.Context(), yard, DeviceSwitch::Led);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kLedFailed);
    EXPECT_EQ(yard.ledStatus, 1);
    EXPECT_EQ(Last("setLed.do")["status"].asString(), "ERROR");

    r = ToggleDeviceSwitch(client.Context(), yard, DeviceSwitch::Voice);
    EXPECT_EQ(r.message, kVoiceOffFailed);
    EXPECT_EQ(yard.soundLeadStatus, 1);

    // With the fields at 0 the requests are "on"; the LED text stays the same.
    yard.ledStatus = 0;
    yard.soundLeadStatus = 0;
    r = ToggleDeviceSwitch(client.Context(), yard, DeviceSwitch::Led);
    EXPECT_EQ(r.message, kLedFailed);
    EXPECT_EQ(yard.ledStatus, 0);
    EXPECT_EQ(PayloadTexts(Last("setLed.do")), SwitchPayload("NB0000000003", "on"));
    r = ToggleDeviceSwitch(client.Context(), yard, DeviceSwitch::Voice);
    EXPECT_EQ(r.message, kVoiceOnFailed);
    EXPECT_EQ(yard.soundLeadStatus, 0);

    DeviceRecord& stray = Unknown();
    r = ToggleDeviceSwitch(client.Context(), stray, DeviceSwitch::Led);
    EXPECT_EQ(r.message, kLedFailed);
    EXPECT_EQ(Last("setLed.do")["status"].asString(), "NODEV");
    EXPECT_EQ(stray.ledStatus, 1);
}

TEST_F(DeviceOps, DeleteSendsThePasswordDigestAndReportsEachAnswer) {
    GlobalSettings& g = client.session.g;
    ASSERT_EQ(GetText(g.m_PasswordMd5), kDemoPasswordMd5);

    // A password digest the service does not accept.
    SetText(g.m_PasswordMd5, std::string(32, '0'));
    DeviceOpOutcome r = DeleteDevice(client.Context(), client.Record("NB0000000010"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message,
              "Десантный пароль ошибки，Не удалось удалить устройство, попробуйте еще раз");
    SetText(g.m_PasswordMd5, kDemoPasswordMd5);

    r = DeleteDevice(client.Context(), Unknown());
    EXPECT_EQ(r.message,
              "Оборудование не существует，Не удалось удалить устройство, попробуйте еще раз");
    EXPECT_EQ(Last("deleteDev.do")["status"].asString(), "NODEV");

    // A token the service never issued: any other answer.
    const std::string token = Token();
    SetText(g.m_Token, "not-a-token");
    r = DeleteDevice(client.Context(), client.Record("NB0000000010"));
    EXPECT_EQ(r.message, kDeleteFailed);
    EXPECT_EQ(Last("deleteDev.do")["status"].asString(), "ERROR");
    SetText(g.m_Token, token);

    const std::size_t before = sim.Requests("deleteDev.do").size();
    r = DeleteDevice(client.Context(), client.Record("NB0000000010"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "");
    ASSERT_EQ(sim.Requests("deleteDev.do").size(), before + 1);
    EXPECT_EQ(PayloadTexts(Last("deleteDev.do")),
              (std::vector<std::string>{"uid=demo_user", "sid=NB0000000010", "mac=" + Mac(),
                                        "token=" + token, std::string("psd=") + kDemoPasswordMd5}));
    EXPECT_EQ(Last("deleteDev.do")["status"].asString(), "OK");
    // The record stays in the list; the service no longer lists the device.
    EXPECT_EQ(client.IndexOf("NB0000000010"), 9);
    DeviceClient later(sim, "demo_user", "demo1234");
    ASSERT_TRUE(later.signedIn);
    ASSERT_TRUE(later.Fetch());
    EXPECT_EQ(later.list.Count(), 23);
    EXPECT_EQ(later.IndexOf("NB0000000010"), -1);
    EXPECT_EQ(later.IndexOf("NB0000000011"), 9);
}

// Status words are compared without regard to case; unknown ones are failures.
TEST(DeviceOpsStatusWords, AnyLetterCaseCountsOtherWordsFail) {
    ScenarioVariant scenario("demo.json", [](Json::Value& s) {
        WithoutLan(s);
        Json::Value& forced = s["service"]["statusOverrides"];
        forced["devName.do"] = "NoDev";
        forced["deleteDev.do"] = "BUSY";
        forced["setLed.do"] = "ok";
        forced["setVoice.do"] = "Busy";
    });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "demo_user", "demo1234");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    DeviceRecord& hall = client.Record("NB0000000001");

    EXPECT_EQ(RenameDevice(client.Context(), hall, "Холл").message, "Устройство не существует");
    EXPECT_EQ(hall.Name(), "Прихожая");
    EXPECT_EQ(DeleteDevice(client.Context(), hall).message, kDeleteFailed);
    const DeviceOpOutcome led = ToggleDeviceSwitch(client.Context(), hall, DeviceSwitch::Led);
    EXPECT_TRUE(led.ok);
    EXPECT_EQ(led.message, "Индикатор отключен");
    EXPECT_EQ(hall.ledStatus, 0);
    const DeviceOpOutcome voice = ToggleDeviceSwitch(client.Context(), hall, DeviceSwitch::Voice);
    EXPECT_FALSE(voice.ok);
    EXPECT_EQ(voice.message, kVoiceOffFailed);
    EXPECT_EQ(hall.soundLeadStatus, 1);
}

}  // namespace
}  // namespace nimbrel::test
