// LAN discovery over loopback: a small responder answers the broadcast probe like a camera.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>

#include "devices/DeviceList.h"
#include "devices/LanDiscovery.h"
#include "platform/UdpSocket.h"

namespace nimbrel {
namespace {

std::vector<uint8_t> ReplyBytes(const std::string& id, const std::string& ip,
                                const std::string& mac, uint16_t port) {
    std::vector<uint8_t> d(kLanReplySize, 0);
    std::memcpy(&d[1], id.data(), std::min<std::size_t>(16, id.size()));
    std::memcpy(&d[17], ip.data(), std::min<std::size_t>(16, ip.size()));
    std::memcpy(&d[33], mac.data(), std::min<std::size_t>(12, mac.size()));
    d[50] = static_cast<uint8_t>(port & 0xFF);
    d[51] = static_cast<uint8_t>(port >> 8);
    return d;
}

TEST(LanReply, LayoutAndRefusals) {
    const auto r = ParseLanReply(ReplyBytes("NB0000000001", "127.0.0.5", "a1b2c3d4e5f6", 8001));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->id, "NB0000000001");
    EXPECT_EQ(r->ip, "127.0.0.5");
    EXPECT_EQ(r->mac, "a1:b2:c3:d4:e5:f6");
    EXPECT_EQ(r->port, 8001);
    // A 16-character id without terminator stays within its field.
    EXPECT_EQ(ParseLanReply(ReplyBytes("ABCDEFGHIJKLMNOP", "10.0.0.1", "", 1))->id, "ABCDEFGHIJKLMNOP");
    auto shortOne = ReplyBytes("NB1", "127.0.0.5", "", 1);
    shortOne.resize(51);
    EXPECT_FALSE(ParseLanReply(shortOne));
    EXPECT_FALSE(ParseLanReply(ReplyBytes("", "127.0.0.5", "", 1)));
    EXPECT_FALSE(ParseLanReply(ReplyBytes("NB1", "not-an-ip", "", 1)));
    EXPECT_FALSE(ParseLanReply(std::vector<uint8_t>{0x0E}));
}

TEST(LanDiscovery, BroadcastAddressOfTheSubnet) {
    EXPECT_EQ(LanDiscovery::BroadcastAddress("127.0.0.1", "255.0.0.0"), "127.255.255.255");
    EXPECT_EQ(LanDiscovery::BroadcastAddress("192.168.1.20", "255.255.255.0"), "192.168.1.255");
    EXPECT_FALSE(LanDiscovery::BroadcastAddress("127.0.0.1", ""));
    EXPECT_FALSE(LanDiscovery::BroadcastAddress("", "255.0.0.0"));
}

// Answers every probe it receives with the given replies (each twice, as cameras repeat).
class FakeCameras {
public:
    explicit FakeCameras(std::vector<std::vector<uint8_t>> replies) : replies_(std::move(replies)) {
        socket_ = UdpSocket::Open();
        // The broadcast of the loopback subnet is delivered to a socket bound to it.
        socket_->Bind(*Ipv4Endpoint::Parse("127.255.255.255", 0));
        port_ = socket_->Handle().LocalEndpoint()->port;
        thread_ = std::thread([this] {
            std::array<uint8_t, 64> buf;
            while (!stop_) {
                if (socket_->Handle().WaitReadable(50) != WaitResult::Ready) continue;
                const auto probe = socket_->ReceiveFrom(buf);
                if (!probe.io.Ok() || probe.io.bytes != 1 || buf[0] != kLanProbe) continue;
                ++probes;
                for (const auto& r : replies_)
                    for (int i = 0; i < 2; ++i) socket_->SendTo(probe.from, r);
            }
        });
    }
    ~FakeCameras() {
        stop_ = true;
        thread_.join();
    }
    uint16_t Port() const { return port_; }
    std::atomic<int> probes{0};

private:
    std::vector<std::vector<uint8_t>> replies_;
    std::optional<UdpSocket> socket_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(LanDiscovery, MarksDevicesCaseInsensitivelyAndKeepsOneReplyPerId) {
    FakeCameras cameras({ReplyBytes("nb0000000001", "127.0.0.5", "a1b2c3d4e5f6", 8001),
                         ReplyBytes("NB0000000009", "127.0.0.9", "000000000009", 8009)});
    DeviceList list;
    DeviceFields f;
    f.sid = "NB0000000001";
    list.Append(f);
    f.sid = "NB0000000002";
    list.Append(f);
    list.At(1)->SetLan({"127.0.0.77", "old", 1});
    list.At(1)->onLan = 1;

    LanDiscovery lan;
    LanDiscovery::Options options{"127.0.0.1", "255.0.0.0", cameras.Port()};
    ASSERT_TRUE(lan.Start(options));
    lan.Match(list);
    EXPECT_GE(cameras.probes.load(), 1);
    EXPECT_EQ(lan.Replies().size(), 2u);  // duplicates dropped
    EXPECT_EQ(list.At(0)->onLan, 1);
    EXPECT_EQ(list.At(0)->Lan().ip, "127.0.0.5");
    EXPECT_EQ(list.At(0)->Lan().mac, "a1:b2:c3:d4:e5:f6");
    EXPECT_EQ(list.At(0)->Lan().port, 8001);
    EXPECT_EQ(list.At(1)->onLan, 0);
    EXPECT_EQ(list.At(1)->Lan().ip, "127.0.0.77");  // the old address stays
}

TEST(LanDiscovery, NoAddressMeansNoProbeButTheListenerRuns) {
    FakeCameras cameras({ReplyBytes("NB1", "127.0.0.5", "", 1)});
    LanDiscovery lan;
    ASSERT_TRUE(lan.Start({"", "", cameras.Port()}));
    // A second start before collection releases the first run's threads and socket.
    ASSERT_TRUE(lan.Start({"", "", cameras.Port()}));
    lan.Collect();
    EXPECT_EQ(cameras.probes.load(), 0);
    EXPECT_TRUE(lan.Replies().empty());
}

}  // namespace
}  // namespace nimbrel
