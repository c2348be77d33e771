// The HTTP transport against small local servers: time-outs, status codes, content codings,
// size limits and the port rule.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>

#include "LocalHttpServer.h"
#include "platform/FixedText.h"
#include "service/HttpTransport.h"
#include "service/ServiceCipher.h"

namespace nimbrel {
namespace {

std::string Gzip(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(compressBound(data.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

class HttpTransport : public ::testing::Test {
protected:
    void SetUp() override {
        SetText(g.m_KeyValue, "f00d");
        SetText(g.m_Host, "127.0.0.1");
    }
    std::string Wrapped(std::string text) { return DesWrap(g, text); }
    std::string Url(const test::LocalHttpServer& s) {
        g.m_Port = static_cast<uint16_t>(s.Port());
        return "http://127.0.0.1/velkor/login.do?data=x";  // no port: the transfer uses m_Port
    }
    GlobalSettings g;
};

TEST_F(HttpTransport, ErrorStatusBodyReachesTheDecipher) {
    test::LocalHttpServer server(test::LocalHttpServer::Reply(404, Wrapped("{\"status\":\"OK\"}")));
    std::string out;
    ASSERT_EQ(HttpGet(g, Url(server), out, 0, 64 * 1024), 1);
    EXPECT_EQ(out.substr(0, 15), "{\"status\":\"OK\"}");
    EXPECT_NE(server.LastRequest().find("GET /velkor/login.do?data=x HTTP/1.1"), std::string::npos);
}

TEST_F(HttpTransport, GzipBodyArrivesInflated) {
    test::LocalHttpServer server(test::LocalHttpServer::Reply(
        200, Gzip(Wrapped("{\"status\":\"gz\"}")), "Content-Encoding: gzip\r\n"));
    std::string out;
    ASSERT_EQ(HttpGet(g, Url(server), out, 0, 64 * 1024), 1);
    EXPECT_EQ(out.substr(0, 15), "{\"status\":\"gz\"}");
    EXPECT_NE(server.LastRequest().find("Accept-Encoding:"), std::string::npos);
}

TEST_F(HttpTransport, UnwrappedBodyCompletesButGivesNoText) {
    test::LocalHttpServer server(test::LocalHttpServer::Reply(500, "<html>oops</html>"));
    std::string out = "stale";
    EXPECT_EQ(HttpGet(g, Url(server), out, 0, 64 * 1024), 1);
    EXPECT_TRUE(out.empty());
}

TEST_F(HttpTransport, OversizeBodiesAndTextsAreRefused) {
    test::LocalHttpServer big(test::LocalHttpServer::Reply(200, std::string(kReplyBodyLimit + 1, 'a')));
    std::string out;
    EXPECT_EQ(HttpGet(g, Url(big), out, 0, kReplyBodyLimit), 0);

    test::LocalHttpServer wide(test::LocalHttpServer::Reply(200, Wrapped(std::string(100, 'x'))));
    EXPECT_EQ(HttpGet(g, Url(wide), out, 0, 64), 0);  // plain text larger than the caller's room
    EXPECT_EQ(HttpGet(g, Url(wide), out, 0, 200), 1);
}

TEST_F(HttpTransport, SilentServerFailsAfterTheTotalTimeout) {
    test::LocalHttpServer silent("");
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpGet(g, Url(silent), out, 0, 1024, HttpOptions{1000, 600}), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(HttpTransport, PicturesUpToOneMebibyteKeepThePreviousOnFailure) {
    const std::string png = "\x89PNG\r\n\x1a\n" + std::string(1000, 'p');
    test::LocalHttpServer ok(test::LocalHttpServer::Reply(200, png));
    std::vector<unsigned char> block;
    std::size_t count = 0;
    ASSERT_EQ(HttpGetImage(g, Url(ok), block, count), 1);
    EXPECT_EQ(count, png.size());
    EXPECT_EQ(std::string(block.begin(), block.end()), png);
    EXPECT_NE(ok.LastRequest().find("User-Agent: velkor-Windows"), std::string::npos);

    test::LocalHttpServer huge(test::LocalHttpServer::Reply(200, std::string(kPictureLimit + 1, 'x')));
    EXPECT_EQ(HttpGetImage(g, Url(huge), block, count), 0);
    EXPECT_EQ(count, png.size());
    EXPECT_EQ(std::string(block.begin(), block.end()), png);
}

}  // namespace
}  // namespace nimbrel
