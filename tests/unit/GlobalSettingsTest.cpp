// The settings record's initial values, the local port counter and the adapter choice.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/FixedText.h"
#include "platform/LocalAdapter.h"
#include "service/GlobalSettings.h"
#include "service/ReadLocalAdapter.h"

namespace nimbrel {
namespace {

TEST(GlobalSettings, InitialValues) {
    GlobalSettings g;
    SetText(g.m_ClientType, "xx");
    InitGlobalSettings(g);
    EXPECT_EQ(GetText(g.m_ClientId), "pcvelkor2.02.0");
    EXPECT_EQ(GetText(g.m_Scheme), "http");
    EXPECT_EQ(GetText(g.m_StreamProtocol), "1.2");
    EXPECT_EQ(GetText(g.m_SignKey), "r5ebLa2vXo7q@mFe@");
    EXPECT_LE(GetText(g.m_Host).size(), 17u);
    EXPECT_EQ(g.m_Port, 80);
    EXPECT_EQ(g.m_UdpProbeResult, -1);
    EXPECT_EQ(g.m_TcpProbeResult, -1);
    EXPECT_EQ(g.m_LoggedIn, 0);
}

TEST(GlobalSettings, LocalPortsAreTakenOnceEach) {
    GlobalSettings g;
    EXPECT_EQ(g.NextLocalPort(), 18886);
    EXPECT_EQ(g.NextLocalPort(), 18887);

    std::vector<std::thread> threads;
    std::vector<std::vector<uint16_t>> taken(4);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) taken[t].push_back(g.NextLocalPort());
        });
    for (auto& t : threads) t.join();
    std::set<uint16_t> all;
    for (const auto& v : taken) all.insert(v.begin(), v.end());
    EXPECT_EQ(all.size(), 4000u);
}

TEST(FixedText, CopiesAreCut) {
    char buf[5];
    EXPECT_FALSE(SetText(buf, "abcdef"));
    EXPECT_EQ(GetText(buf), "abcd");
    EXPECT_TRUE(SetText(buf, "ab"));
    EXPECT_EQ(GetText(buf), "ab");
}

AdapterInfo Adapter(std::string name, bool up, bool loopback, std::vector<std::string> ips,
                    std::vector<std::string> masks) {
    return {std::move(name), up, loopback, "0a-1b-2c-3d-4e-5f", std::move(ips), std::move(masks)};
}

TEST(AdapterChoice, FirstUpAdapterOnly) {
    const std::vector<AdapterInfo> list{
        Adapter("lo", true, true, {"127.0.0.1"}, {"255.0.0.0"}),
        Adapter("eth0", false, false, {"10.0.0.5"}, {"255.0.0.0"}),
        Adapter("eth1", true, false, {}, {}),
        Adapter("eth2", true, false, {"192.168.1.9"}, {"255.255.255.0"})};
    AdapterIdentity id;
    // eth1 is the first adapter up (loopback skipped); it has no IPv4 address, so no identity,
    // though eth2 has one.
    EXPECT_FALSE(SelectAdapter(list, "", id));
    ASSERT_TRUE(SelectAdapter(list, "lo", id));
    EXPECT_EQ(id.ip, "127.0.0.1");
    EXPECT_EQ(id.mask, "255.0.0.0");
    EXPECT_FALSE(SelectAdapter(list, "wlan9", id));
}

TEST(AdapterChoice, LastAddressWinsAndMaskOnlyForTheFirst) {
    AdapterIdentity id;
    ASSERT_TRUE(SelectAdapter({Adapter("eth0", true, false, {"10.1.1.1", "10.2.2.2"},
                                       {"255.0.0.0", "255.255.0.0"})}, "", id));
    EXPECT_EQ(id.ip, "10.2.2.2");
    EXPECT_EQ(id.mask, "");  // the adapter's first address is not the one taken
    ASSERT_TRUE(SelectAdapter({Adapter("eth0", true, false, {"10.1.1.1"}, {"255.0.0.0"})}, "", id));
    EXPECT_EQ(id.mask, "255.0.0.0");
    EXPECT_EQ(id.mac, "0a-1b-2c-3d-4e-5f");
}

TEST(AdapterChoice, LoopbackChosenExplicitly) {
    GlobalSettings g;
    ASSERT_EQ(ReadLocalAdapter(g, "lo"), 1);
    EXPECT_EQ(GetText(g.m_LocalIp), "127.0.0.1");
    EXPECT_EQ(GetText(g.m_LocalMask), "255.0.0.0");
    EXPECT_EQ(GetText(g.m_Mac), "00-00-00-00-00-00");
    EXPECT_EQ(ReadLocalAdapter(g, "no-such-adapter"), 0);
}

}  // namespace
}  // namespace nimbrel
