// The detection servers over real loopback sockets: each UDP shape drives the documented
// five-step classification to its intended result, and each TCP shape the greeting's.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "DetectionServer.h"
#include "ProbeShape.h"
#include "RequestLog.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

struct Echo {
    std::string address;
    int port = 0;
};

// A client of the UDP exchange: one socket on 127.0.0.1, requests with 10 tries of 100 ms.
class ProbeClient {
  public:
    ProbeClient() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in a = Loopback(0);
        bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a);
        sockaddr_in bound{};
        socklen_t len = sizeof bound;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &len);
        port_ = ntohs(bound.sin_port);
    }
    ~ProbeClient() { close(fd_); }
    int Port() const { return port_; }

    std::optional<Echo> Ask(int serverPort, int type) {
        unsigned char request[24] = {};
        request[0] = static_cast<unsigned char>(type);
        const sockaddr_in to = Loopback(serverPort);
        for (int attempt = 0; attempt < 10; ++attempt) {
            sendto(fd_, request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to);
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char reply[24] = {};
            if (recv(fd_, reply, sizeof reply, 0) != 24 || reply[0] != type) continue;
            char portText[8] = {};
            std::memcpy(portText, reply + 1, 7);
            char address[17] = {};
            std::memcpy(address, reply + 8, 16);
            return Echo{address, std::atoi(portText)};
        }
        return std::nullopt;
    }

    // The documented classification: 0 none, 1 open or full cone, 2, 3, 4 symmetric.
    int Classify(int firstPort, int secondPort) {
        const auto first = Ask(firstPort, 1);
        if (!first) return 0;
        if (first->port == port_ && first->address == "127.0.0.1") return 1;
        if (Ask(firstPort, 11)) return 1;
        const auto second = Ask(secondPort, 41);
        if (!second) return 0;
        if (second->port != first->port || second->address != first->address) return 4;
        if (Ask(firstPort, 21)) return 2;
        if (Ask(firstPort, 31)) return 3;
        return 0;
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

class DetectionServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        logPath_ = std::filesystem::temp_directory_path() /
                   ("nimbrel-detection-" + std::to_string(getpid()) + ".jsonl");
        log_ = std::move(RequestLog::Open(logPath_).value());
    }
    void TearDown() override {
        first_.reset();
        second_.reset();
        log_.reset();
        std::filesystem::remove(logPath_);
    }
    void StartPair(const std::string& udpShape, const std::string& tcpShape = "greet",
                   Mapping mapping = Mapping::Port) {
        first_ = std::make_unique<DetectionServer>(DetectionRole::First, *ParseUdpShape(udpShape),
                                                   mapping, *ParseTcpShape(tcpShape), log_.get());
        second_ = std::make_unique<DetectionServer>(DetectionRole::Second, *ParseUdpShape(udpShape),
                                                    mapping, *ParseTcpShape(tcpShape), log_.get());
        auto a = first_->Start({});
        auto b = second_->Start({});
        ASSERT_TRUE(a && b);
        firstPorts_ = *a;
        secondPorts_ = *b;
    }
    std::vector<Json::Value> LogLines() {
        std::vector<Json::Value> lines;
        std::ifstream file(logPath_);
        std::string line;
        while (std::getline(file, line))
            if (auto parsed = ParseJsonObject(line)) lines.push_back(*parsed);
        return lines;
    }
    // The greeting exchange: 1 answered, 0 nothing within 3 s, 5 closed or refused.
    int Greet() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in to = Loopback(firstPorts_.tcpPort);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            close(fd);
            return 5;
        }
        const std::string packet = DetectionServer::Frame(R"({"tcp":"hello"})");
        EXPECT_EQ(packet.size(), 31u);
        send(fd, packet.data(), packet.size(), MSG_NOSIGNAL);
        pollfd p{fd, POLLIN, 0};
        int result = 0;
        if (poll(&p, 1, 3000) > 0) {
            char buf[260];
            result = recv(fd, buf, sizeof buf, 0) > 0 ? 1 : 5;
        }
        close(fd);
        return result;
    }

    std::filesystem::path logPath_;
    std::unique_ptr<RequestLog> log_;
    std::unique_ptr<DetectionServer> first_, second_;
    EndpointSpec firstPorts_, secondPorts_;
};

TEST_F(DetectionServerTest, EachUdpShapeGivesItsClassification) {
    const std::vector<std::pair<std::string, int>> shapes = {
        {"open", 1},      {"fullCone", 1}, {"restricted", 2},   {"portRestricted", 3},
        {"symmetric", 4}, {"blocked", 0},  {"secondSilent", 0}, {"filtered", 0},
    };
    for (const auto& [shape, expected] : shapes) {
        StartPair(shape);
        ProbeClient client;
        EXPECT_EQ(client.Classify(firstPorts_.udpPort, secondPorts_.udpPort), expected) << shape;
        first_.reset();
        second_.reset();
    }
}

TEST_F(DetectionServerTest, AddressMappingAlsoClassifies) {
    StartPair("symmetric", "greet", Mapping::Address);
    ProbeClient client;
    EXPECT_EQ(client.Classify(firstPorts_.udpPort, secondPorts_.udpPort), 4);
    const auto echo = client.Ask(firstPorts_.udpPort, 1);
    ASSERT_TRUE(echo);
    EXPECT_NE(echo->address, "127.0.0.1");
    EXPECT_EQ(echo->port, client.Port());
}

TEST_F(DetectionServerTest, OpenShapeEchoesTheSeenAddressAndLogsIt) {
    StartPair("open");
    ProbeClient client;
    const auto echo = client.Ask(firstPorts_.udpPort, 1);
    ASSERT_TRUE(echo);
    EXPECT_EQ(echo->address, "127.0.0.1");
    EXPECT_EQ(echo->port, client.Port());
    // The second server serves type 41 only, the first never 41.
    EXPECT_FALSE(client.Ask(firstPorts_.udpPort, 41));
    EXPECT_FALSE(client.Ask(secondPorts_.udpPort, 1));

    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0]["path"].asString(), "detection");
    EXPECT_EQ(lines[0]["server"].asString(), "first");
    EXPECT_EQ(lines[0]["type"].asInt(), 1);
    EXPECT_EQ(lines[0]["from"].asString(), "127.0.0.1:" + std::to_string(client.Port()));
    EXPECT_TRUE(lines[0]["answered"].asBool());
}

TEST_F(DetectionServerTest, MalformedDatagramsAreLoggedAndIgnored) {
    StartPair("open");
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = Loopback(firstPorts_.udpPort);
    unsigned char junk[24] = {1, 7};
    sendto(fd, junk, sizeof junk, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    sendto(fd, junk, 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    std::string big(2000, '\1');
    sendto(fd, big.data(), big.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 300), 0);  // nothing answered
    close(fd);
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines) EXPECT_FALSE(line["error"].asString().empty());
    // Still serving.
    ProbeClient client;
    EXPECT_TRUE(client.Ask(firstPorts_.udpPort, 1));
}

TEST_F(DetectionServerTest, TcpShapes) {
    for (const auto& [shape, expected] :
         std::vector<std::pair<std::string, int>>{{"greet", 1}, {"close", 5}, {"refuse", 5}}) {
        StartPair("open", shape);
        EXPECT_EQ(Greet(), expected) << shape;
        first_.reset();
        second_.reset();
    }
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0]["proto"].asString(), "tcp");
    EXPECT_EQ(lines[0]["payload"].asString(), R"({"tcp":"hello"})");
}

TEST_F(DetectionServerTest, SilentTcpNeverAnswers) {
    StartPair("open", "silent");
    EXPECT_EQ(Greet(), 0);
}

TEST_F(DetectionServerTest, BrokenGreetingIsRefusedAndTheServerGoesOn) {
    StartPair("open");
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = Loopback(firstPorts_.tcpPort);
    ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    std::string header(16, '\0');
    header[7] = 0x7F;  // a length of about 2 GB
    send(fd, header.data(), header.size(), MSG_NOSIGNAL);
    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 2000), 0);
    char buf[16];
    EXPECT_EQ(recv(fd, buf, sizeof buf, 0), 0);  // closed without an answer
    close(fd);
    EXPECT_EQ(Greet(), 1);
}

TEST(ProbeShapeTest, AnswerDatagramLayout) {
    const std::string d = EncodeUdpAnswer(UdpAnswer{21, "127.0.0.1", 9467, false});
    ASSERT_EQ(d.size(), 24u);
    EXPECT_EQ(d[0], 21);
    EXPECT_EQ(std::string(d.c_str() + 1), "9467");
    EXPECT_EQ(std::string(d.c_str() + 8), "127.0.0.1");
    const std::string longest = EncodeUdpAnswer(UdpAnswer{1, "255.255.255.255", 65535, false});
    EXPECT_EQ(std::string(longest.c_str() + 8), "255.255.255.255");
    EXPECT_EQ(longest[23], '\0');
}

TEST(ProbeShapeTest, TranslatedPortsStayValid) {
    for (int port : {0, 1, 1024, 9467, 64535, 65535}) {
        const auto a = PlanUdpAnswer(UdpShape::Symmetric, Mapping::Port, DetectionRole::First, 1,
                                     "127.0.0.1", port);
        const auto b = PlanUdpAnswer(UdpShape::Symmetric, Mapping::Port, DetectionRole::Second, 41,
                                     "127.0.0.1", port);
        ASSERT_TRUE(a && b);
        EXPECT_GE(a->port, 1024);
        EXPECT_LE(a->port, 65535);
        EXPECT_NE(a->port, port);
        EXPECT_NE(a->port, b->port);
    }
}

}  // namespace
}  // namespace nimbrel::sim::test
