// The start-up handshake against the simulated service over loopback, the sealed request path
// that uses its keys, and the updater started when the service demands an update.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "platform/FixedText.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/crypto/Digest.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

class Handshake : public ::testing::Test {
protected:
    void Connect(const test::SimProcess& sim) {
        ASSERT_TRUE(ApplyServiceUrl(g, sim.ServiceUrl()));
        ASSERT_EQ(ReadLocalAdapter(g, "lo"), 1);
    }
    GlobalSettings g;
    AppRecord record;
    test::RecordingNotifier notifier;
};

TEST_F(Handshake, FillsTheKeysAndSendsTheDocumentedPayload) {
    test::SimProcess sim("demo.json");
    Connect(sim);
    ASSERT_EQ(SecurityHandshake(g, record, notifier), HandshakeResult::Ok);
    EXPECT_EQ(GetText(g.m_KeyValue).size(), 4u);
    EXPECT_EQ(GetText(g.m_StreamKey), GetText(g.m_KeyValue));
    EXPECT_EQ(GetText(g.m_ServerExp), "010001");
    EXPECT_EQ(GetText(g.m_ServerMod).size(), 256u);
    EXPECT_EQ(GetText(g.m_RsaExp), "010001");
    EXPECT_EQ(GetText(g.m_HandshakeToken).size(), 40u);
    EXPECT_TRUE(notifier.Messages().empty());

    const auto requests = sim.Requests("security.do");
    ASSERT_EQ(requests.size(), 1u);
    const auto pairs = test::PayloadPairs(requests[0]);
    ASSERT_EQ(pairs.size(), 6u);
    const char* keys[] = {"cl", "cv", "pv", "pk", "tm", "token"};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(pairs[i].first, keys[i]);
    EXPECT_EQ(pairs[0].second, "pc");
    EXPECT_EQ(pairs[3].second, GetText(g.m_SealedPublicKey));
    EXPECT_EQ(pairs[4].second, GetText(g.m_Timestamp));
    EXPECT_EQ(requests[0]["wrap"].asString(), "handshake");
}

TEST_F(Handshake, SealedRequestAndSealedReplyRoundTrip) {
    test::SimProcess sim("demo.json");
    Connect(sim);
    ASSERT_EQ(SecurityHandshake(g, record, notifier), HandshakeResult::Ok);
    const std::string account = sim.Scenario()["accounts"][0]["name"].asString();
    const std::string password = sim.Scenario()["accounts"][0]["password"].asString();
    ASSERT_FALSE(account.empty()) << "the demo scenario names its account";

    // A sealed request the service can only read with its private key and our keys.
    const std::string payload = "uid:" + account + "&psd:" + Md5Hex(password) + "&exp:" +
                                std::string(GetText(g.m_RsaExp)) + "&mod:" +
                                std::string(GetText(g.m_RsaMod)) + "&isnew:1&mac:" +
                                std::string(GetText(g.m_Mac));
    const auto reply = SendSealed(g, ServiceOp::Login, payload, kReply64K);
    ASSERT_TRUE(reply);
    ASSERT_TRUE(StatusIs(ReplyStatus(*reply), kStatusOk)) << ReplyStatus(*reply);
    const auto body = OpenSealedReply(*reply);
    ASSERT_TRUE(body) << "the sealed reply opens with our private key";
    EXPECT_TRUE(StringMember((*body)["userBean"], "token"));

    const auto logged = sim.Requests("login.do");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0]["wrap"].asString(), "sealed");
    EXPECT_EQ(test::PayloadPairs(logged[0])[0], std::make_pair(std::string("uid"), account));
}

TEST_F(Handshake, UpdateDemandStartsTheUpdaterWithItsArguments) {
    test::SimProcess sim("update.json");
    Connect(sim);
    const auto dir = std::filesystem::temp_directory_path() /
                     ("nimbrel-updater-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto updater = dir / "Update";
    const auto argsFile = dir / "args.txt";
    std::ofstream(updater) << "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > " << argsFile
                           << ".tmp && mv " << argsFile << ".tmp " << argsFile << "\n";
    std::filesystem::permissions(updater, std::filesystem::perms::owner_all);
    SetText(record.m_ResourceUrl, "http://127.0.0.1/new-client.tar");

    HandshakeOptions options;
    options.updater = updater;
    ASSERT_EQ(SecurityHandshake(g, record, notifier, options), HandshakeResult::UpdateStarted);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "检测到系统有重要更新，请下载更新！");
    EXPECT_EQ(notifier.Messages()[0].caption, "提示");

    for (int i = 0; i < 200 && !std::filesystem::exists(argsFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(argsFile);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "[-u]\n[http://127.0.0.1/new-client.tar]\n");

    // Without an updater to start, the demand is a failure.
    options.updater = dir / "missing";
    EXPECT_EQ(SecurityHandshake(g, record, notifier, options), HandshakeResult::Failed);
    std::filesystem::remove_all(dir);
}

TEST_F(Handshake, UnreachableOrSilentServiceFails) {
    GlobalSettings closed;
    ASSERT_TRUE(ApplyServiceUrl(closed, "http://127.0.0.1:1"));
    HandshakeOptions options;
    options.http = {2000, 3000};
    EXPECT_EQ(SecurityHandshake(closed, record, notifier, options), HandshakeResult::Failed);
}

}  // namespace
}  // namespace nimbrel
