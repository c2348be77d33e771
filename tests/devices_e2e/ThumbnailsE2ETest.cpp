// Thumbnails of the devices in the tree, downloaded from the simulated service: PNG pictures
// are shown, other pictures are kept but not shown, a picture over 1 MiB is refused and the
// previous one stays.
#include <gtest/gtest.h>

#include <map>

#include "DeviceE2E.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "platform/FixedText.h"

namespace nimbrel::test {
namespace {

constexpr const char* kPng = "NB0000000001";
constexpr const char* kNotPng = "NB0000000016";
constexpr const char* kTooLarge = "NB0000000019";
constexpr const char* kMissing = "NB0000000024";
constexpr const char* kNoImage = "NB0000000021";

class Thumbnails : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(client.signedIn);
        ASSERT_TRUE(client.Fetch());
        ASSERT_TRUE(tree.Fill());
    }

    int Index(const char* sid) const { return client.IndexOf(sid); }
    bool Load() { return thumbnails.Load(client.Context(), tree, client.list); }

    // The thumbnail requests the service received, by sid.
    std::map<std::string, std::vector<Json::Value>> Served() const {
        std::map<std::string, std::vector<Json::Value>> bySid;
        for (const auto& line : sim.Requests("thumbnail"))
            bySid[line["sid"].asString()].push_back(line);
        return bySid;
    }

    // Points the device's picture at another device's path, as a service that changed it would.
    void ServeFrom(const char* sid, const char* from) {
        SetText(client.Record(sid).img, std::string(GetText(client.Record(from).img)));
    }

    ScenarioVariant scenario{"demo.json", WithoutLan};
    SimProcess sim{scenario.Path()};
    DeviceClient client{sim, "demo_user", "demo1234"};
    DeviceTreeModel tree{client.list, client.session.app.m_ConfigPath};
    DeviceThumbnails thumbnails;
};

TEST_F(Thumbnails, EveryDeviceWithAPicturePathIsDownloadedOnlyPngIsShown) {
    // The oversized picture fails the load; the others still arrive.
    EXPECT_FALSE(Load());

    const auto served = Served();
    int withImage = 0;
    for (int i = 0; i < client.list.Count(); ++i) {
        const DeviceRecord& d = *client.list.At(i);
        if (GetText(d.img).empty()) continue;
        ++withImage;
        EXPECT_EQ(served.count(std::string(d.Sid())), 1u) << d.Sid();
    }
    EXPECT_EQ(served.size(), static_cast<std::size_t>(withImage));
    EXPECT_EQ(served.count(kNoImage), 0u);
    EXPECT_EQ(served.at(kPng).size(), 1u);
    const Json::Value& png = served.at(kPng)[0];
    EXPECT_EQ(png["url"].asString(), GetText(client.Record(kPng).img));
    EXPECT_EQ(png["shape"].asString(), "png");

    const auto shown = thumbnails.Png(Index(kPng));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), png["bytes"].asUInt64());
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(shown->size(), sizeof signature);
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), shown->begin()));

    EXPECT_FALSE(thumbnails.Png(Index(kNotPng)));
    EXPECT_FALSE(thumbnails.Png(Index(kTooLarge)));
    EXPECT_FALSE(thumbnails.Png(Index(kMissing)));
    EXPECT_FALSE(thumbnails.Png(Index(kNoImage)));
    EXPECT_GT(served.at(kTooLarge)[0]["bytes"].asUInt64(), 1024u * 1024u);
}

TEST_F(Thumbnails, RefusedPictureKeepsThePreviousOneANonPngReplacesIt) {
    ServeFrom(kTooLarge, kPng);
    ServeFrom(kNotPng, kPng);
    EXPECT_TRUE(Load());
    const auto before = thumbnails.Png(Index(kTooLarge));
    ASSERT_TRUE(before);
    const auto painting = thumbnails.Png(Index(kNotPng));
    ASSERT_TRUE(painting);

    // Back to their own paths.
    SetText(client.Record(kTooLarge).img, "/velkor/img/NB0000000019.jpg");
    SetText(client.Record(kNotPng).img, "/velkor/img/NB0000000016.jpg");
    EXPECT_FALSE(Load());
    EXPECT_EQ(Served().at(kTooLarge).size(), 1u);

    // Refused: the previous picture stays, byte for byte.
    const auto kept = thumbnails.Png(Index(kTooLarge));
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, *before);
    // Downloaded but not a PNG: it replaces the picture, and the default thumbnail is shown.
    EXPECT_FALSE(thumbnails.Png(Index(kNotPng)));
    // The picture handed out before the replacement is still whole for whoever paints it.
    EXPECT_EQ(*painting, *before);
}

}  // namespace
}  // namespace nimbrel::test
