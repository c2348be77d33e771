// Reading list pages: field types, widths, the list's append rule.
#include <gtest/gtest.h>

#include "devices/DeviceList.h"
#include "devices/DevicePage.h"
#include "text/JsonText.h"
#include "text/Utf16Units.h"

namespace nimbrel {
namespace {

Json::Value Page(const std::string& resultJson) {
    return *ParseJsonObject("{\"result\":" + resultJson + "}");
}

TEST(DevicePage, ReadsEveryFieldWithItsType) {
    const auto devices = ParseDevicePage(Page(R"([{
        "sid":"NB01","name":"Кухня","showLED":"1","showSound":"0","showAlarm":"1",
        "alarmStatus":"1","alarmStartTime":"8","alarmEndTime":"20","ledStatus":"1",
        "soundLeadStatus":"0","lock":"1","lockPsd":"abc","type":"z2","version":"3.1",
        "img":"/img/1.png","init":1,"status":true}, {"sid":"NB02"}])"));
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 2u);
    const DeviceFields& d = (*devices)[0];
    EXPECT_EQ(d.sid, "NB01");
    EXPECT_EQ(d.name, "Кухня");
    EXPECT_EQ(d.showLED, 1);
    EXPECT_EQ(d.alarmEndTime, 20);
    EXPECT_EQ(d.lock, 1);
    EXPECT_EQ(d.type, "z2");
    EXPECT_EQ(d.init, 1);
    EXPECT_EQ(d.status, 1);  // true reads as 1
    // Missing keys read as empty texts and zeros.
    EXPECT_EQ((*devices)[1].name, "");
    EXPECT_EQ((*devices)[1].status, 0);
    EXPECT_EQ((*devices)[1].showLED, 0);
}

TEST(DevicePage, WrongTypesRefuseTheWholePage) {
    EXPECT_FALSE(ParseDevicePage(Page(R"({"sid":"x"})")));         // result not an array
    EXPECT_FALSE(ParseDevicePage(Page(R"(["x"])")));                // element not an object
    EXPECT_FALSE(ParseDevicePage(Page(R"([{"sid":12}])")));         // text key holding a number
    EXPECT_FALSE(ParseDevicePage(Page(R"([{"showLED":1}])")));
    EXPECT_FALSE(ParseDevicePage(Page(R"([{"status":"1"}])")));     // number key holding text
    EXPECT_FALSE(ParseDevicePage(Page(R"([{"init":[1]}])")));
    EXPECT_FALSE(ParseDevicePage(*ParseJsonObject("{}")));
    EXPECT_TRUE(ParseDevicePage(Page("[]")));
}

TEST(DevicePage, LongTextsAreCutToTheRecordWidths) {
    const std::string longName(300, 'N');
    const auto devices = ParseDevicePage(Page("[{\"sid\":\"" + std::string(40, 'S') +
                                              "\",\"name\":\"" + longName + "\",\"type\":\"" +
                                              std::string(30, 't') + "\",\"img\":\"" +
                                              std::string(400, 'i') + "\"}]"));
    ASSERT_TRUE(devices);
    EXPECT_EQ((*devices)[0].sid.size(), 17u);
    EXPECT_EQ((*devices)[0].type.size(), 15u);
    EXPECT_EQ((*devices)[0].img.size(), 259u);
    EXPECT_EQ(Utf16Length((*devices)[0].name), 259u);
}

TEST(DeviceList, AppendsUpToTheLimitWithStableIndexes) {
    DeviceList list;
    DeviceFields f;
    for (int i = 0; i < DeviceList::kMaxDevices; ++i) {
        f.sid = "D" + std::to_string(i);
        ASSERT_EQ(list.Append(f), i);
    }
    f.sid = "overflow";
    EXPECT_EQ(list.Append(f), -1);
    EXPECT_EQ(list.Count(), DeviceList::kMaxDevices);
    EXPECT_EQ(list.IndexOfSid("D300"), 300);
    EXPECT_EQ(list.IndexOfSid("d300"), -1);  // exact comparison
    EXPECT_EQ(list.At(512), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(7)->seen, 1);
}

}  // namespace
}  // namespace nimbrel
