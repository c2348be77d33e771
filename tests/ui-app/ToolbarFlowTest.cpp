// The toolbar's checks on the selected camera and the hint each refusal shows, and the stacked
// buttons following a selected camera.
#include <gtest/gtest.h>

#include "RecordingNotifier.h"
#include "app/MainControls.h"
#include "app/ToolbarFlow.h"
#include "live/CCamera.h"
#include "platform/FixedText.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel {
namespace {

class ToolbarChecks : public ::testing::Test {
  protected:
    ToolbarChecks() {
        InitGlobalSettings(g);
        record.ImagePath = "/tmp/pictures/";
        record.VideoPath = "/tmp/videos/";
        DeviceFields fields;
        fields.sid = "NB1";
        fields.type = "c1";
        fields.status = 1;
        camera.Assign(fields);
    }
    ~ToolbarChecks() override { camera.Shutdown(); }

    ToolbarHint Check(int id, bool selected = true) {
        return CheckToolbarAction(id, selected ? &camera : nullptr, record);
    }

    GlobalSettings g;
    AppRecord record;
    test::RecordingNotifier notifier;
    CCanvas canvas;
    CanvasPaneHost panes{canvas};
// The live context's time limits keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
    LiveContext live{g, record, notifier, panes};
#pragma GCC diagnostic pop
    CCamera camera{live};
};

TEST_F(ToolbarChecks, WithoutASelectionEveryActionSaysWhatToSelect) {
    using K = ToolbarHint::Kind;
    const struct {
        int id;
        K kind;
        const char* text;
    } cases[] = {
        {kBtnSnapshot, K::Tip, "Пожалуйста, выберите окно воспроизведения видео"},
        {kBtnStop, K::Message, "Пожалуйста, выберите закрыл видео"},
        {kBtnAudioOn, K::Tip, "Пожалуйста, выберите окно для беседы"},
        {kBtnTalkOn, K::Tip, "Пожалуйста, выберите окно для беседы"},
        {kBtnRecordOn, K::Tip, "Пожалуйста, выберите устройство, чтобы открыть видео"},
        {kBtnBitRateLow, K::Tip, "Пожалуйста, выберите устройство"},
        {kBtnBitRateHigh, K::Tip, "Пожалуйста, выберите устройство"},
        {kBtnRotate, K::Tip, "Пожалуйста, выберите устройство"},
        {kBtnAlarm, K::Tip, "Пожалуйста, выберите устройство"},
    };
    for (const auto& c : cases) {
        const ToolbarHint hint = Check(c.id, false);
        EXPECT_EQ(hint.kind, c.kind) << c.id;
        EXPECT_EQ(hint.text, c.text) << c.id;
        if (c.kind == K::Tip) {
            EXPECT_EQ(hint.durationMs, 1300) << c.id;
        }
    }
    EXPECT_EQ(Check(kBtnStop, false).icon, UserNotifier::Icon::Information);
    // Paging, layout and the stacked "off" buttons need no selection.
    for (const int id :
         {kBtnLayout, kBtnPrevPage, kBtnNextPage, kBtnAudioOff, kBtnTalkOff, kBtnRecordOff})
        EXPECT_FALSE(Check(id, false).Refused()) << id;
}

TEST_F(ToolbarChecks, AMissingFolderIsToldBeforeTheSelection) {
    record.ImagePath.clear();
    record.VideoPath.clear();
    const ToolbarHint snapshot = Check(kBtnSnapshot, false);
    EXPECT_EQ(snapshot.text, "Выберите папку, куда сохранить скриншот");
    EXPECT_EQ(snapshot.durationMs, 2000);
    const ToolbarHint recording = Check(kBtnRecordOn, true);
    EXPECT_EQ(recording.text, "Пожалуйста, выберите папку для сохранения видеофайлов");
    EXPECT_EQ(recording.durationMs, 2000);
}

TEST_F(ToolbarChecks, TalkIsRefusedByTheZSeries) {
    EXPECT_FALSE(Check(kBtnTalkOn).Refused());
    SetText(camera.type, "z1");
    const ToolbarHint hint = Check(kBtnTalkOn);
    EXPECT_EQ(hint.kind, ToolbarHint::Kind::Message);
    EXPECT_EQ(hint.text, "Z系列不支持该功能");
    // Listening is not limited by the series.
    EXPECT_FALSE(Check(kBtnAudioOn).Refused());
}

TEST_F(ToolbarChecks, TheBitRateNeedsAnOnlineDeviceThatPlays) {
    EXPECT_EQ(Check(kBtnBitRateStandard).text, "Устройство не работает");
    camera.m_nStatus = kStatusPlaying;
    EXPECT_FALSE(Check(kBtnBitRateStandard).Refused());
    camera.status = 0;
    EXPECT_EQ(Check(kBtnBitRateStandard).text, "Устройство не работает");
}

TEST_F(ToolbarChecks, TheAlarmNeedsADeviceThatHasOne) {
    EXPECT_EQ(Check(kBtnAlarm).text, "Данное устройство не поддерживает функцию “Сигнал тревоги”");
    camera.showAlarm = 1;
    EXPECT_FALSE(Check(kBtnAlarm).Refused());
}

TEST_F(ToolbarChecks, AHintReachesTheNotifierAsATipOrAMessage) {
    Check(kBtnRotate, false).ShowIn(notifier);
    Check(kBtnStop, false).ShowIn(notifier);
    Check(kBtnRotate, true).ShowIn(notifier);  // passes: nothing shown
    const auto shown = notifier.Messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Пожалуйста, выберите устройство");
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_EQ(shown[1].caption, "подсказки");
}

TEST(ToolbarStacks, FollowTheSelectedCamera) {
    ToolbarFlow flow;
    flow.Reset();
    for (const int id : {kBtnAudioOn, kBtnTalkOn, kBtnRecordOn, kBtnBitRateLow})
        EXPECT_TRUE(flow.IsVisible(id)) << id;
    for (const int id :
         {kBtnAudioOff, kBtnTalkOff, kBtnRecordOff, kBtnBitRateStandard, kBtnBitRateHigh})
        EXPECT_FALSE(flow.IsVisible(id)) << id;

    flow.FollowCamera({"c1", true, false, true, 480000});
    EXPECT_EQ(flow.Audio(), kBtnAudioOff);
    EXPECT_EQ(flow.Talk(), kBtnTalkOn);
    EXPECT_EQ(flow.Record(), kBtnRecordOff);
    EXPECT_EQ(flow.BitRate(), kBtnBitRateStandard);
    EXPECT_FALSE(flow.FixedAudioTalkPictures());

    // A rate outside the three choices leaves the rate button as it was.
    flow.FollowCamera({"c1", false, true, false, 777});
    EXPECT_EQ(flow.BitRate(), kBtnBitRateStandard);
    EXPECT_EQ(flow.Talk(), kBtnTalkOff);
    flow.FollowCamera({"c1", false, false, false, 1200000});
    EXPECT_EQ(flow.BitRate(), kBtnBitRateHigh);

    // The z2 devices show the "off" buttons with one picture, whatever they do.
    flow.FollowCamera({"z2x", false, false, false, 88000});
    EXPECT_EQ(flow.Audio(), kBtnAudioOff);
    EXPECT_EQ(flow.Talk(), kBtnTalkOff);
    EXPECT_TRUE(flow.FixedAudioTalkPictures());
    EXPECT_EQ(flow.BitRate(), kBtnBitRateLow);

    flow.Reset();
    EXPECT_EQ(flow.Audio(), kBtnAudioOn);
    EXPECT_FALSE(flow.FixedAudioTalkPictures());
}

TEST(ToolbarStacks, BitRatesMapToTheirButtonsAndMenuCommands) {
    EXPECT_EQ(ToolbarFlow::BitRateButton(88000), kBtnBitRateLow);
    EXPECT_EQ(ToolbarFlow::BitRateButton(480000), kBtnBitRateStandard);
    EXPECT_EQ(ToolbarFlow::BitRateButton(1200000), kBtnBitRateHigh);
    EXPECT_EQ(ToolbarFlow::BitRateButton(-1), 0);
    EXPECT_EQ(ToolbarFlow::BitRateOfCommand(kCmdBitRateLow), 88000);
    EXPECT_EQ(ToolbarFlow::BitRateOfCommand(kCmdBitRateStandard), 480000);
    EXPECT_EQ(ToolbarFlow::BitRateOfCommand(kCmdBitRateHigh), 1200000);
    EXPECT_EQ(ToolbarFlow::BitRateOfCommand(kBtnBitRateHigh), 0);
    ToolbarFlow flow;
    EXPECT_TRUE(flow.Show(kBtnBitRateHigh));
    EXPECT_TRUE(flow.IsVisible(kBtnBitRateHigh));
    EXPECT_FALSE(flow.IsVisible(kBtnBitRateLow));
    EXPECT_FALSE(flow.Show(kBtnRotate));
}

}  // namespace
}  // namespace nimbrel
