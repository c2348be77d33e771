// The playback window on the offscreen platform: its geometry for a client area, the pause and
// resume buttons swapping in one place, maximise and restore, Escape closing and Enter not, the
// transport buttons' tips; and against the simulator the lists filled from the card's index, the
// title turning into the device name and the lower lists refilled when a higher one is picked,
// an hour played with its transport, its sound heard through the output the program chose, and
// the span played saved to a file (finished, cancelled, or ended by closing the window).
// NIMBREL_SCREENSHOT=FILE.png keeps a picture of the window while it saves (under Xvfb with
// QT_QPA_PLATFORM=xcb, as a user sees it).
#include <gtest/gtest.h>

#include <unistd.h>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <filesystem>

#include "ClientSession.h"
#include "Mp4Probe.h"
#include "SimProcess.h"
#include "ToneMeter.h"
#include "platform/RequestWorker.h"
#include "platform/audio/WavFile.h"
#include "playback/PlaybackLayout.h"
#include "playback/PlaybackTexts.h"
#include "playback/ui/CPlayback.h"
#include "playback/ui/CPlaybkCanvas.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"
#include "widgets/BitmapButton.h"
#include "widgets/FlatButton.h"

namespace nimbrel {
namespace {

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

class PlaybackWindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<CPlayback> Window(const std::string& sid = "PB0000000001",
                                      const std::string& name = "Прихожая",
                                      bool withStream = false) {
        return std::make_unique<CPlayback>(
            std::make_unique<PlaybackFlow>(client.g, client.app, client.notifier, sid, name),
            withStream ? std::make_unique<PlaybackStream>(live, sid) : nullptr);
    }
    // Request workers left running (an abandoned index request) end before the process does.
    void TearDown() override {
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
    }

    test::ClientSession client;
    CCanvas canvas;
    CanvasPaneHost host{canvas};
    LiveContext live{client.g, client.app, client.notifier, host};
};

TEST_F(PlaybackWindowTest, ItsPartsStandWhereTheLayoutPutsThemForTheClientSize) {
    auto w = Window();
    w->Flow().Close();  // no index request: nothing here needs the service
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->resize(1000, 520);
    QTRY_COMPARE(w->size(), QSize(1000, 520));
    EXPECT_EQ(w->Canvas()->geometry(), QRect(10, 55, 657, 370));
    // The save buttons share the transport row, inside the video's width.
    EXPECT_EQ(w->SaveButton()->geometry().right(), 10 + 657 - 1);
    EXPECT_EQ(w->SaveCancelButton()->geometry().left(), 10);
    EXPECT_GT(w->SaveButton()->geometry().left(), w->ForwardButton()->geometry().right());
    EXPECT_LT(w->SaveCancelButton()->geometry().right(), w->RewindButton()->geometry().left());
    EXPECT_EQ(w->List(0)->geometry(), QRect(720, 80, 60, 340));
    EXPECT_EQ(w->List(3)->geometry(), QRect(930, 80, 60, 340));
    EXPECT_EQ(w->StartButton()->geometry(), QRect(750, 445, 160, 40));
    EXPECT_EQ(w->Slider()->geometry(), QRect(60, 450, 584, 30));
    EXPECT_EQ(w->PauseButton()->geometry(), w->ResumeButton()->geometry());
    const QRect pause = w->PauseButton()->geometry();
    EXPECT_EQ(pause.x() + pause.width() / 2, 10 + 657 / 2);
    EXPECT_EQ(w->MaximiseButton()->geometry(), w->RestoreButton()->geometry());
    EXPECT_EQ(w->TitleText().toStdString(), playback_text::kLoadingTitle);
    EXPECT_EQ(w->CurrentTimeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(w->EndTimeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(w->Canvas()->PlayState(), CPlaybkCanvas::kIdle);

    // At the smallest size the save buttons still hold their texts (with the button's rounded
    // edge, as the window walk measures them).
    w->resize(PlaybackLayout::kMinimumWidth, PlaybackLayout::kMinimumHeight);
    QTRY_COMPARE(w->size(), QSize(PlaybackLayout::kMinimumWidth, PlaybackLayout::kMinimumHeight));
    const auto fits = [](FlatButton* button, const QString& text) {
        return button->fontMetrics().horizontalAdvance(text) + 8 <= button->width();
    };
    EXPECT_TRUE(fits(w->SaveButton(), QStringLiteral("Сохранить")));
    EXPECT_TRUE(fits(w->SaveButton(), QStringLiteral("Готово")));
    EXPECT_TRUE(fits(w->SaveCancelButton(), QStringLiteral("Отмена")));

    EXPECT_EQ(w->RewindButton()->toolTip().toStdString(), playback_text::kTipRewind);
    EXPECT_EQ(w->PauseButton()->toolTip().toStdString(), playback_text::kTipPause);
    EXPECT_EQ(w->ForwardButton()->toolTip().toStdString(), playback_text::kTipForward);
    EXPECT_EQ(w->ResumeButton()->toolTip().toStdString(), playback_text::kTipResume);
}

TEST_F(PlaybackWindowTest, PauseAndResumeSwapAndTakeTheFocusMaximiseAndRestoreSwap) {
    auto w = Window();
    w->Flow().Close();  // no index request: nothing here needs the service
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_TRUE(w->PauseButton()->isVisible());
    EXPECT_FALSE(w->ResumeButton()->isVisible());
    w->PauseButton()->click();
    EXPECT_FALSE(w->PauseButton()->isVisible());
    EXPECT_TRUE(w->ResumeButton()->isVisible());
    EXPECT_TRUE(w->ResumeButton()->hasFocus());
    w->ResumeButton()->click();
    EXPECT_TRUE(w->PauseButton()->isVisible());
    EXPECT_FALSE(w->ResumeButton()->isVisible());
    EXPECT_TRUE(w->PauseButton()->hasFocus());

    w->MaximiseButton()->click();
    EXPECT_FALSE(w->MaximiseButton()->isVisible());
    EXPECT_TRUE(w->RestoreButton()->isVisible());
    w->RestoreButton()->click();
    EXPECT_TRUE(w->MaximiseButton()->isVisible());
    EXPECT_FALSE(w->RestoreButton()->isVisible());
}

TEST_F(PlaybackWindowTest, EnterDoesNothingEscapeCloses) {
    auto w = Window();
    w->Flow().Close();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->StartButton()->setFocus();
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(client.notifier.Messages().empty());  // the start button was not pressed
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
}

TEST_F(PlaybackWindowTest, TheCardsIndexFillsTheListsAndPicksRefillTheLowerOnes) {
    test::SimProcess sim("playback.json");
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    auto w = Window();
    w->show();
    QTRY_COMPARE_WITH_TIMEOUT(w->List(0)->count(), 2, 30000);
    EXPECT_EQ(w->TitleText(), QStringLiteral("Прихожая"));
    EXPECT_EQ(Texts(w->List(1)), QStringList{"12"});
    EXPECT_EQ(Texts(w->List(2)), QStringList{"31"});
    EXPECT_EQ(Texts(w->List(3)), QStringList{"23"});
    EXPECT_EQ(w->List(3)->currentRow(), 0);

    w->List(0)->setCurrentRow(1);
    EXPECT_EQ(Texts(w->List(1)), (QStringList{"01", "03"}));
    EXPECT_EQ(Texts(w->List(3)), (QStringList{"00", "01"}));
    w->List(1)->setCurrentRow(1);
    EXPECT_EQ(Texts(w->List(2)), (QStringList{"15", "16"}));
    EXPECT_EQ(Texts(w->List(3)), (QStringList{"08", "09", "21"}));
    w->List(3)->setCurrentRow(2);
    EXPECT_EQ(w->Flow().CheckStart(), "20140315-21");

    w->List(2)->setCurrentRow(1);  // a day without hours
    EXPECT_EQ(w->List(3)->count(), 0);
    w->StartButton()->click();
    ASSERT_FALSE(client.notifier.Messages().empty());
    EXPECT_EQ(client.notifier.Messages().back().text, playback_text::kChooseHour);
}

TEST_F(PlaybackWindowTest, ACardlessCameraKeepsTheLoadingTitleAndEmptyLists) {
    test::SimProcess sim("playback.json");
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    auto w = Window("PB0000000002", "Без карты");
    w->show();
    ASSERT_TRUE(w->Flow().WaitIndex(std::chrono::seconds(30)));
    QCoreApplication::processEvents();
    EXPECT_EQ(w->TitleText().toStdString(), playback_text::kLoadingTitle);
    EXPECT_EQ(w->List(0)->count(), 0);
    w->StartButton()->click();
    ASSERT_EQ(client.notifier.Messages().size(), 2u);
    EXPECT_EQ(client.notifier.Messages()[0].text, playback_text::kNoCard);
    EXPECT_EQ(client.notifier.Messages()[1].text, playback_text::kChooseYear);
}

TEST_F(PlaybackWindowTest, AnHourPlaysWithItsTimelineTransportAndAClosingThatStopsIt) {
    test::SimProcess sim("playback.json");
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    auto w = Window("PB0000000001", "Прихожая", true);
    w->show();
    QTRY_COMPARE_WITH_TIMEOUT(w->List(0)->count(), 2, 30000);
    w->List(0)->setCurrentRow(1);
    w->List(1)->setCurrentRow(1);  // March: the 15th, 08:00
    // Nothing plays yet: play is offered but does nothing.
    QTest::qWait(300);
    EXPECT_TRUE(w->ResumeButton()->isVisible());
    EXPECT_FALSE(w->ResumeButton()->isEnabled());
    w->StartButton()->click();
    EXPECT_EQ(w->Canvas()->PlayState(), CPlaybkCanvas::kStarting);
    QTRY_COMPARE_WITH_TIMEOUT(w->Canvas()->PlayState(), int(CPlaybkCanvas::kPlaying), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(w->Slider()->maximum(), 3600, 5000);
    EXPECT_EQ(w->EndTimeText(), QStringLiteral("09:00:00"));
    QTRY_VERIFY_WITH_TIMEOUT(w->Slider()->value() >= 1, 10000);
    EXPECT_TRUE(w->CurrentTimeText().startsWith(QStringLiteral("08:00:0")));

    // The transport shows the stream's state: pause while it plays, play while it is paused.
    EXPECT_TRUE(w->PauseButton()->isVisible());
    EXPECT_TRUE(w->PauseButton()->isEnabled());
    w->PauseButton()->click();
    QTest::qWait(300);  // the window follows the stream meanwhile
    EXPECT_TRUE(w->ResumeButton()->isVisible());
    w->ResumeButton()->click();
    QTest::qWait(300);
    EXPECT_TRUE(w->PauseButton()->isVisible());
    const int before = w->Slider()->value();
    w->ForwardButton()->click();
    EXPECT_EQ(w->Slider()->value(), before + 10);
    EXPECT_EQ(w->Stream()->Position(), before + 10);
    // The time text moves at once, and stays there while the stream catches up.
    const QString jumped = w->CurrentTimeText();
    EXPECT_EQ(jumped.toStdString(), w->Stream()->Timeline()->TimeAt(before + 10));
    QTest::qWait(300);
    EXPECT_GE(w->CurrentTimeText(), jumped);
    w->RewindButton()->click();
    EXPECT_EQ(w->Slider()->value(), w->Stream()->Position());
    EXPECT_LE(w->Slider()->value(), before + 2);

    // A click on the timeline beside the thumb jumps there.
    QSlider* slider = w->Slider();
    const QPoint threeQuarters(slider->width() * 3 / 4, slider->height() / 2);
    QTest::mouseClick(slider, Qt::LeftButton, {}, threeQuarters);
    EXPECT_NEAR(slider->value(), 2700, 120);
    EXPECT_EQ(w->Stream()->Position(), slider->value());
    EXPECT_EQ(w->CurrentTimeText().toStdString(), w->Stream()->Timeline()->TimeAt(slider->value()));

    // The camera heard pause, play and a jump.
    const auto heard = [&] {
        int pauses = 0, plays = 0, jumps = 0;
        for (const auto& l : sim.RequestLog()) {
            const Json::Value& cmd = l["message"]["cmd"];
            pauses += cmd == "playback-pause";
            plays += cmd == "playback-play";
            jumps += cmd == "jump";
        }
        return pauses == 1 && plays == 1 && jumps >= 1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(heard(), 10000);

    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->Stream()->State(), PlaybackStream::kIdle);
}

TEST_F(PlaybackWindowTest, TheSpanPlayedIsSavedAsItPlaysACancelLeavesNothingAndClosingKeepsIt) {
    test::SimProcess sim("playback.json");
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("nimbrel-pbsave-" + std::to_string(getpid()));
    fs::remove_all(dir);
    std::vector<QString> offered;
    std::vector<QString> chosen = {QString::fromStdString((dir / "closed.mp4").string()),
                                   QString::fromStdString((dir / "cancelled.mp4").string()),
                                   QString::fromStdString((dir / "span.mp4").string())};
    auto w = Window("PB0000000001", "Прихожая", true);
    w->SetSaving(QString::fromStdString(dir.string()), [&](QWidget*, const QString& suggested) {
        offered.push_back(suggested);
        const QString file = chosen.back();
        chosen.pop_back();
        return file;
    });
    w->show();
    EXPECT_FALSE(w->SaveButton()->isEnabled());  // nothing plays yet
    EXPECT_FALSE(w->SaveCancelButton()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(w->List(0)->count(), 2, 30000);
    w->List(0)->setCurrentRow(1);
    w->List(1)->setCurrentRow(1);  // March: the 15th, 08:00
    w->StartButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->SaveButton()->isEnabled(), 30000);
    ASSERT_TRUE(w->SaveButton()->isEnabled());

    // Saved until the user says it is done: the frames the saver took, in a file ffprobe reads.
    w->SaveButton()->click();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_TRUE(offered[0].startsWith(QString::fromStdString((dir / "PB0000000001-2014-03-15-08-").string())))
        << offered[0].toStdString();
    EXPECT_TRUE(w->SaveCancelButton()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w->Saver().Frames() >= 40, 30000);
    ASSERT_GE(w->Saver().Frames(), 40u);
    QTRY_VERIFY_WITH_TIMEOUT(w->SaveStatus().startsWith(QStringLiteral("Сохранение: ")), 5000);
    EXPECT_TRUE(w->SaveStatus().startsWith(QStringLiteral("Сохранение: ")));
    if (const char* shot = std::getenv("NIMBREL_SCREENSHOT")) w->grab().save(shot);
    w->SaveButton()->click();
    const fs::path span = dir / "span.mp4";
    EXPECT_EQ(w->SaveStatus(), QStringLiteral("Сохранено: ") + QString::fromStdString(span.string()));
    EXPECT_FALSE(w->SaveCancelButton()->isVisible());
    const test::Mp4Facts facts = test::ProbeMp4(span);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.frames, static_cast<long>(w->Saver().Frames()));
    EXPECT_TRUE(facts.keyFrames.at(0));
    EXPECT_FALSE(fs::exists(span.string() + ".part"));

    // A cancel removes what was saved.
    w->SaveButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->Saver().Frames() >= 5, 30000);
    EXPECT_TRUE(fs::exists(dir / "cancelled.mp4.part"));
    w->SaveCancelButton()->click();
    EXPECT_EQ(w->SaveStatus(), QStringLiteral("Сохранение отменено"));
    EXPECT_FALSE(fs::exists(dir / "cancelled.mp4"));
    EXPECT_FALSE(fs::exists(dir / "cancelled.mp4.part"));

    // Closing the window ends the save and keeps its file.
    w->SaveButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->Saver().Frames() >= 5, 30000);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_GE(test::ProbeMp4(dir / "closed.mp4").frames, 5);
    fs::remove_all(dir);
}

TEST_F(PlaybackWindowTest, TheHoursSoundPlaysThroughTheChosenOutput) {
    test::SimProcess sim("playback.json");
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    const auto wav = std::filesystem::temp_directory_path() /
                     ("nimbrel-pbwindow-" + std::to_string(getpid()) + ".wav");
    live.audio.SetOutput({AudioBackend::Kind::Wav, wav.string()});
    auto w = Window("PB0000000014", "Запись со звуком", true);
    w->show();
    QTRY_COMPARE_WITH_TIMEOUT(w->List(3)->count(), 1, 30000);  // the card's one hour, picked
    w->StartButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->Stream()->Sound().Counters().framesPlayed >= 24, 30000);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->Stream()->Sound().Running());

    const auto data = ReadWav(wav.string(), &why);
    std::filesystem::remove(wav);
    ASSERT_TRUE(data) << why;
    const std::size_t frames = data->samples.size() / 2;
    ASSERT_GE(frames, 16u * 1024);
    EXPECT_NEAR(test::DominantHz(test::Channel(data->samples, 2, 0, frames), 16000), 750, 15);
}

}  // namespace
}  // namespace nimbrel
