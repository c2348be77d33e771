// The main window's keyboard: where Ctrl+arrows move the wall's selection, the layouts, pages,
// maximising and full screen by key, and the help window that lists them.
#include <QKeyEvent>
#include <QTest>

#include "AppFixture.h"
#include "app/MainControls.h"
#include "app/Shortcuts.h"
#include "app/ShortcutsDialog.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

TEST(StepSelection, MovesToTheNeighbourInLineAndStopsAtTheEdge) {
    // 2 × 2: 0 1 / 2 3.
    const std::vector<PaneRect> grid{
        {0, 0, 400, 300}, {400, 0, 400, 300}, {0, 300, 400, 300}, {400, 300, 400, 300}};
    EXPECT_EQ(StepSelection(grid, 0, StepDirection::Right), 1u);
    EXPECT_EQ(StepSelection(grid, 0, StepDirection::Down), 2u);
    EXPECT_EQ(StepSelection(grid, 3, StepDirection::Left), 2u);
    EXPECT_EQ(StepSelection(grid, 3, StepDirection::Up), 1u);
    EXPECT_EQ(StepSelection(grid, 0, StepDirection::Left), std::nullopt);
    EXPECT_EQ(StepSelection(grid, 0, StepDirection::Up), std::nullopt);
    EXPECT_EQ(StepSelection(grid, 7, StepDirection::Up), std::nullopt);
    // One big cell and small ones beside and below it: from the big one rightwards the small
    // cell level with its top-right... any right cell; downwards the cell below its left edge.
    const std::vector<PaneRect> featured{{0, 0, 600, 600},     {600, 0, 300, 300},
                                         {600, 300, 300, 300}, {0, 600, 300, 300},
                                         {300, 600, 300, 300}, {600, 600, 300, 300}};
    EXPECT_EQ(StepSelection(featured, 2, StepDirection::Left), 0u);
    EXPECT_EQ(StepSelection(featured, 3, StepDirection::Right), 4u);
    EXPECT_EQ(StepSelection(featured, 4, StepDirection::Up), 0u);
    EXPECT_EQ(StepSelection(featured, 1, StepDirection::Down), 2u);
}

class ShortcutsTest : public test::AppFixture {
  protected:
    void SetUp() override {
        test::AppFixture::SetUp();
        for (int i = 0; i < 5; ++i) cameras.push_back(AddDevice("NB" + std::to_string(i)));
        Window().resize(1500, 809);
        Window().show();
        for (CCamera* camera : cameras) ASSERT_TRUE(Session().Canvas().AcquirePane(*camera));
    }
    void TearDown() override {
        for (CCamera* camera : cameras) Session().Canvas().ReleasePane(*camera);
        test::AppFixture::TearDown();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(Window().CanvasView()->Pane(0), static_cast<Qt::Key>(key), mods);
    }
    PaneOwner* Selected() { return Session().Canvas().SelectedCamera(); }

    std::vector<CCamera*> cameras;
};

TEST_F(ShortcutsTest, CtrlArrowsWalkTheSelectionOverThePanesWithCameras) {
    Key(Qt::Key_Right, Qt::ControlModifier);  // nothing selected: the first pane takes it
    EXPECT_EQ(Selected(), cameras[0]);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Selected(), cameras[1]);
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Selected(), cameras[3]);
    Key(Qt::Key_Down, Qt::ControlModifier);  // the edge: it stays
    EXPECT_EQ(Selected(), cameras[3]);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Selected(), cameras[2]);
    // Plain arrows stay the pan/tilt keys: they do not move the selection.
    Key(Qt::Key_Up);
    EXPECT_EQ(Selected(), cameras[2]);
}

TEST_F(ShortcutsTest, LayoutsPagesAndMaximiseByKey) {
    CCanvas& canvas = Session().Canvas();
    Key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(canvas.Layout().cols, 3);
    Key(Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(canvas.Layout().mode, SplitLayout::kFeatured);
    Key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(canvas.Layout().cols, 2);
    EXPECT_EQ(canvas.Layout().mode, SplitLayout::kGrid);

    Key(Qt::Key_PageDown);
    EXPECT_EQ(canvas.CurrentPage(), 1);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(canvas.CurrentPage(), 0);

    Key(Qt::Key_Right, Qt::ControlModifier);
    Key(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_EQ(Selected(), cameras[1]);
    const int pane = *canvas.PaneAt(cameras[1]->m_nPage, cameras[1]->m_nSlot);
    Key(Qt::Key_Return);
    EXPECT_TRUE(canvas.Pane(pane)->maximised);
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(canvas.Pane(pane)->maximised);
}

TEST_F(ShortcutsTest, F11ShowsTheWallAloneAndEscapeLeaves) {
    CNimbrelDlg& window = Window();
    const QRect wall = window.CanvasView()->geometry();
    Key(Qt::Key_F11);
    EXPECT_TRUE(window.FullScreen());
    EXPECT_EQ(window.CanvasView()->geometry(), window.rect());
    EXPECT_FALSE(window.Tree()->isVisible());
    EXPECT_FALSE(window.PageLabel()->isVisible());
    for (const int id : {kBtnClose, kBtnMenu, kBtnStop, kBtnLayout})
        EXPECT_FALSE(window.Button(id)->isVisible()) << id;
    Key(Qt::Key_Escape);
    EXPECT_FALSE(window.FullScreen());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.CanvasView()->geometry(), wall);
    EXPECT_TRUE(window.Tree()->isVisible());
    EXPECT_TRUE(window.Button(kBtnClose)->isVisible());
    EXPECT_TRUE(window.Button(kBtnLayout)->isVisible());
    EXPECT_FALSE(window.Button(kBtnRestore)->isVisible());
}

TEST_F(ShortcutsTest, F1OpensTheHelpThatListsEveryShortcut) {
    bool opened = false;
    test::OnModal<ShortcutsDialog>([&](ShortcutsDialog* help) {
        opened = true;
        QStringList texts;
        for (const QLabel* label : help->findChildren<QLabel*>()) texts << label->text();
        for (const ShortcutHelp& shortcut : kShortcutHelp)
            EXPECT_TRUE(texts.contains(QString::fromUtf8(shortcut.keys))) << shortcut.keys;
        test::Shot(help, "shortcuts");
        help->reject();
    });
    Key(Qt::Key_F1);
    EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace nimbrel
