// Device thumbnails: the PNG the simulator draws is read back with zlib chunk by chunk, each
// fault shape is what it claims, and the service's HTTP server answers a device's `img` path.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>

#include "PngImage.h"
#include "Simulator.h"
#include "ThumbnailServer.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

struct Chunk {
    std::string type, data;
};

// The chunks of a PNG file, each CRC checked; fails the test on any structural fault.
std::vector<Chunk> ReadChunks(const std::string& png) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndian32(png, at);
        EXPECT_LE(at + 12 + length, png.size());
        if (at + 12 + length > png.size()) break;
        Chunk c{png.substr(at + 4, 4), png.substr(at + 8, length)};
        const std::string typed = png.substr(at + 4, 4 + length);
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size());
        EXPECT_EQ(BigEndian32(png, at + 8 + length), crc) << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

void ExpectThumbnailPng(const std::string& png) {
    const auto chunks = ReadChunks(png);
    ASSERT_GE(chunks.size(), 3u);
    ASSERT_EQ(chunks.front().type, "IHDR");
    const std::string& h = chunks.front().data;
    ASSERT_EQ(h.size(), 13u);
    EXPECT_EQ(BigEndian32(h, 0), 96u);
    EXPECT_EQ(BigEndian32(h, 4), 72u);
    EXPECT_EQ(h.substr(8), std::string("\x08\x02\x00\x00\x00", 5));  // 8-bit RGB, plain
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());

    std::string packed;
    for (const auto& c : chunks)
        if (c.type == "IDAT") packed += c.data;
    const std::size_t rowBytes = 1 + 96 * 3;
    std::string raw(rowBytes * 72 + 16, '\0');
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                         reinterpret_cast<const Bytef*>(packed.data()), packed.size()),
              Z_OK);
    ASSERT_EQ(rawSize, rowBytes * 72);
    for (std::size_t row = 0; row < 72; ++row) EXPECT_EQ(raw[row * rowBytes], '\0') << row;
    // Not one flat colour: the picture is a gradient.
    EXPECT_NE(raw.substr(1, 3), raw.substr(71 * rowBytes + 1, 3));
}

TEST(ThumbnailTest, ShapesAreWhatTheyClaim) {
    const std::string png = ThumbnailServer::Picture("CAM1", ThumbnailShape::Png);
    ExpectThumbnailPng(png);
    EXPECT_LT(png.size(), 64u * 1024);
    // Each device has a colour of its own.
    EXPECT_NE(png, ThumbnailServer::Picture("CAM2", ThumbnailShape::Png));

    const std::string large = ThumbnailServer::Picture("CAM1", ThumbnailShape::TooLarge);
    EXPECT_GT(large.size(), 1024u * 1024);
    ExpectThumbnailPng(large);

    const std::string jpeg = ThumbnailServer::Picture("CAM1", ThumbnailShape::NotPng);
    EXPECT_EQ(jpeg.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(jpeg.find("PNG"), std::string::npos);
    EXPECT_TRUE(ThumbnailServer::Picture("CAM1", ThumbnailShape::Missing).empty());

    EXPECT_TRUE(EncodePng(2, 2, std::vector<uint8_t>(11)).empty());  // size mismatch
}

TEST(ThumbnailTest, ServiceAnswersImgPathsOverHttp) {
    auto scenario = ParseScenario(R"({
      "accounts": [{"name": "alice", "password": "alice123"}],
      "devices": [
        {"sid": "CAM1", "owner": "alice", "img": "/velkor/img/CAM1.jpg"},
        {"sid": "CAM2", "owner": "alice", "img": "/pics/CAM2.png?v=3", "thumbnail": "notPng"},
        {"sid": "CAM3", "owner": "alice", "img": "/velkor/img/CAM3.jpg", "thumbnail": "missing"},
        {"sid": "CAM4", "owner": "alice"}
      ]})");
    ASSERT_TRUE(scenario) << scenario.error();
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("nimbrel-thumbnail-test-" + std::to_string(getpid()) + ".jsonl");
    Simulator simulator(*scenario, logPath);
    auto info = simulator.Start();
    ASSERT_TRUE(info) << info.error();
    const auto parsed = ParseJsonObject(info->Dump());
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->isMember("lan"));  // no responder unless asked for
    httplib::Client http("127.0.0.1", (*parsed)["servicePort"].asInt());

    auto res = http.Get("/velkor/img/CAM1.jpg");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "image/png");
    ExpectThumbnailPng(res->body);
    res = http.Get("/pics/CAM2.png?v=3");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body.substr(0, 2), "\xFF\xD8");
    for (const char* path : {"/velkor/img/CAM3.jpg", "/velkor/img/CAM4.jpg", "/velkor/img/"}) {
        res = http.Get(path);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 404) << path;
    }
    simulator.Stop();

    std::ifstream log(logPath);
    std::string line;
    std::vector<Json::Value> thumbnails;
    while (std::getline(log, line)) {
        auto json = ParseJsonObject(line);
        if (json && (*json)["path"].asString() == "thumbnail") thumbnails.push_back(*json);
    }
    std::filesystem::remove(logPath);
    ASSERT_EQ(thumbnails.size(), 3u);
    EXPECT_EQ(thumbnails[0]["sid"].asString(), "CAM1");
    EXPECT_EQ(thumbnails[0]["shape"].asString(), "png");
    EXPECT_EQ(thumbnails[1]["shape"].asString(), "notPng");
    EXPECT_EQ(thumbnails[2]["httpStatus"].asInt(), 404);
}

}  // namespace
}  // namespace nimbrel::sim::test
