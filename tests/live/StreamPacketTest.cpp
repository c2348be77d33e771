// Reading stream packets: the framer's cuts wherever the received blocks end, and over a real TCP
// connection kinds, lengths, broken announcements, partial arrivals and the stop flag.
#include <gtest/gtest.h>

#include <algorithm>
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
    void Send(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(camera->SendAll(bytes, 2000)); }
    std::unique_ptr<TcpSocket> camera;
    std::unique_ptr<TcpTransport> client;
    std::atomic<bool> stop{false};
};

std::vector<uint8_t> Video(uint16_t length, uint32_t frame, int16_t count, int16_t index,
                           bool key) {
    std::vector<uint8_t> p(kVideoHeaderSize + length, 0xAB);
    WriteVideoHeader({length, key, frame, 1234, count, index}, p.data());
    return p;
}

TEST(StreamPacket, VideoHeaderRoundTrip) {
    const auto p = Video(1375, 77, 3, 2, false);
    const VideoHeader h =
        ParseVideoHeader(std::span<const uint8_t, kVideoHeaderSize>(p.data(), kVideoHeaderSize));
    EXPECT_EQ(h.length, 1375);
    EXPECT_FALSE(h.key);
    EXPECT_EQ(h.frameNumber, 77u);
    EXPECT_EQ(h.timeValue, 1234u);
    EXPECT_EQ(h.fragmentCount, 3);
    EXPECT_EQ(h.fragmentIndex, 2);
    EXPECT_EQ(p[3] & 1, 1);  // bit 0 set: not a key frame
}

// One packet of each kind, with bodies that tell them apart.
std::vector<std::vector<uint8_t>> PacketsOfEachKind() {
    std::vector<std::vector<uint8_t>> packets;
    Json::Value m;
    m["cmd"] = "running";
    std::string sealed;
    EXPECT_TRUE(StreamWrap("k9k9", m, sealed));
    packets.emplace_back(sealed.begin(), sealed.end());
    packets.push_back(Video(1375, 9, 2, 0, true));
    packets.push_back(Video(1, 9, 2, 1, true));
    std::vector<uint8_t> aac(kAudioHeaderSize + 300);
    for (std::size_t i = 0; i < aac.size(); ++i) aac[i] = static_cast<uint8_t>(i * 7);
    aac[0] = kPacketAac;
    aac[1] = 300 & 0xFF;
    aac[2] = 300 >> 8;
    packets.push_back(aac);
    std::vector<uint8_t> speex(kAudioHeaderSize, 0x11);  // an empty body
    speex[0] = kPacketSpeex;
    speex[1] = speex[2] = 0;
    packets.push_back(speex);
    return packets;
}

// Feeds `bytes` to `framer` in the pieces that `cuts` (ascending offsets) make, taking every
// whole packet after each piece, as the reader does after each receive.
std::vector<std::vector<uint8_t>> CutAndTake(PacketFramer& framer,
                                             const std::vector<uint8_t>& bytes,
                                             const std::vector<std::size_t>& cuts) {
    std::vector<std::vector<uint8_t>> taken;
    std::size_t at = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : bytes.size();
        while (at < end) {
            const std::span<uint8_t> space = framer.Space();
            const std::size_t n = std::min(space.size(), end - at);
            std::memcpy(space.data(), bytes.data() + at, n);
            framer.Commit(n);
            at += n;
            Packet p;
            PacketFramer::Next next;
            while ((next = framer.Take(p)) == PacketFramer::Next::Packet)
                taken.emplace_back(p.bytes.begin(), p.bytes.end());
            EXPECT_EQ(next, PacketFramer::Next::NeedMore);
        }
    }
    return taken;
}

TEST(StreamPacket, FramerCutsPacketsWhereverTheBlocksEnd) {
    const auto packets = PacketsOfEachKind();
    std::vector<uint8_t> all;
    for (const auto& p : packets) all.insert(all.end(), p.begin(), p.end());
    // Every single cut, then every pair of cuts a prime step apart (a packet split in three).
    for (std::size_t cut = 0; cut <= all.size(); ++cut) {
        PacketFramer framer(true);
        ASSERT_EQ(CutAndTake(framer, all, {cut}), packets) << "cut at " << cut;
    }
    for (std::size_t first = 0; first < all.size(); first += 13) {
        for (std::size_t second = first; second <= all.size(); second += 101) {
            PacketFramer framer(true);
            ASSERT_EQ(CutAndTake(framer, all, {first, second}), packets) << first << " " << second;
        }
    }
    // Byte by byte.
    std::vector<std::size_t> everyByte(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) everyByte[i] = i;
    PacketFramer framer(true);
    EXPECT_EQ(CutAndTake(framer, all, everyByte), packets);
}

TEST(StreamPacket, FramerKeepsOrderAcrossManyFullBlocks) {
    // Far more than one block of packets, delivered in blocks as large as the framer takes: the
    // unread tail of each block moves to the front and no byte is lost or repeated.
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> all;
    for (uint32_t n = 0; all.size() < 5 * kReadBlockSize; ++n) {
        auto p = Video(static_cast<uint16_t>(1 + n * 37 % 1375), n, 1, 0, n % 10 == 0);
        for (std::size_t i = kVideoHeaderSize; i < p.size(); ++i)
            p[i] = static_cast<uint8_t>(n + i);
        all.insert(all.end(), p.begin(), p.end());
        packets.push_back(std::move(p));
    }
    PacketFramer framer(false);
    EXPECT_EQ(CutAndTake(framer, all, {}), packets);
}

TEST(StreamPacket, FramerRefusesBrokenStartsOnlyOnceTheyArrive) {
    PacketFramer framer(false);
    Packet p;
    const std::vector<uint8_t> aacStart{kPacketAac, 10};  // not yet the whole start
    auto space = framer.Space();
    std::memcpy(space.data(), aacStart.data(), aacStart.size());
    framer.Commit(aacStart.size());
    EXPECT_EQ(framer.Take(p), PacketFramer::Next::NeedMore);
    space = framer.Space();
    space[0] = 0;
    framer.Commit(1);
    EXPECT_EQ(framer.Take(p), PacketFramer::Next::Broken);  // AAC on a stream that knows none
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
            std::vector<uint8_t> piece(all.begin() + at,
                                       all.begin() + std::min(all.size(), at + 97));
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
        {0x77, 0, 0},                      // unknown kind
        {kPacketInteractive, 0xFA, 0x07},  // 2042 hex characters announced
        {kPacketInteractive, 0x00, 0x80},  // negative length
        {kPacketVideo, 0xFF, 0x0F},        // 4095 bytes do not fit the buffer
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
