// current.do on the service side: the payload's keys in their order, the session and binding
// checks, and a serverBean per reachability case whose status is a number and whose
// addresses and ports are texts naming the simulator's own servers.
#include <gtest/gtest.h>

#include "AccountBook.h"
#include "LoginOperation.h"
#include "RouterFixture.h"
#include "Scenario.h"
#include "camera/CameraFleet.h"
#include "camera/CurrentOperation.h"
#include "service/crypto/Digest.h"

namespace nimbrel::sim::test {
namespace {

constexpr const char* kScenario = R"({
  "accounts": [{"name": "alice", "password": "alice123"}, {"name": "bob", "password": "bob12345"}],
  "devices": [
    {"sid": "LAN1", "owner": "alice", "reach": "lan", "transVideoLong": "30",
     "media": {"width": 160, "height": 90, "gop": 5}},
    {"sid": "MAP1", "owner": "alice", "reach": "portMapping", "sharedWith": ["bob"],
     "media": {"width": 160, "height": 90, "gop": 5}},
    {"sid": "NAT1", "owner": "alice", "reach": "natTraversal",
     "media": {"width": 160, "height": 90, "gop": 5}},
    {"sid": "RLY1", "owner": "alice", "reach": "relay", "transVideoLong": "0",
     "media": {"width": 160, "height": 90, "gop": 5}},
    {"sid": "OFF1", "owner": "alice", "reach": "offline"},
    {"sid": "BOB1", "owner": "bob", "reach": "lan", "media": {"width": 160, "height": 90, "gop": 5}}
  ]})";

const std::string kMac = "00-1a-2b-3c-4d-5e";

class CurrentOperationTest : public RouterFixture {
  protected:
    void SetUp() override {
        RouterFixture::SetUp();
        auto scenario = ParseScenario(kScenario);
        ASSERT_TRUE(scenario) << scenario.error();
        scenario_ = std::make_unique<Scenario>(std::move(scenario.value()));
        book_ = std::make_unique<AccountBook>(*scenario_);
        fleet_ = std::make_unique<CameraFleet>(*scenario_, kKeyValue, nullptr, nullptr);
        auto started = fleet_->Start();
        ASSERT_TRUE(started) << started.error();
        login_ = std::make_unique<LoginOperation>(*book_, NamedServers{});
        current_ = std::make_unique<CurrentOperation>(*book_, *fleet_);
        login_->Register(*router_);
        current_->Register(*router_);
        Handshake(client_);
        token_ = LoginToken("alice", "alice123");
        ASSERT_FALSE(token_.empty());
    }
    void TearDown() override {
        fleet_.reset();
        RouterFixture::TearDown();
    }

    std::string KeyPart() const {
        return "&exp:" + client_.pair.ExponentHex() + "&mod:" + client_.pair.ModulusHex();
    }
    Json::Value Send(const std::string& path, const std::string& payload) {
        const auto answer = SendSealed(client_, path, payload);
        if (answer.status != 200) return Json::Value();
        return ReplyJson(answer.body, kKeyValue).value_or(Json::Value());
    }
    std::string LoginToken(const std::string& uid, const std::string& password) {
        const Json::Value reply = Send("login.do", "uid:" + uid + "&psd:" + Md5Hex(password) +
                                                       KeyPart() + "&isnew:1&mac:" + kMac);
        const auto inner = OpenSealedBody(reply, client_.pair);
        return inner ? (*inner)["userBean"]["token"].asString() : "";
    }
    std::string Payload(const std::string& sid, const std::string& uid = "alice",
                        std::string token = "") const {
        if (token.empty()) token = token_;
        return "uid:" + uid + "&sid:" + sid + "&mac:" + kMac + "&token:" + token + KeyPart() +
               "&net:4&inner:127.0.0.1&us:2&ts:1&play:0&date:&umac:" + uid + "," + kMac + "&ispub:";
    }
    // The opened serverBean of an OK reply; a null value otherwise.
    Json::Value Bean(const std::string& sid) {
        const Json::Value reply = Send("current.do", Payload(sid));
        if (reply["status"] != "OK") return Json::Value();
        const auto inner = OpenSealedBody(reply, client_.pair);
        return inner ? (*inner)["serverBean"] : Json::Value();
    }

    HandClient client_ = HandClient::Make();
    std::unique_ptr<Scenario> scenario_;
    std::unique_ptr<AccountBook> book_;
    std::unique_ptr<CameraFleet> fleet_;
    std::unique_ptr<LoginOperation> login_;
    std::unique_ptr<CurrentOperation> current_;
    std::string token_;
};

TEST_F(CurrentOperationTest, EachReachabilityCaseNamesItsAddresses) {
    const std::string relay = std::to_string(fleet_->RelayPort());
    const Json::Value lan = Bean("LAN1");
    EXPECT_EQ(lan["status"], Json::Value(2));
    EXPECT_EQ(lan["devInner"], "127.0.0.1");
    EXPECT_EQ(lan["devPortTcp"], std::to_string(*fleet_->StreamPort("LAN1")));
    EXPECT_EQ(lan["tranIP"], "127.0.0.1");
    EXPECT_EQ(lan["tranPortTcp"], relay);
    EXPECT_EQ(lan["transVideoLong"], "30");
    EXPECT_FALSE(lan.isMember("devOuter"));

    const Json::Value mapped = Bean("MAP1");
    EXPECT_EQ(mapped["status"], Json::Value(3));
    EXPECT_EQ(mapped["devOuter"], "127.0.0.1");
    EXPECT_EQ(mapped["devPortTcp"], std::to_string(*fleet_->StreamPort("MAP1")));
    EXPECT_FALSE(mapped.isMember("devInner"));
    EXPECT_EQ(mapped["tranPortTcp"], relay);
    EXPECT_EQ(mapped["transVideoLong"], "-1");

    const Json::Value nat = Bean("NAT1");
    EXPECT_EQ(nat["status"], Json::Value(4));
    EXPECT_EQ(nat["penetrateIP"], "127.0.0.1");
    EXPECT_EQ(nat["penetratePort"], std::to_string(fleet_->RendezvousPort()));
    EXPECT_EQ(nat["tranPortTcp"], relay);

    const Json::Value relayed = Bean("RLY1");
    EXPECT_EQ(relayed["status"], Json::Value(5));
    EXPECT_EQ(relayed["tranIP"], "127.0.0.1");
    EXPECT_EQ(relayed["tranPortTcp"], relay);
    EXPECT_EQ(relayed["transVideoLong"], "0");

    const Json::Value offline = Bean("OFF1");
    EXPECT_EQ(offline["status"], Json::Value(1));
    EXPECT_FALSE(offline.isMember("tranIP"));
    EXPECT_EQ(offline["transVideoLong"], "-1");

    const auto line = LastLogLine();
    EXPECT_EQ(line["path"], "current.do");
    EXPECT_EQ(line["payload"][1][0], "sid");
    EXPECT_EQ(line["payload"][1][1], "OFF1");
    EXPECT_EQ(line["note"], "reach offline");
}

TEST_F(CurrentOperationTest, OnlyTheBoundAccountsOfASessionGetAnAnswer) {
    EXPECT_EQ(Send("current.do", Payload("BOB1"))["status"], "NODEV");
    EXPECT_EQ(Send("current.do", Payload("NONE"))["status"], "NODEV");
    EXPECT_EQ(Send("current.do", Payload("LAN1", "alice", "not-a-token"))["status"], "ERROR");
    EXPECT_EQ(Send("current.do", Payload("LAN1", "mallory", "x"))["status"], "NOUSR");
    const std::string bobToken = LoginToken("bob", "bob12345");
    ASSERT_FALSE(bobToken.empty());
    EXPECT_EQ(Send("current.do", Payload("MAP1", "bob", bobToken))["status"], "OK");
}

TEST_F(CurrentOperationTest, APlaybackWithItsHourIsAnsweredLikeALiveView) {
    std::string payload = Payload("LAN1");
    payload.replace(payload.find("play:0&date:"), 12, "play:1&date:20140315-08");
    const Json::Value reply = Send("current.do", payload);
    EXPECT_EQ(reply["status"].asString(), "OK");
    EXPECT_NE(LastLogLine()["note"].asString().find("playback of 20140315-08"), std::string::npos)
        << LastLogLine()["note"].asString();
}

TEST_F(CurrentOperationTest, MalformedPayloadsAreRefused) {
    std::string swapped = Payload("LAN1");
    swapped.replace(swapped.find("uid:alice&sid:LAN1"), 18, "sid:LAN1&uid:alice");
    std::string wrongUmac = Payload("LAN1");
    wrongUmac.replace(wrongUmac.find("umac:alice,"), 11, "umac:bob,");
    std::string wrongNet = Payload("LAN1");
    wrongNet.replace(wrongNet.find("net:4"), 5, "net:5");
    std::string noIspub = Payload("LAN1");
    noIspub.resize(noIspub.rfind("&ispub:"));
    // A playback names its hour; a live view names none.
    std::string playbackWithoutDate = Payload("LAN1");
    playbackWithoutDate.replace(playbackWithoutDate.find("play:0"), 6, "play:1");
    std::string liveWithDate = Payload("LAN1");
    liveWithDate.replace(liveWithDate.find("date:"), 5, "date:20140315-08");
    for (const auto& payload :
         {swapped, wrongUmac, wrongNet, noIspub, playbackWithoutDate, liveWithDate}) {
        EXPECT_EQ(SendSealed(client_, "current.do", payload).status, 400) << payload;
        EXPECT_TRUE(LastLogLine().isMember("error"));
    }
}

}  // namespace
}  // namespace nimbrel::sim::test
