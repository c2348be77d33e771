// The probe's wire formats: request datagrams, answer parsing with short, unterminated and
// overlong datagrams, the numeric address comparison, and the TCP greeting's bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "service/ProbeDatagram.h"
#include "service/TcpProbe.h"

namespace nimbrel {
namespace {

std::vector<uint8_t> Answer(int type, const std::string& port, const std::string& address,
                            std::size_t size = kProbeDatagramSize) {
    std::vector<uint8_t> d(size, 0);
    d[0] = static_cast<uint8_t>(type);
    std::memcpy(d.data() + 1, port.data(), std::min<std::size_t>(port.size(), 7));
    std::memcpy(d.data() + 8, address.data(), std::min<std::size_t>(address.size(), size - 8));
    return d;
}

TEST(ProbeDatagram, RequestsCarryOnlyTheirType) {
    const auto request = ProbeRequest(41);
    EXPECT_EQ(request.size(), 24u);
    EXPECT_EQ(request[0], 41);
    for (std::size_t i = 1; i < request.size(); ++i) EXPECT_EQ(request[i], 0) << i;
}

TEST(ProbeDatagram, AnswersAreReadWithinTheirFields) {
    const auto a = ParseProbeAnswer(Answer(21, "9467", "192.168.10.200"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->type, 21);
    EXPECT_EQ(a->port, 9467);
    EXPECT_EQ(a->address, "192.168.10.200");

    // Seven digits fill the port field without a terminator: the address is not read into it.
    const auto full = ParseProbeAnswer(Answer(1, "1234567", "127.0.0.1"));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->port, 1234567);
    EXPECT_EQ(full->address, "127.0.0.1");

    // atoi rules: leading digits count, no digits give 0.
    EXPECT_EQ(ParseProbeAnswer(Answer(1, "80x", "1.2.3.4"))->port, 80);
    EXPECT_EQ(ParseProbeAnswer(Answer(1, "", "1.2.3.4"))->port, 0);

    // Longer datagrams are read as their first 24 bytes.
    auto longer = Answer(1, "5", "1.2.3.4", 40);
    EXPECT_EQ(ParseProbeAnswer(longer)->address, "1.2.3.4");
}

TEST(ProbeDatagram, ShortOrUnterminatedAnswersAreRejected) {
    EXPECT_FALSE(ParseProbeAnswer(Answer(1, "5", "1.2.3.4", 23)));
    EXPECT_FALSE(ParseProbeAnswer({}));
    // Sixteen address bytes without a NUL would run off the end of the datagram.
    EXPECT_FALSE(ParseProbeAnswer(Answer(1, "5", "255.255.255.2551")));
    EXPECT_TRUE(ParseProbeAnswer(Answer(1, "5", "255.255.255.255")));
}

TEST(ProbeDatagram, AddressesAreComparedAsNumbers) {
    EXPECT_TRUE(SameIpv4Number("127.0.0.1", "127.0.0.1"));
    EXPECT_TRUE(SameIpv4Number("127.1", "127.0.0.1"));
    EXPECT_FALSE(SameIpv4Number("127.0.0.1", "127.0.0.2"));
    EXPECT_FALSE(SameIpv4Number("garbage", "garbage"));
    EXPECT_FALSE(SameIpv4Number("", "0.0.0.0"));
}

TEST(TcpProbePacket, HeaderThenGreeting) {
    const auto p = TcpProbePacket();
    const uint8_t header[16] = {0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(p.size(), 31u);
    EXPECT_EQ(std::memcmp(p.data(), header, 16), 0);
    EXPECT_EQ(std::string(p.begin() + 16, p.end()), "{\"tcp\":\"hello\"}");
}

}  // namespace
}  // namespace nimbrel
