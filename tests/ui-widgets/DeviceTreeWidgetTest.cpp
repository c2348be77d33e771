// The device tree's view: which row a click hits, the header counts, the colours it paints,
// hover pacing, dragging a device onto a group, scrolling, repaints requested off-thread, and
// the play marks of devices whose view runs.
#include <thread>

#include <QBuffer>
#include <QWheelEvent>

#include "LocalHttpServer.h"
#include "TreeFixture.h"
#include "platform/FixedText.h"

#include <QPainter>

#include "devices/ui/DeviceTreePainter.h"

namespace nimbrel {
namespace {

TEST_F(TreeWidgetTest, ClicksHitRowsInDisplayOrderOnlineFirst) {
    AddDevice("A", 0);
    AddDevice("B", 1);
    AddDevice("C", 0);
    AddDevice("D", 1);
    Build();

    // Online B and D come first, then A and C, whatever their list order.
    const std::vector<int> expected{1, 3, 0, 2};
    for (int n = 0; n < 4; ++n) {
        Click(View(), {150, DeviceTop(n) + 40});
        ASSERT_TRUE(tree->SelectedItem());
        EXPECT_EQ(*tree->SelectedItem(), TreeItemRef::Device(expected[n])) << n;
        EXPECT_EQ(tree->CurrentDevice(), expected[n]);
    }
    EXPECT_EQ(actions.current, expected);

    // A row's bottom edge still belongs to it: y = 22 is the header.
    Click(View(), {150, 22});
    EXPECT_EQ(*tree->SelectedItem(), TreeItemRef::Group(0));
    // That click closed the group: only the header is left, and below it nothing is hit.
    EXPECT_FALSE(model->Groups()[0].expanded);
    Click(View(), {150, 100});
    EXPECT_EQ(*tree->SelectedItem(), TreeItemRef::Group(0));
    EXPECT_EQ(tree->CurrentDevice(), 2);
}

TEST_F(TreeWidgetTest, HeaderShowsOnlineAndTotalCounts) {
    for (int i = 0; i < 5; ++i) AddDevice("S" + std::to_string(i), i == 1 || i == 4 ? 1 : 0);
    Build();
    EXPECT_EQ(tree->HeaderText(0), QStringLiteral("Выбрать вручную  [2/5]"));
    EXPECT_TRUE(tree->HeaderText(1).isEmpty());
}

TEST_F(TreeWidgetTest, PaintsBackgroundSelectionHoverAndStateColours) {
    const int online = AddDevice("ON", 1);
    const int offline = AddDevice("OFF", 0);
    Build();
    Click(View(), {150, DeviceTop(0) + 40});  // selects the online device (first row)
    tree->HighlightDevice(list.At(offline));  // the second row becomes the hot row
    const QImage shot = Shot();

    EXPECT_EQ(Pixel(shot, 150, 500), tree_colours::kBackground);
    EXPECT_EQ(Pixel(shot, 295, DeviceTop(0) + 40), tree_colours::kDeviceSelected);
    // The hot row: a gradient from white at its top to RGB(230,230,255) at its bottom.
    const QColor top = Pixel(shot, 295, DeviceTop(1));
    const QColor bottom = Pixel(shot, 295, DeviceTop(1) + 81);
    EXPECT_GE(top.red(), 250);
    EXPECT_NEAR(bottom.red(), 230, 2);
    EXPECT_NEAR(bottom.green(), 230, 2);
    EXPECT_EQ(bottom.blue(), 255);
    // Without pictures the thumbnail is a grey stand-in at (10, 5) of the row, 96 × 72.
    EXPECT_EQ(Pixel(shot, 10, DeviceTop(1) + 5), tree_colours::kThumbnailFallback);
    EXPECT_EQ(Pixel(shot, 105, DeviceTop(1) + 76), tree_colours::kThumbnailFallback);
    EXPECT_NE(Pixel(shot, 106, DeviceTop(1) + 40), tree_colours::kThumbnailFallback);

    // The state line at (114, top + 60): blue for online, grey for offline.
    const QRect state0(114, DeviceTop(0) + 60, 100, 20);
    const QRect state1(114, DeviceTop(1) + 60, 100, 20);
    EXPECT_GT(CountColour(shot, state0, tree_colours::kOnline), 10);
    EXPECT_EQ(CountColour(shot, state0, tree_colours::kOffline), 0);
    EXPECT_GT(CountColour(shot, state1, tree_colours::kOffline), 10);
    EXPECT_EQ(CountColour(shot, state1, tree_colours::kOnline), 0);
    // The name in grey at (114, top + 20).
    EXPECT_GT(CountColour(shot, QRect(114, DeviceTop(0) + 20, 150, 22), tree_colours::kDeviceName),
              5);

    // "[内网]" is added for an online device found on the LAN.
    const int before =
        CountColour(shot, QRect(114, DeviceTop(0) + 60, 180, 20), tree_colours::kOnline);
    list.At(online)->onLan = 1;
    const QImage lan = Shot();
    EXPECT_GT(CountColour(lan, QRect(114, DeviceTop(0) + 60, 180, 20), tree_colours::kOnline),
              before);
}

TEST_F(TreeWidgetTest, HotRowFollowsEveryEighthMove) {
    AddDevice("A", 1);
    Build();
    for (int i = 0; i < 7; ++i) Move(View(), {150, DeviceTop(0) + 10 + i});
    EXPECT_FALSE(tree->HotItem());
    Move(View(), {150, DeviceTop(0) + 20});
    ASSERT_TRUE(tree->HotItem());
    EXPECT_EQ(*tree->HotItem(), TreeItemRef::Device(0));
    for (int i = 0; i < 8; ++i) Move(View(), {150, 10});
    EXPECT_EQ(*tree->HotItem(), TreeItemRef::Group(0));
    const QImage shot = Shot();
    EXPECT_NEAR(Pixel(shot, 295, 21).red(), tree_colours::kHeaderHotBottom.red(), 2);
    for (int i = 0; i < 8; ++i) Move(View(), {150, 500});
    EXPECT_FALSE(tree->HotItem());
}

class TreeDragTest : public TreeWidgetTest {
  protected:
    void SetUp() override {
        TreeWidgetTest::SetUp();
        device = AddDevice("A", 1);
        AddDevice("B", 1);
        gid = model->AddGroup().value();  // "Моя группа", collapsed, below the default group
        Build();
        SendMouse(View(), QEvent::MouseButtonPress, {150, DeviceTop(0) + 40});
    }
    void MoveBy(int count, int y) {
        for (int i = 0; i < count; ++i) Move(View(), {150, y}, Qt::LeftButton);
    }
    int device = -1;
    int32_t gid = 0;
};

TEST_F(TreeDragTest, DragStartsOnTheSixthMoveAndCollapsesTheGroups) {
    MoveBy(5, DeviceTop(0) + 45);
    EXPECT_FALSE(tree->IsDragging());
    EXPECT_TRUE(model->Groups()[0].expanded);
    MoveBy(1, DeviceTop(0) + 45);
    EXPECT_TRUE(tree->IsDragging());
    for (const TreeGroup& group : model->Groups()) EXPECT_FALSE(group.expanded) << group.name;
    // Only the two headers remain: the second one, at 22..44, is the drop target.
    MoveBy(1, 30);
    EXPECT_EQ(*tree->HotItem(), TreeItemRef::Group(gid));
    SendMouse(View(), QEvent::MouseButtonRelease, {150, 30}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(tree->IsDragging());
    EXPECT_EQ(model->GroupOf(device), gid);
    EXPECT_TRUE(model->Groups()[1].expanded);
    EXPECT_EQ(tree->HeaderText(1), QStringLiteral("Моя группа  [1/1]"));
}

TEST_F(TreeDragTest, TheDropOpensTheGroupsAsTheyWereAndTheTarget) {
    const int32_t third = model->AddGroup().value();  // collapsed, like the second
    tree->RequestRepaint();
    QCoreApplication::processEvents();
    MoveBy(6, DeviceTop(0) + 45);
    ASSERT_TRUE(tree->IsDragging());
    // Headers at 0, 22 and 44: drop onto the second group.
    MoveBy(1, 30);
    SendMouse(View(), QEvent::MouseButtonRelease, {150, 30}, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(model->GroupOf(device), gid);
    const auto expanded = [&](int32_t g) {
        for (const TreeGroup& group : model->Groups())
            if (group.gid == g) return group.expanded;
        return false;
    };
    EXPECT_TRUE(expanded(0));  // open before the drag, open again
    EXPECT_TRUE(expanded(gid));
    EXPECT_FALSE(expanded(third));

    // A drag dropped nowhere changes nothing either.
    SendMouse(View(), QEvent::MouseButtonPress, {150, DeviceTop(0) + 40});
    MoveBy(6, DeviceTop(0) + 45);
    ASSERT_TRUE(tree->IsDragging());
    SendMouse(View(), QEvent::MouseButtonRelease, {150, 590}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(expanded(0));
    EXPECT_TRUE(expanded(gid));
    EXPECT_FALSE(expanded(third));
}

TEST_F(TreeWidgetTest, TheDragImageIsTheDevicesRow) {
    const int index = AddDevice("DRAG", 1);
    DeviceTreePainter painter;
    const QImage image = painter.DragImage(index, *list.At(index), thumbnails, 1);
    ASSERT_EQ(image.size(), DeviceTreePainter::kDragImageSize);
    // The name is drawn right of the thumbnail, and the picture lets the tree show through.
    const QRect name(DeviceTreePainter::kTextX, DeviceTreePainter::kNameY,
                     image.width() - DeviceTreePainter::kTextX - 1, 24);
    int ink = 0;
    for (int y = name.top(); y <= name.bottom(); ++y)
        for (int x = name.left(); x <= name.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 180) ++ink;
    EXPECT_GT(ink, 20);
    EXPECT_LT(image.pixelColor(DeviceTreePainter::kTextX, 78).alpha(), 255);
}

TEST_F(TreeWidgetTest, DevicesWhoseViewRunsCarryAPlayMark) {
    const int first = AddDevice("P1", 1);
    const int second = AddDevice("P2", 1);
    Build();
    const auto marked = [&](int row) {
        return CountColour(Shot(), DeviceTreePainter::PlayingMarkRect(DeviceTop(row)),
                           tree_colours::kPlaying) > 20;
    };
    EXPECT_FALSE(marked(0));
    EXPECT_FALSE(marked(1));

    tree->SetPlayingMarks({false, true});
    EXPECT_TRUE(tree->PlayingMarked(second));
    EXPECT_FALSE(tree->PlayingMarked(first));
    EXPECT_FALSE(tree->PlayingMarked(2));
    EXPECT_FALSE(tree->PlayingMarked(-1));
    EXPECT_FALSE(marked(0));
    EXPECT_TRUE(marked(1));

    // The mark goes with the view; marks shorter than the list leave the rest unmarked.
    tree->SetPlayingMarks({true});
    EXPECT_TRUE(marked(0));
    EXPECT_FALSE(marked(1));
    tree->SetPlayingMarks({});
    EXPECT_FALSE(marked(0));
}

TEST_F(TreeWidgetTest, LongNamesAndTheLanMarkStayInsideTheColumn) {
    DeviceFields f;
    f.sid = "LONG";
    f.name = "Камера на заднем дворе у гаража и теплицы";
    f.status = 1;
    f.init = 1;
    const int index = list.Append(f);
    list.At(index)->onLan = 1;
    ASSERT_TRUE(model->Fill());
    ASSERT_TRUE(model->RenameGroup(0, "Очень длинное название группы устройств"));
    // The column less a scroll bar: the painter draws into 240 pixels of a wider image whose
    // remainder must stay untouched.
    const QColor untouched(255, 0, 255);
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(untouched);
    {
        QPainter p(&image);
        DeviceTreePainter painter;
        DeviceTreePainter::Scene scene;
        scene.client = QSize(240, 200);
        painter.Paint(p, scene, *model, list, thumbnails);
    }
    int outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 240; x < image.width(); ++x)
            if (image.pixelColor(x, y) != untouched) ++outside;
    EXPECT_EQ(outside, 0);
    // The LAN mark is still drawn, left of the edge: blue ink in the state line's last part.
    int lan = 0;
    for (int y = 22 + DeviceTreePainter::kStateY; y < 22 + 82; ++y)
        for (int x = 190; x < 240; ++x)
            if (image.pixelColor(x, y).blue() > image.pixelColor(x, y).red() + 60) ++lan;
    EXPECT_GT(lan, 5);
}

TEST_F(TreeDragTest, FewerMovesIsAPlainClickAndADropBelowTheRowsMovesNothing) {
    MoveBy(5, 30);
    SendMouse(View(), QEvent::MouseButtonRelease, {150, 30}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(model->GroupOf(device), 0);
    EXPECT_TRUE(model->Groups()[0].expanded);

    // The move counter starts again with the next press.
    SendMouse(View(), QEvent::MouseButtonPress, {150, DeviceTop(0) + 40});
    MoveBy(6, 300);
    EXPECT_TRUE(tree->IsDragging());
    SendMouse(View(), QEvent::MouseButtonRelease, {150, 300}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(model->GroupOf(device), 0);
}

TEST_F(TreeWidgetTest, WheelScrollsOneLinePerNotch) {
    for (int i = 0; i < 10; ++i) AddDevice("W" + std::to_string(i), 1);
    Build(300, 200);
    QScrollBar* bar = tree->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 22 + 10 * 82 - View()->height());
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 50), QPointF(View()->mapToGlobal(QPoint(50, 50))), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View(), &event);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), 32);
    wheel(-240);
    EXPECT_EQ(bar->value(), 96);
    wheel(120);
    EXPECT_EQ(bar->value(), 64);
    // Scrolled by 64: y = 30 is content height 94, inside the first device row (22..104).
    Click(View(), {150, 30});
    EXPECT_EQ(*tree->SelectedItem(), TreeItemRef::Device(0));
}

TEST_F(TreeWidgetTest, RepaintRequestedFromAnotherThreadRefreshesTheScrollRange) {
    AddDevice("A", 1);
    Build(300, 100);
    EXPECT_EQ(tree->verticalScrollBar()->maximum(), 22 + 82 - 100);
    std::thread refresh([&] {
        {
            std::lock_guard guard(list.WriterLock());
            for (int i = 0; i < 3; ++i) AddDevice("N" + std::to_string(i), 1);
        }
        model->Update();
        tree->RequestRepaint();
        tree->RequestRepaint();
    });
    refresh.join();
    EXPECT_TRUE(WaitFor([&] { return tree->verticalScrollBar()->maximum() == 22 + 4 * 82 - 100; }));
}

TEST_F(TreeWidgetTest, DownloadedThumbnailShownUnlessTheDeviceIsLocked) {
    QImage red(96, 72, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(red.save(&buffer, "PNG"));
    test::LocalHttpServer server(test::LocalHttpServer::Reply(
        200, std::string(png.constData(), static_cast<std::size_t>(png.size())),
        "Content-Type: image/png\r\n"));
    SetText(g.m_Host, "127.0.0.1");
    g.m_Port = static_cast<uint16_t>(server.Port());

    const int plain = AddDevice("P", 1);
    const int locked = AddDevice("L", 1, 1, 1);
    for (int i : {plain, locked}) SetText(list.At(i)->img, "/thumb.png");
    Build();
    ASSERT_TRUE(thumbnails.Load(ctx, *model, list));
    ASSERT_TRUE(thumbnails.Png(locked));
    tree->RequestRepaint();
    QCoreApplication::processEvents();

    const QImage shot = Shot();
    EXPECT_EQ(Pixel(shot, 58, DeviceTop(0) + 41), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(shot, 58, DeviceTop(1) + 41), tree_colours::kLockThumbnailFallback);
}

}  // namespace
}  // namespace nimbrel
