// LAN discovery against the simulator's responder on a port of its own: the probe broadcast on
// the loopback network, the replies kept once per exact id, cut datagrams ignored, and the
// devices of the service's list marked with the addresses their replies carry.
#include <gtest/gtest.h>

#include "DeviceE2E.h"
#include "platform/FixedText.h"

namespace nimbrel::test {
namespace {

std::vector<std::string> Ids(const std::vector<LanReply>& replies) {
    std::vector<std::string> ids;
    for (const auto& r : replies) ids.push_back(r.id);
    return ids;
}

bool LooksLikeMac(const std::string& mac) {
    if (mac.size() != 17) return false;
    for (std::size_t i = 0; i < mac.size(); ++i)
        if ((i % 3 == 2) != (mac[i] == ':')) return false;
    return true;
}

class LanDiscoveryE2E : public ::testing::Test {
  protected:
    // The lan-faults scenario with its responder on an ephemeral port and `duplicates` as given.
    void Start(const char* duplicates) {
        scenario = std::make_unique<ScenarioVariant>("lan-faults.json", [=](Json::Value& s) {
            s["lan"]["port"] = 0;
            s["lan"]["duplicates"] = duplicates;
        });
        sim = std::make_unique<SimProcess>(scenario->Path());
        port = static_cast<uint16_t>(sim->Info()["lan"]["port"].asInt());
        ASSERT_NE(port, 0) << sim->Info().toStyledString();
        client = std::make_unique<DeviceClient>(*sim, "lan_user", "lan12345");
        ASSERT_TRUE(client->signedIn);
    }

    // The program's discovery from the client's adapter (lo), aimed at the responder's port.
    // The listener waits longer for each datagram than the program does, so that a slow
    // simulator on a loaded machine is still heard; it still reads at most 20 datagrams.
    LanDiscovery::Options Options() const {
        LanDiscovery::Options o;
        o.localIp = GetText(client->session.g.m_LocalIp);
        o.localMask = GetText(client->session.g.m_LocalMask);
        o.port = port;
        o.listenWaitMs = 3000;
        return o;
    }

    // The probes the responder received (each logged once).
    std::vector<Json::Value> Probes() const {
        std::vector<Json::Value> probes;
        for (const auto& line : sim->Requests("lan"))
            if (line["size"].asInt() == 1 && !line.isMember("error")) probes.push_back(line);
        return probes;
    }

    std::unique_ptr<ScenarioVariant> scenario;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<DeviceClient> client;
    uint16_t port = 0;
};

TEST_F(LanDiscoveryE2E, MarksListedDevicesFromRepliesInEitherCaseAfterAGarbledDatagram) {
    Start("otherCase");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(GetText(client->session.g.m_LocalIp), "127.0.0.1");

    ASSERT_TRUE(client->lan.Start(Options()));
    ASSERT_TRUE(FetchDeviceList(client->Context(), client->list, client->lan));

    // One entry per exact id: the other-case repeats are different ids, the later probes'
    // answers are repeats; the 20-byte datagram before them is not a reply.
    EXPECT_EQ(Ids(client->lan.Replies()),
              (std::vector<std::string>{"LN0000000001", "ln0000000001", "LN000000000a",
                                        "ln000000000A", "LN0000000003", "ln0000000003"}));
    const auto probes = Probes();
    ASSERT_FALSE(probes.empty());
    EXPECT_LE(probes.size(), 20u);
    EXPECT_TRUE(probes[0]["garbled"].asBool());
    EXPECT_EQ(probes[0]["from"].asString().rfind("127.0.0.1:", 0), 0u)
        << probes[0]["from"].asString();

    ASSERT_EQ(client->list.Count(), 5);
    const DeviceRecord& hall = client->Record("LN0000000001");
    EXPECT_EQ(hall.onLan, 1);
    EXPECT_EQ(hall.Lan().ip, "127.0.0.1");
    EXPECT_TRUE(LooksLikeMac(hall.Lan().mac)) << hall.Lan().mac;
    EXPECT_EQ(hall.Lan().port, sim->Info()["devices"]["LN0000000001"]["streamPort"].asInt());
    EXPECT_NE(hall.Lan().port, 0);

    const DeviceRecord& kitchen = client->Record("LN000000000a");
    EXPECT_EQ(kitchen.onLan, 1);
    EXPECT_EQ(kitchen.Lan().ip, "127.0.0.7");
    EXPECT_EQ(kitchen.Lan().mac, "a0:b1:c2:d3:e4:f5");
    EXPECT_EQ(kitchen.Lan().port, 8007);

    // A relay camera that answers anyway has no stream port to announce.
    const DeviceRecord& yard = client->Record("LN0000000003");
    EXPECT_EQ(yard.onLan, 1);
    EXPECT_EQ(yard.Lan().port, 0);

    for (const char* silent : {"LN0000000004", "LN0000000005"}) {
        EXPECT_EQ(client->Record(silent).onLan, 0) << silent;
        EXPECT_EQ(client->Record(silent).Lan().ip, "") << silent;
    }
}

TEST_F(LanDiscoveryE2E, ExactRepeatsKeptOnceAndIdsMatchedWithoutRegardToCase) {
    Start("exact");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(client->lan.Start(Options()));

    // Records that name the cameras in the other letter case, and one that never answers.
    DeviceList list;
    for (const char* sid : {"ln0000000001", "Ln000000000A", "lN0000000003", "ln0000000004"}) {
        DeviceFields f;
        f.sid = sid;
        list.Append(f);
    }
    list.At(3)->SetLan({"127.0.0.99", "00:00:00:00:00:99", 99});
    list.At(3)->onLan = 1;
    client->lan.Match(list);

    EXPECT_EQ(Ids(client->lan.Replies()),
              (std::vector<std::string>{"LN0000000001", "LN000000000a", "LN0000000003"}));
    // Every probe the responder heard was answered with each reply twice.
    for (const auto& probe : Probes()) EXPECT_EQ(probe["replies"].size(), 6u);

    EXPECT_EQ(list.At(0)->onLan, 1);
    EXPECT_EQ(list.At(1)->onLan, 1);
    EXPECT_EQ(list.At(1)->Lan().ip, "127.0.0.7");
    EXPECT_EQ(list.At(1)->Lan().port, 8007);
    EXPECT_EQ(list.At(2)->onLan, 1);
    // Not answered this time: no longer on the LAN, the old address kept.
    EXPECT_EQ(list.At(3)->onLan, 0);
    EXPECT_EQ(list.At(3)->Lan().ip, "127.0.0.99");

    // A second discovery starts afresh and finds the same.
    ASSERT_TRUE(client->lan.Start(Options()));
    client->lan.Collect();
    EXPECT_EQ(client->lan.Replies().size(), 3u);
}

}  // namespace
}  // namespace nimbrel::test
