// The wall's tour in the main window: T and the tour button start and stop it, Space holds it,
// the countdown beside the page indicator follows, a group's tour from the tree gathers the
// group's cameras, and the tour file brings a running tour back in the next window (or
// `--tour` starts it).
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include "AppFixture.h"
#include "app/StartupOptions.h"
#include "app/TourControl.h"
#include "wall/StoredTour.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

class TourWindowTest : public test::AppFixture {
  protected:
    void SetUp() override {
        test::AppFixture::SetUp();
        for (int i = 0; i < 6; ++i) cameras.push_back(AddDevice("NB" + std::to_string(i)));
        for (CCamera* camera : cameras) ASSERT_TRUE(Session().Canvas().AcquirePane(*camera));
    }
    void TearDown() override {
        for (CCamera* camera : cameras) Session().Canvas().ReleasePane(*camera);
        test::AppFixture::TearDown();
    }
    CNimbrelDlg& Shown(CNimbrelDlg::Options options = {}) {
        options.startAllInit = false;
        options.trayIcon = false;
        window = std::make_unique<CNimbrelDlg>(Session(), WindowPlacement{}, options);
        window->Start();
        window->resize(1500, 809);
        return *window;
    }
    void Key(int key) {
        QTest::keyClick(window->CanvasView()->Pane(0), static_cast<Qt::Key>(key));
    }
    WallTour::Settings Stored() const {
        return ReadStoredTour(TourFileFor(record.m_ConfigPath), 0);
    }

    std::vector<CCamera*> cameras;
};

TEST_F(TourWindowTest, TStartsAndStopsTheTourAndSpaceHoldsIt) {
    CNimbrelDlg& w = Shown();
    EXPECT_FALSE(w.Tour()->Running());
    EXPECT_FALSE(w.TourLabel()->isVisible());
    Key(Qt::Key_Space);
    EXPECT_FALSE(w.Tour()->Running()) << "Space without a tour is the focused control's";

    Key(Qt::Key_T);
    ASSERT_TRUE(w.Tour()->Running());
    EXPECT_TRUE(w.TourLabel()->isVisible());
    EXPECT_EQ(w.TourLabel()->text(), QStringLiteral("10 с"));
    EXPECT_EQ(w.TourButton()->toolTip(), QStringLiteral("Остановить обход (T)"));
    EXPECT_TRUE(Stored().running) << "the tour file keeps it at once";

    Key(Qt::Key_Space);
    EXPECT_TRUE(w.Tour()->Paused());
    EXPECT_EQ(w.TourLabel()->text(), QStringLiteral("пауза"));
    Key(Qt::Key_Space);
    EXPECT_FALSE(w.Tour()->Paused());
    // A maximised pane holds the tour as well.
    ASSERT_TRUE(Session().Canvas().ToggleMaximise(*Session().Canvas().PaneAt(0, 0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.TourLabel()->text() == "пауза"; }, 2000));
    ASSERT_TRUE(Session().Canvas().ToggleMaximise(*Session().Canvas().PaneAt(0, 0)));

    w.TourButton()->click();
    EXPECT_FALSE(w.Tour()->Running());
    EXPECT_FALSE(w.TourLabel()->isVisible());
    EXPECT_FALSE(Stored().running);
}

TEST_F(TourWindowTest, ARunningTourComesBackInTheNextWindowAndTourStartsOneAtOnce) {
    ASSERT_TRUE(WriteStoredTour(TourFileFor(record.m_ConfigPath), 0, {5, std::nullopt, true}));
    CNimbrelDlg& w = Shown();
    ASSERT_TRUE(w.Tour()->Running());
    EXPECT_EQ(w.Tour()->Tour().Current().intervalSeconds, 5);
    // Five seconds later the second page is shown.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Session().Canvas().CurrentPage() == 1; }, 8000));
    EXPECT_EQ(w.PageLabel()->text(), QStringLiteral("2 / 2"));

    ASSERT_TRUE(WriteStoredTour(TourFileFor(record.m_ConfigPath), 0, {20, std::nullopt, false}));
    EXPECT_FALSE(Shown().Tour()->Running());
    CNimbrelDlg::Options kiosk;
    kiosk.startTour = true;
    EXPECT_TRUE(Shown(kiosk).Tour()->Running());
    EXPECT_EQ(Stored(), (WallTour::Settings{20, std::nullopt, true}));

    int exitCode = -1;
    const auto parsed = StartupOptions::Parse({"nimbrel", "--tour"}, exitCode);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->tour);
    EXPECT_FALSE(StartupOptions::Parse({"nimbrel"}, exitCode)->tour);
}

TEST_F(TourWindowTest, AGroupsTourGathersItsCamerasOntoTheFirstPages) {
    DeviceTreeModel& tree = Session().Tree();
    ASSERT_TRUE(tree.Fill());
    const auto gid = tree.AddGroup();
    ASSERT_TRUE(gid);
    for (const int i : {5, 3}) ASSERT_TRUE(tree.MoveDevice(i, *gid));
    CNimbrelDlg& w = Shown();
    w.TourGroup(*gid);
    ASSERT_TRUE(w.Tour()->Running());
    EXPECT_EQ(cameras[5]->m_nPage, 0);
    EXPECT_EQ(cameras[3]->m_nPage, 0);
    EXPECT_EQ(cameras[0]->m_nPage, 1) << "the others begin on the page after the group's";
    EXPECT_EQ(w.Tour()->Tour().Pages(), std::vector<int>{0});
    EXPECT_EQ(Stored().group, gid);
}

}  // namespace
}  // namespace nimbrel
