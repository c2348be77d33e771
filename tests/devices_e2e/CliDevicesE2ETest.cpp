// nimbrelctl's device commands as a script runs them against the simulator: changes made by
// rename, led, voice and delete show in the next listing, and the groups commands keep the
// account file's groups and device assignments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "CtlRunner.h"
#include "DeviceE2E.h"
#include "devices/DeviceGroupsFile.h"
#include "service/AccountFile.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

class CliDevices : public ::testing::Test {
  protected:
    CliDevices() {
        configDir = std::filesystem::temp_directory_path() /
                    ("nimbrel-ctl-devices-" + std::to_string(getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(configDir);
    }
    ~CliDevices() override { std::filesystem::remove_all(configDir); }

    // Runs one command as demo_user with --json and parses its one JSON object.
    Json::Value Run(const std::string& command, int expectedExit) {
        const auto r = RunCtl("--service " + sim.ServiceUrl() +
                              " --adapter lo --user demo_user --password demo1234 --json " +
                              command + " --config-dir " + configDir.string());
        EXPECT_EQ(r.exitCode, expectedExit) << command << "\n" << r.out;
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << command << ": " << r.out;
        return json.value_or(Json::Value());
    }

    // The listed devices by sid.
    std::map<std::string, Json::Value> Listing() {
        std::map<std::string, Json::Value> bySid;
        const Json::Value listed = Run("devices", 0);
        for (Json::Value d : listed["devices"]) {
            // Whatever holds the discovery port on this machine is no part of these tests.
            for (const char* lan : {"onLan", "lanIp", "lanMac", "lanPort"}) d.removeMember(lan);
            bySid[d["sid"].asString()] = d;
        }
        return bySid;
    }

    AccountFile File() const {
        AccountFile file;
        EXPECT_TRUE(file.Load(configDir / "demo_user_config.xml"));
        return file;
    }

    ScenarioVariant scenario{"demo.json", WithoutLan};
    SimProcess sim{scenario.Path()};
    std::filesystem::path configDir;
};

TEST_F(CliDevices, ChangesMadeByCommandsShowInTheNextListing) {
    const auto before = Listing();
    ASSERT_EQ(before.size(), 24u);
    ASSERT_EQ(before.at("NB0000000001")["ledStatus"].asInt(), 1);
    ASSERT_EQ(before.at("NB0000000007")["soundLeadStatus"].asInt(), 0);

    Json::Value r = Run("rename NB0000000007 'Юг 2'", 0);
    EXPECT_EQ(r["status"].asString(), "OK");
    r = Run("led NB0000000001", 0);
    EXPECT_EQ(r["message"].asString(), "Индикатор отключен");
    r = Run("voice NB0000000007", 0);
    EXPECT_EQ(r["message"].asString(), "Подсказки включены");

    // Refused before anything is sent: a name over 30 characters, a device without a LED
    // switch, a device the account does not have.
    r = Run("rename NB0000000007 'Тридцать одна буква в названии!'", 2);
    EXPECT_EQ(r["message"].asString(), "устройство названиедлина превышает максимальный предел ");
    r = Run("led NB0000000003", 1);
    EXPECT_EQ(r["status"].asString(), "UNSUPPORTED");
    r = Run("voice NB9999999999", 1);
    EXPECT_EQ(r["status"].asString(), "NODEV");
    EXPECT_EQ(sim.Requests("devName.do").size(), 1u);
    EXPECT_EQ(sim.Requests("setLed.do").size(), 1u);
    EXPECT_EQ(sim.Requests("setVoice.do").size(), 1u);

    const auto after = Listing();
    ASSERT_EQ(after.size(), 24u);
    EXPECT_EQ(after.at("NB0000000007")["name"].asString(), "Юг 2");
    EXPECT_EQ(after.at("NB0000000001")["ledStatus"].asInt(), 0);
    EXPECT_EQ(after.at("NB0000000007")["soundLeadStatus"].asInt(), 1);
    // Nothing else changed.
    for (const auto& [sid, device] : before) {
        if (sid == "NB0000000001" || sid == "NB0000000007") continue;
        EXPECT_EQ(after.at(sid), device) << sid;
    }
}

TEST_F(CliDevices, DeleteNeedsThePasswordAndTakesTheDeviceOutOfTheAccountFile) {
    Run("groups list", 0);  // writes the account file with every device
    ASSERT_TRUE(FindCamera(File(), "NB0000000010"));

    Json::Value r = Run("delete NB0000000010 --confirm wrong-password", 1);
    EXPECT_EQ(r["status"].asString(), "REFUSED");
    EXPECT_TRUE(sim.Requests("deleteDev.do").empty());

    r = Run("delete NB0000000010 --confirm demo1234", 0);
    EXPECT_EQ(r["status"].asString(), "OK");
    EXPECT_FALSE(FindCamera(File(), "NB0000000010"));
    const auto listing = Listing();
    EXPECT_EQ(listing.size(), 23u);
    EXPECT_EQ(listing.count("NB0000000010"), 0u);
}

TEST_F(CliDevices, GroupsRoundTripThroughTheAccountFile) {
    Json::Value r = Run("groups list", 0);
    ASSERT_EQ(r["groups"].size(), 1u);
    EXPECT_EQ(r["groups"][0]["gid"].asInt(), 0);
    EXPECT_EQ(r["groups"][0]["name"].asString(), "Выбрать вручную");
    EXPECT_EQ(r["groups"][0]["total"].asInt(), 24);
    EXPECT_EQ(r["groups"][0]["devices"][0].asString(), "NB0000000001");

    r = Run("groups add 'Загород'", 0);
    ASSERT_EQ(r["groups"].size(), 2u);
    EXPECT_EQ(r["groups"][1]["gid"].asInt(), 1);
    EXPECT_EQ(r["groups"][1]["name"].asString(), "Загород");
    EXPECT_FALSE(r["groups"][1]["expanded"].asBool());
    auto groups = ReadGroupList(File(), 32);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].gid, 1);
    EXPECT_EQ(groups[1].name, "Загород");

    r = Run("groups add", 0);
    ASSERT_EQ(r["groups"].size(), 3u);
    EXPECT_EQ(r["groups"][2]["gid"].asInt(), 2);
    EXPECT_EQ(r["groups"][2]["name"].asString(), "Моя группа");

    r = Run("groups rename 1 'Дача и баня'", 0);
    EXPECT_EQ(r["groups"][1]["name"].asString(), "Дача и баня");
    EXPECT_EQ(ReadGroupList(File(), 32)[1].name, "Дача и баня");

    r = Run("groups move NB0000000004 1", 0);
    Run("groups move NB0000000021 1", 0);
    r = Run("groups move NB0000000005 2", 0);
    EXPECT_EQ(r["groups"][0]["total"].asInt(), 21);
    ASSERT_EQ(r["groups"][1]["devices"].size(), 2u);
    EXPECT_EQ(r["groups"][1]["devices"][0].asString(), "NB0000000004");
    EXPECT_EQ(r["groups"][1]["devices"][1].asString(), "NB0000000021");
    EXPECT_EQ(r["groups"][1]["online"].asInt(), 1);  // NB0000000021 is offline
    EXPECT_EQ(FindCamera(File(), "NB0000000021")->groupId, 1);
    EXPECT_EQ(FindCamera(File(), "NB0000000005")->groupId, 2);

    // A fresh start places the devices from the file.
    r = Run("groups list", 0);
    EXPECT_EQ(r["groups"][1]["devices"].size(), 2u);
    EXPECT_EQ(r["groups"][2]["devices"][0].asString(), "NB0000000005");

    // Refusals leave the file as it was.
    EXPECT_EQ(Run("groups delete 0", 1)["status"].asString(), "REFUSED");
    Run("groups move NB0000000004 7", 1);
    Run("groups rename 9 'Нет такой'", 1);
    EXPECT_EQ(FindCamera(File(), "NB0000000004")->groupId, 1);

    // Deleting a group sends its devices to the end of the default group; neighbours close up.
    r = Run("groups delete 1", 0);
    ASSERT_EQ(r["groups"].size(), 2u);
    EXPECT_EQ(r["groups"][1]["gid"].asInt(), 2);
    const Json::Value& defaults = r["groups"][0]["devices"];
    ASSERT_EQ(defaults.size(), 23u);
    EXPECT_EQ(defaults[21].asString(), "NB0000000004");
    EXPECT_EQ(defaults[22].asString(), "NB0000000021");
    groups = ReadGroupList(File(), 32);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].gid, 2);
    EXPECT_EQ(FindCamera(File(), "NB0000000004")->groupId, 0);
    EXPECT_EQ(FindCamera(File(), "NB0000000021")->groupId, 0);

    // The next group added takes the GID after the largest one left.
    r = Run("groups add", 0);
    EXPECT_EQ(r["groups"][2]["gid"].asInt(), 3);
}

}  // namespace
}  // namespace nimbrel::test
