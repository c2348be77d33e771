// Reading stream packets over a real TCP connection: kinds, lengths, broken announcements,
// partial arrivals and the stop flag.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "live/StreamCipher.h"
#include "live/StreamPacket.h"
#include "live/TcpTransport.h"
#include "platform/TcpListener.h"

namespace nimbrel {
namespace {

// A connected pair of TCP sockets on loopback: `client` is wrapped as the camera stream,
// `camera` is what the test writes with.
struct Link {
    Link() {
        auto listener = TcpListener::Listen(*Ipv4Endpoint::Parse("127.0.0.1", 0), 1);
        auto socket = TcpSocket::Open();
        EXPECT_TRUE(socket->ConnectWithin(*listener->Handle().LocalEndpoint(), 2000));
        auto accepted = listener->Accept(2000);
        camera = std::make_unique<TcpSocket>(std::move(*accepted));
        client = std::make_unique<TcpTransport>(std::move(*socket));
    }
    void Send(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(camera->SendAll(bytes, 2000));
    }
    std::unique_ptr<TcpSocket> camera;
    std::unique_ptr<TcpTransport> client;
    std::atomic<bool> stop{false};
};

std::vector<uint8_t> Video(uint16_t length, uint32_t frame, int16_t count, int16_t index, bool key) {
    std::vector<uint8_t> p(kVideoHeaderSize + length, 0xAB);
    WriteVideoHeader({length, key, frame, 1234, count, index}, p.data());
    return p;
}

TEST(StreamPacket, VideoHeaderRoundTrip) {
    const auto p = Video(1375, 77, 3, 2, false);
    const VideoHeader h = ParseVideoHeader(std::span<const uint8_t, kVideoHeaderSize>(p.data(), kVideoHeaderSize));
    EXPECT_EQ(h.length, 1375);
    EXPECT_FALSE(h.key);
    EXPECT_EQ(h.frameNumber, 77u);
    EXPECT_EQ(h.timeValue, 1234u);
    EXPECT_EQ(h.fragmentCount, 3);
    EXPECT_EQ(h.fragmentIndex, 2);
    EXPECT_EQ(p[3] & 1, 1);  // bit 0 set: not a key frame
}

TEST(StreamPacket, ReadsEachKindWhateverTheArrivalPieces) {
    Link link;
    Json::Value m;
    m["cmd"] = "close";
    std::string sealed;
    ASSERT_TRUE(StreamWrap("k9k9", m, sealed));
    std::vector<uint8_t> all(sealed.begin(), sealed.end());
    const auto video = Video(1000, 5, 1, 0, true);
    all.insert(all.end(), video.begin(), video.end());
    std::vector<uint8_t> speex(kAudioHeaderSize + 200, 0);
    speex[0] = kPacketSpeex;
    speex[1] = 200;
    all.insert(all.end(), speex.begin(), speex.end());
    // Delivered in odd-sized pieces, as TCP may.
    std::thread writer([&] {
        for (std::size_t at = 0; at < all.size(); at += 97) {
            std::vector<uint8_t> piece(all.begin() + at, all.begin() + std::min(all.size(), at + 97));
            link.camera->SendAll(piece, 2000);
        }
    });
    PacketReader reader(true);
    Packet p;
    std::atomic<uint64_t> counted{0};
    ASSERT_EQ(reader.Read(*link.client, link.stop, p, &counted), ReadResult::Ok);
    EXPECT_EQ(p.kind, kPacketInteractive);
    EXPECT_EQ(p.bytes.size(), sealed.size());
    ASSERT_EQ(reader.Read(*link.client, link.stop, p, &counted), ReadResult::Ok);
    EXPECT_EQ(p.kind, kPacketVideo);
    EXPECT_EQ(p.bytes.size(), video.size());
    ASSERT_EQ(reader.Read(*link.client, link.stop, p, &counted), ReadResult::Ok);
    EXPECT_EQ(p.kind, kPacketSpeex);
    writer.join();
    EXPECT_EQ(counted.load(), all.size());
}

TEST(StreamPacket, BrokenAnnouncementsEndTheStream) {
    const std::vector<std::vector<uint8_t>> broken{
        {0x77, 0, 0},                                   // unknown kind
        {kPacketInteractive, 0xFA, 0x07},               // 2042 hex characters announced
        {kPacketInteractive, 0x00, 0x80},               // negative length
        {kPacketVideo, 0xFF, 0x0F},                     // 4095 bytes do not fit the buffer
    };
    for (const auto& start : broken) {
        Link link;
        link.Send(start);
        PacketReader reader(true);
        Packet p;
        EXPECT_EQ(reader.Read(*link.client, link.stop, p), ReadResult::Broken) << int(start[0]);
    }
    Link udt;  // a stream that knows no AAC packets
    udt.Send({kPacketAac, 10, 0});
    PacketReader noAac(false);
    Packet p;
    EXPECT_EQ(noAac.Read(*udt.client, udt.stop, p), ReadResult::Broken);
}

TEST(StreamPacket, ClosedPeerAndStopFlag) {
    Link closed;
    closed.Send({kPacketVideo, 10});  // two bytes, then the camera goes away
    closed.camera.reset();
    PacketReader reader(true);
    Packet p;
    EXPECT_EQ(reader.Read(*closed.client, closed.stop, p), ReadResult::Closed);

    Link silent;
    silent.stop = true;
    EXPECT_EQ(reader.Read(*silent.client, silent.stop, p), ReadResult::Stopped);
}

}  // namespace
}  // namespace nimbrel
