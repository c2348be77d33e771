#include "DeviceE2E.h"

#include <gtest/gtest.h>
#include <json/writer.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

#include "platform/FixedText.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

int IntOr(const Json::Value& device, const char* key, int fallback) {
    return device.isMember(key) ? device[key].asInt() : fallback;
}

std::string TextOr(const Json::Value& device, const char* key, const std::string& fallback) {
    return device.isMember(key) ? device[key].asString() : fallback;
}

// What the service lists for a scenario device: its members, or their documented defaults.
struct Expected {
    explicit Expected(const Json::Value& d)
        : sid(d["sid"].asString()),
          name(TextOr(d, "name", sid)),
          type(TextOr(d, "type", "")),
          version(TextOr(d, "version", "")),
          img(TextOr(d, "img", "")),
          showLED(IntOr(d, "showLED", 1)),
          showSound(IntOr(d, "showSound", 1)),
          showAlarm(IntOr(d, "showAlarm", 1)),
          alarmStatus(IntOr(d, "alarmStatus", 0)),
          alarmStartTime(IntOr(d, "alarmStartTime", 0)),
          alarmEndTime(IntOr(d, "alarmEndTime", 0)),
          ledStatus(IntOr(d, "ledStatus", 1)),
          soundLeadStatus(IntOr(d, "soundLeadStatus", 1)),
          lock(IntOr(d, "lock", 0)),
          status(IntOr(d, "status", d["reach"].asString() == "offline" ? 0 : 1)),
          hasLockCode(d.isMember("lockCode") || d.isMember("lockPsd")) {}

    std::string sid, name, type, version, img;
    int showLED, showSound, showAlarm, alarmStatus, alarmStartTime, alarmEndTime, ledStatus,
        soundLeadStatus, lock, status;
    bool hasLockCode;
};

void ExpectLockDigest(const std::string& lockPsd, bool hasLockCode, const std::string& sid) {
    if (!hasLockCode) {
        EXPECT_EQ(lockPsd, "") << sid;
        return;
    }
    EXPECT_EQ(lockPsd.size(), 40u) << sid;
    EXPECT_EQ(lockPsd.find_first_not_of("0123456789abcdef"), std::string::npos) << sid << lockPsd;
}

}  // namespace

ScenarioVariant::ScenarioVariant(const std::string& base,
                                 const std::function<void(Json::Value&)>& edit) {
    std::ifstream in(SimProcess::ScenarioDir() / base);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto scenario = ParseJsonObject(text);
    if (!scenario) throw std::runtime_error(base + " is not readable");
    edit(*scenario);
    static std::atomic<int> counter{0};
    path_ =
        std::filesystem::temp_directory_path() /
        ("nimbrel-devices-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".json");
    Json::StreamWriterBuilder writer;
    writer["emitUTF8"] = true;
    std::ofstream out(path_);
    out << Json::writeString(writer, *scenario);
    if (!out) throw std::runtime_error("cannot write " + path_.string());
}

ScenarioVariant::~ScenarioVariant() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

void WithoutLan(Json::Value& scenario) {
    scenario.removeMember("lan");
}

void ListOnly(Json::Value& scenario) {
    for (Json::Value& device : scenario["devices"]) device.removeMember("img");
    WithoutLan(scenario);
}

DeviceClient::DeviceClient(const SimProcess& sim, const std::string& user,
                           const std::string& password) {
    std::string why;
    signedIn = session.SignIn(sim, user, password, &why);
    EXPECT_TRUE(signedIn) << user << ": " << why;
}

bool DeviceClient::Fetch() {
    // No address, so no probe: nothing answers and no device is marked on the LAN.
    LanDiscovery::Options quiet;
    quiet.listenRounds = 1;
    lan.Start(quiet);
    return FetchDeviceList(Context(), list, lan);
}

DeviceRecord& DeviceClient::Record(const std::string& sid) {
    DeviceRecord* record = list.At(list.IndexOfSid(sid));
    if (!record) throw std::runtime_error(sid + " is not in the list");
    return *record;
}

std::vector<std::pair<Json::Value, int>> DevicesOf(const Json::Value& scenario,
                                                   const std::string& user) {
    std::vector<std::pair<Json::Value, int>> bound;
    for (const Json::Value& d : scenario["devices"]) {
        if (d["owner"].asString() == user) {
            bound.emplace_back(d, 1);
            continue;
        }
        for (const Json::Value& other : d["sharedWith"])
            if (other.asString() == user) bound.emplace_back(d, 2);
    }
    return bound;
}

Json::Value ScenarioDevice(const Json::Value& scenario, const std::string& sid) {
    for (const Json::Value& d : scenario["devices"])
        if (d["sid"].asString() == sid) return d;
    return Json::Value();
}

void ExpectAsScenario(const DeviceRecord& r, const Json::Value& device, int init) {
    const Expected e(device);
    SCOPED_TRACE(e.sid);
    EXPECT_EQ(r.Sid(), e.sid);
    EXPECT_EQ(r.Name(), e.name);
    EXPECT_EQ(GetText(r.type), e.type);
    EXPECT_EQ(GetText(r.version), e.version);
    EXPECT_EQ(GetText(r.img), e.img);
    EXPECT_EQ(r.showLED, e.showLED);
    EXPECT_EQ(r.showSound, e.showSound);
    EXPECT_EQ(r.showAlarm, e.showAlarm);
    EXPECT_EQ(r.alarmStatus, e.alarmStatus);
    EXPECT_EQ(r.alarmStartTime, e.alarmStartTime);
    EXPECT_EQ(r.alarmEndTime, e.alarmEndTime);
    EXPECT_EQ(r.ledStatus, e.ledStatus);
    EXPECT_EQ(r.soundLeadStatus, e.soundLeadStatus);
    EXPECT_EQ(r.lock, e.lock);
    ExpectLockDigest(std::string(GetText(r.lockPsd)), e.hasLockCode, e.sid);
    EXPECT_EQ(r.init, init);
    EXPECT_EQ(r.status, e.status);
    EXPECT_EQ(r.seen, 1);
}

void ExpectAsScenario(const Json::Value& j, const Json::Value& device, int init) {
    const Expected e(device);
    SCOPED_TRACE(e.sid);
    EXPECT_EQ(j["sid"].asString(), e.sid);
    EXPECT_EQ(j["name"].asString(), e.name);
    EXPECT_EQ(j["type"].asString(), e.type);
    EXPECT_EQ(j["version"].asString(), e.version);
    EXPECT_EQ(j["img"].asString(), e.img);
    EXPECT_EQ(j["showLED"].asInt(), e.showLED);
    EXPECT_EQ(j["showSound"].asInt(), e.showSound);
    EXPECT_EQ(j["showAlarm"].asInt(), e.showAlarm);
    EXPECT_EQ(j["alarmStatus"].asInt(), e.alarmStatus);
    EXPECT_EQ(j["alarmStartTime"].asInt(), e.alarmStartTime);
    EXPECT_EQ(j["alarmEndTime"].asInt(), e.alarmEndTime);
    EXPECT_EQ(j["ledStatus"].asInt(), e.ledStatus);
    EXPECT_EQ(j["soundLeadStatus"].asInt(), e.soundLeadStatus);
    EXPECT_EQ(j["lock"].asInt(), e.lock);
    ExpectLockDigest(j["lockPsd"].asString(), e.hasLockCode, e.sid);
    EXPECT_EQ(j["init"].asInt(), init);
    EXPECT_EQ(j["status"].asInt(), e.status);
    EXPECT_EQ(j["seen"].asInt(), 1);
}

std::vector<std::string> PayloadTexts(const Json::Value& logLine) {
    std::vector<std::string> texts;
    for (const auto& [key, value] : PayloadPairs(logLine)) texts.push_back(key + "=" + value);
    return texts;
}

}  // namespace nimbrel::test
