// The device list and the device operations on the service side, driven through the request
// path with hand-sealed requests: paging, the JSON types of the records, the scenario's
// faults, and renames, deletes and switches that show in the next list.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "AccountBook.h"
#include "DeviceListOperation.h"
#include "DeviceOperations.h"
#include "LoginOperation.h"
#include "RouterFixture.h"
#include "Scenario.h"
#include "SharingOperations.h"
#include "service/crypto/Digest.h"

namespace nimbrel::sim::test {
namespace {

const std::string kMac = "00-1a-2b-3c-4d-5e";

std::filesystem::path ScenarioDir() {
    const char* dir = std::getenv("NIMBREL_SCENARIOS");
    return dir && *dir ? dir : "sim/scenarios";
}

// Every byte as "%" and two upper-case hex digits, as the client sends names.
std::string PercentAll(const std::string& text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) out += std::string("%") + kHex[c >> 4] + kHex[c & 15];
    return out;
}

class DeviceServiceTest : public RouterFixture {
  protected:
    void Load(const Scenario& scenario, std::map<std::string, std::string> overrides = {}) {
        Rebuild("OK", std::move(overrides));
        book_ = std::make_unique<AccountBook>(scenario);
        login_ = std::make_unique<LoginOperation>(*book_, NamedServers{});
        list_ = std::make_unique<DeviceListOperation>(*book_, scenario.service.deviceList);
        ops_ = std::make_unique<DeviceOperations>(*book_);
        sharing_ = std::make_unique<SharingOperations>(*book_);
        login_->Register(*router_);
        list_->Register(*router_);
        ops_->Register(*router_);
        sharing_->Register(*router_);
        Handshake(client_);
    }
    void Load(const std::string& text, std::map<std::string, std::string> overrides = {}) {
        auto scenario = ParseScenario(text);
        ASSERT_TRUE(scenario) << scenario.error();
        Load(*scenario, std::move(overrides));
    }
    void LoadFile(const std::string& name) {
        auto scenario = LoadScenarioFile(ScenarioDir() / name);
        ASSERT_TRUE(scenario) << scenario.error();
        Load(*scenario);
    }

    Json::Value Send(const std::string& path, const std::string& payload) {
        const auto answer = SendSealed(client_, path, payload);
        if (answer.status != 200) return Json::Value();
        return ReplyJson(answer.body, kKeyValue).value_or(Json::Value());
    }
    std::string Status(const std::string& path, const std::string& payload) {
        return Send(path, payload)["status"].asString();
    }
    std::string Login(const std::string& uid, const std::string& password) {
        const Json::Value reply = Send("login.do", "uid:" + uid + "&psd:" + Md5Hex(password) +
                                                       KeyPart() + "&isnew:1&mac:" + kMac);
        const auto inner = OpenSealedBody(reply, client_.pair);
        return inner ? (*inner)["userBean"]["token"].asString() : "";
    }
    std::string KeyPart() const {
        return "&exp:" + client_.pair.ExponentHex() + "&mod:" + client_.pair.ModulusHex();
    }
    std::string ListPayload(const std::string& uid, const std::string& token,
                            const std::string& page, const std::string& size = "10") const {
        return "uid:" + uid + "&mac:" + kMac + "&token:" + token + KeyPart() + "&page:" + page +
               "&size:" + size;
    }
    // The opened business JSON of one page (null when the reply is not OK or not sealed).
    Json::Value Page(const std::string& uid, const std::string& token, int page) {
        const Json::Value reply = Send("devList.do", ListPayload(uid, token, std::to_string(page)));
        if (reply["status"].asString() != "OK") return Json::Value();
        return OpenSealedBody(reply, client_.pair).value_or(Json::Value());
    }
    // Every page the way a client loads them: until a page holds fewer than 10 records.
    std::vector<Json::Value> AllPages(const std::string& uid, const std::string& token) {
        std::vector<Json::Value> pages;
        for (int page = 1; page <= 20; ++page) {
            pages.push_back(Page(uid, token, page));
            if (pages.back()["result"].size() < 10) break;
        }
        return pages;
    }
    // The record of `sid` in the account's list, or null.
    Json::Value Record(const std::string& uid, const std::string& token, const std::string& sid) {
        for (const auto& page : AllPages(uid, token))
            for (const auto& record : page["result"])
                if (record["sid"].asString() == sid) return record;
        return Json::Value();
    }
    std::string DevicePayload(const std::string& op, const std::string& uid,
                              const std::string& token, const std::string& sid,
                              const std::string& value) const {
        const std::string head = "uid:" + uid + "&sid:" + sid;
        const std::string session = "&mac:" + kMac + "&token:" + token;
        if (op == "devName.do") return head + "&name:" + value + session;
        if (op == "deleteDev.do") return head + session + "&psd:" + value;
        return head + session + "&umac:" + uid + "," + kMac + "&status:" + value;
    }

    HandClient client_ = HandClient::Make();
    std::unique_ptr<AccountBook> book_;
    std::unique_ptr<LoginOperation> login_;
    std::unique_ptr<DeviceListOperation> list_;
    std::unique_ptr<DeviceOperations> ops_;
    std::unique_ptr<SharingOperations> sharing_;
};

constexpr const char* kSmall = R"({
  "service": {"deviceList": %LIST%},
  "accounts": [{"name": "alice", "password": "alice123"}, {"name": "bob", "password": "bob12345"}],
  "devices": [
    {"sid": "CAM1", "name": "Прихожая", "owner": "alice", "sharedWith": ["bob"], "lock": 1, "lockCode": "2468",
     "type": "y1", "version": "3.1.7", "img": "/velkor/img/CAM1.png", "ledStatus": 1},
    {"sid": "CAM2", "owner": "bob", "sharedWith": ["alice"], "reach": "offline", "showLED": 0},
    {"sid": "CAM3", "owner": "bob"}
  ]})";

std::string Small(const std::string& list = "{}") {
    std::string text = kSmall;
    text.replace(text.find("%LIST%"), 6, list);
    return text;
}

TEST_F(DeviceServiceTest, RepositoryScenariosPageByTen) {
    const struct {
        const char* file;
        const char* uid;
        const char* password;
        std::vector<unsigned> sizes;
    } cases[] = {{"devices-0.json", "empty_user", "empty1234", {0}},
                 {"devices-10.json", "ten_user", "ten12345", {10, 0}},
                 {"devices-25.json", "many_user", "many1234", {10, 10, 5}},
                 {"demo.json", "demo_user", "demo1234", {10, 10, 4}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        LoadFile(c.file);
        const std::string token = Login(c.uid, c.password);
        ASSERT_FALSE(token.empty());
        const auto pages = AllPages(c.uid, token);
        std::vector<unsigned> sizes;
        for (const auto& page : pages) {
            ASSERT_TRUE(page["result"].isArray());
            sizes.push_back(page["result"].size());
        }
        EXPECT_EQ(sizes, c.sizes);
        // Scenario order, no device twice across pages.
        std::vector<std::string> sids;
        for (const auto& page : pages)
            for (const auto& record : page["result"]) sids.push_back(record["sid"].asString());
        EXPECT_TRUE(std::is_sorted(sids.begin(), sids.end()));
        EXPECT_EQ(std::adjacent_find(sids.begin(), sids.end()), sids.end());
    }
}

TEST_F(DeviceServiceTest, RecordsHaveTextMembersAndNumericStatusAndInit) {
    Load(Small());
    const std::string token = Login("alice", "alice123");
    const Json::Value page = Page("alice", token, 1);
    ASSERT_EQ(page["result"].size(), 2u);  // CAM3 is not bound to alice
    const Json::Value& own = page["result"][0];
    for (const char* key : {"sid", "name", "showLED", "showSound", "showAlarm", "alarmStatus",
                            "alarmStartTime", "alarmEndTime", "ledStatus", "soundLeadStatus",
                            "lock", "lockPsd", "type", "version", "img"})
        EXPECT_TRUE(own[key].isString()) << key;
    EXPECT_TRUE(own["status"].isInt());
    EXPECT_TRUE(own["init"].isInt());
    EXPECT_EQ(own["sid"].asString(), "CAM1");
    EXPECT_EQ(own["name"].asString(), "Прихожая");
    EXPECT_EQ(own["lock"].asString(), "1");
    EXPECT_EQ(own["lockPsd"].asString(), TestSign("2468"));
    EXPECT_EQ(own["type"].asString(), "y1");
    EXPECT_EQ(own["img"].asString(), "/velkor/img/CAM1.png");
    EXPECT_EQ(own["init"].asInt(), 1);
    EXPECT_EQ(own["status"].asInt(), 1);
    const Json::Value& shared = page["result"][1];
    EXPECT_EQ(shared["sid"].asString(), "CAM2");
    EXPECT_EQ(shared["init"].asInt(), 2);
    EXPECT_EQ(shared["status"].asInt(), 0);
    EXPECT_EQ(shared["showLED"].asString(), "0");
    // A page past the end is empty, not an error.
    const Json::Value past = Page("alice", token, 7);
    EXPECT_TRUE(past["result"].isArray());
    EXPECT_EQ(past["result"].size(), 0u);
}

TEST_F(DeviceServiceTest, ListRefusals) {
    Load(Small());
    const std::string token = Login("alice", "alice123");
    EXPECT_EQ(Status("devList.do", ListPayload("nobody", token, "1")), "NOUSR");
    EXPECT_EQ(Status("devList.do", ListPayload("alice", "forged", "1")), "ERROR");
    // A token issued to another account is not alice's.
    EXPECT_EQ(Status("devList.do", ListPayload("alice", Login("bob", "bob12345"), "1")), "ERROR");
    for (const auto& [page, size] :
         std::vector<std::pair<std::string, std::string>>{{"0", "10"},
                                                          {"-1", "10"},
                                                          {"x", "10"},
                                                          {"", "10"},
                                                          {"99999999999", "10"},
                                                          {"1", "0"},
                                                          {"1", "101"},
                                                          {"1", "1e3"}})
        EXPECT_EQ(Status("devList.do", ListPayload("alice", token, page, size)), "ERROR")
            << page << "/" << size;
    const std::string reordered =
        "uid:alice&token:" + token + "&mac:" + kMac + KeyPart() + "&page:1&size:10";
    EXPECT_EQ(SendSealed(client_, "devList.do", reordered).status, 400);
    EXPECT_EQ(LastLogLine()["path"].asString(), "devList.do");
    EXPECT_TRUE(LastLogLine().isMember("error"));
}

TEST_F(DeviceServiceTest, MistypeBreaksOnlyItsPage) {
    const auto resultOf = [&](const std::string& list, int page) {
        Load(Small(list));
        const std::string token = Login("alice", "alice123");
        return Page("alice", token, page)["result"];
    };
    EXPECT_TRUE(resultOf(R"({"mistype": "statusText"})", 1)[0]["status"].isString());
    EXPECT_TRUE(resultOf(R"({"mistype": "statusText", "mistypePage": 2})", 1)[0]["status"].isInt());
    EXPECT_TRUE(resultOf(R"({"mistype": "initText"})", 1)[0]["init"].isString());
    const Json::Value bare = resultOf(R"({"mistype": "numbersBare"})", 1)[0];
    EXPECT_TRUE(bare["ledStatus"].isInt());
    EXPECT_TRUE(bare["lock"].isInt());
    EXPECT_TRUE(bare["sid"].isString());
    EXPECT_TRUE(resultOf(R"({"mistype": "statusBool"})", 1)[0]["status"].isBool());
    const Json::Value object = resultOf(R"({"mistype": "resultObject"})", 1);
    EXPECT_TRUE(object.isObject());
    EXPECT_EQ(object["0"]["sid"].asString(), "CAM1");
}

TEST_F(DeviceServiceTest, DelayHoldsTheReplyBackUntilCancelled) {
    Load(Small(R"({"delayMs": 300})"));
    const std::string token = Login("alice", "alice123");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Page("alice", token, 1)["result"].size(), 2u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    Load(Small(R"({"delayMs": 100000})"));
    const std::string again = Login("alice", "alice123");
    std::string status;
    start = std::chrono::steady_clock::now();
    std::thread waiting([&] { status = Status("devList.do", ListPayload("alice", again, "1")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    list_->Cancel();
    waiting.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(50));
    EXPECT_EQ(status, "ERROR");
}

TEST_F(DeviceServiceTest, RenameIsPercentDecodedAndShowsInTheNextList) {
    Load(Small());
    const std::string alice = Login("alice", "alice123");
    const std::string bob = Login("bob", "bob12345");
    const std::string name = "Кухня 2";
    EXPECT_EQ(
        Status("devName.do", DevicePayload("devName.do", "alice", alice, "CAM1", PercentAll(name))),
        "OK");
    EXPECT_EQ(LastLogLine()["decoded"]["name"].asString(), name);
    EXPECT_EQ(Record("alice", alice, "CAM1")["name"].asString(), name);
    EXPECT_EQ(Record("bob", bob, "CAM1")["name"].asString(), name);

    const auto rename = [&](const std::string& encoded, const std::string& sid = "CAM1") {
        return Status("devName.do", DevicePayload("devName.do", "alice", alice, sid, encoded));
    };
    EXPECT_EQ(rename(PercentAll(std::string(30, 'a'))), "OK");
    EXPECT_EQ(rename(PercentAll(std::string(30, 'b') + "c")), "ERROR");
    EXPECT_EQ(rename(PercentAll(std::string(15, 'x') + "Ж" + std::string(14, 'y'))), "OK");
    EXPECT_EQ(rename(PercentAll("\xF0\x9F\x93\xB7" + std::string(29, 'z'))), "ERROR");  // 31 units
    EXPECT_EQ(rename("%d0%96"), "ERROR");       // lower-case hex
    EXPECT_EQ(rename("Cam"), "ERROR");          // not encoded
    EXPECT_EQ(rename("%D0"), "ERROR");          // cut UTF-8 sequence
    EXPECT_EQ(rename("%C0%80"), "ERROR");       // overlong form
    EXPECT_EQ(rename("%41%0A"), "ERROR");       // control character
    EXPECT_EQ(rename("%41", "CAM3"), "NODEV");  // bob's own, not bound to alice
    EXPECT_EQ(book_->Device("CAM1")->name, std::string(15, 'x') + "Ж" + std::string(14, 'y'));
}

TEST_F(DeviceServiceTest, SwitchesPersistAndCheckTheirPayload) {
    Load(Small());
    const std::string token = Login("alice", "alice123");
    const auto send = [&](const std::string& op, const std::string& sid, const std::string& value) {
        return Status(op, DevicePayload(op, "alice", token, sid, value));
    };
    EXPECT_EQ(send("setLed.do", "CAM1", "off"), "OK");
    EXPECT_EQ(send("setVoice.do", "CAM1", "off"), "OK");
    Json::Value record = Record("alice", token, "CAM1");
    EXPECT_EQ(record["ledStatus"].asString(), "0");
    EXPECT_EQ(record["soundLeadStatus"].asString(), "0");
    EXPECT_EQ(send("setLed.do", "CAM1", "on"), "OK");
    record = Record("alice", token, "CAM1");
    EXPECT_EQ(record["ledStatus"].asString(), "1");
    EXPECT_EQ(record["soundLeadStatus"].asString(), "0");

    EXPECT_EQ(send("setLed.do", "CAM1", "ON"), "ERROR");
    EXPECT_EQ(send("setVoice.do", "CAM1", ""), "ERROR");
    EXPECT_EQ(send("setLed.do", "CAM2", "on"), "ERROR");  // CAM2 has no LED to switch
    EXPECT_EQ(send("setLed.do", "CAM3", "on"), "NODEV");
    // umac must be uid,mac; the keys must come in their order.
    const std::string base = "uid:alice&sid:CAM1&mac:" + kMac + "&token:" + token;
    EXPECT_EQ(Status("setVoice.do", base + "&umac:" + kMac + "&status:on"), "ERROR");
    EXPECT_EQ(SendSealed(client_, "setLed.do", base + "&status:on&umac:alice," + kMac).status, 400);
}

TEST_F(DeviceServiceTest, DeleteChecksThePasswordAndRemovesForTheRun) {
    Load(Small());
    const std::string alice = Login("alice", "alice123");
    const std::string bob = Login("bob", "bob12345");
    const auto remove = [&](const std::string& uid, const std::string& token,
                            const std::string& sid, const std::string& password) {
        return Status("deleteDev.do",
                      DevicePayload("deleteDev.do", uid, token, sid, Md5Hex(password)));
    };
    EXPECT_EQ(remove("alice", alice, "CAM1", "wrong123"), "ERRORPSD");
    EXPECT_EQ(remove("alice", alice, "CAM3", "alice123"), "NODEV");
    // A shared account takes the device off its own list only.
    EXPECT_EQ(remove("bob", bob, "CAM1", "bob12345"), "OK");
    EXPECT_TRUE(Record("bob", bob, "CAM1").isNull());
    EXPECT_FALSE(Record("alice", alice, "CAM1").isNull());
    EXPECT_EQ(remove("bob", bob, "CAM1", "bob12345"), "NODEV");
    // The owner's delete takes it from every account.
    EXPECT_EQ(remove("bob", bob, "CAM2", "bob12345"), "OK");
    EXPECT_TRUE(Record("alice", alice, "CAM2").isNull());
    EXPECT_FALSE(book_->Device("CAM2"));
    const std::string users = "uid:alice&sid:CAM2" + KeyPart() + "&mac:" + kMac + "&token:" + alice;
    EXPECT_EQ(Status("bindUserList.do", users), "NODEV");
    EXPECT_EQ(Page("alice", alice, 1)["result"].size(), 1u);
}

}  // namespace
}  // namespace nimbrel::sim::test
