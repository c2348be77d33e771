// The device tree's commands: group add/rename/delete/move, opening a device with its checks
// and the keypad, and the device operations whose workers report back through the notifier.
#include <algorithm>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "TreeFixture.h"
#include "devices/VideoLock.h"
#include "devices/ui/DeviceTreePainter.h"
#include "devices/ui/GroupNameEditor.h"
#include "devices/ui/RenameDialog.h"
#include "devices/ui/VideoLockDialog.h"
#include "platform/FixedText.h"
#include "service/PasswordMix.h"
#include "service/ServiceCipher.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

// Calls `act` with the modal window of type W as soon as one is open (exec() runs its own loop).
template <typename W>
void OnModal(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window && ++*tries < 1000) return;
        timer->stop();
        timer->deleteLater();
        if (window) act(window);
    });
    timer->start(5);
}

class TreeCommandsTest : public TreeWidgetTest {
  protected:
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : notifier.Messages()) texts.push_back(shown.text);
        return texts;
    }
};

TEST_F(TreeCommandsTest, NewGroupOpensTheEditorAndEnterStoresItsName) {
    AddDevice("A", 1);
    Build();
    tree->RunCommand(kCmdAddGroup);
    ASSERT_EQ(model->Groups().size(), 2u);
    const int32_t gid = model->Groups()[1].gid;
    EXPECT_EQ(gid, 1);
    GroupNameEditor* editor = tree->NameEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Text(), QStringLiteral("Моя группа"));
    EXPECT_EQ(editor->Edit()->selectedText(), QStringLiteral("Моя группа"));
    // Over the new header, right of its 22-pixel picture: below the default group's rows.
    EXPECT_EQ(editor->geometry(), QRect(22, 22 + 82, View()->width() - 22, 22));

    editor->Edit()->setText(QStringLiteral("Двор"));
    QTest::keyClick(editor->Edit(), Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(model->Groups()[1].name, "Двор");
    // Written through to the account file.
    DeviceTreeModel reread(list, path);
    ASSERT_TRUE(reread.Fill());
    EXPECT_EQ(reread.Groups()[1].name, "Двор");
}

TEST_F(TreeCommandsTest, TheGroupEditorWritesInTheHeadersFontAndHidesTheHeader) {
    Build();
    tree->RunCommand(kCmdAddGroup);
    GroupNameEditor* editor = tree->NameEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Edit()->font().pixelSize(), DeviceTreePainter::HeaderFont().pixelSize());
    // With its text cleared, nothing of the header's "Моя группа  [0/0]" shows inside it.
    editor->Edit()->clear();
    editor->Edit()->clearFocus();
    const QImage shot = View()->grab().toImage();
    const QRect inside = editor->geometry().adjusted(2, 2, -2, -2);
    int ink = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (shot.pixelColor(x, y).lightness() < 200) ++ink;
    EXPECT_EQ(ink, 0);
}

TEST_F(TreeCommandsTest, EscapeDropsTheNameAndALeftPressStoresIt) {
    Build();
    tree->RunCommand(kCmdAddGroup);
    GroupNameEditor* editor = tree->NameEditor();
    editor->Edit()->setText(QStringLiteral("Склад"));
    QTest::keyClick(editor->Edit(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(model->Groups()[1].name, "Моя группа");

    tree->RunCommand(kCmdRenameGroup);  // the new group is still the selected item
    ASSERT_TRUE(editor->isVisible());
    editor->Edit()->setText(QStringLiteral("Склад"));
    Click(View(), {150, 300});
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(model->Groups()[1].name, "Склад");
}

TEST_F(TreeCommandsTest, TheThirtyThirdGroupIsRefused) {
    Build();
    for (int i = 1; i < DeviceTreeModel::kMaxGroups; ++i) tree->RunCommand(kCmdAddGroup);
    ASSERT_EQ(model->Groups().size(), 32u);
    EXPECT_TRUE(notifier.Messages().empty());
    tree->RunCommand(kCmdAddGroup);
    EXPECT_EQ(model->Groups().size(), 32u);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, DeviceTreeModel::kTooManyGroupsMessage);
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
    // Scrolled to the bottom for the last one added.
    EXPECT_EQ(tree->verticalScrollBar()->value(), tree->verticalScrollBar()->maximum());
}

TEST_F(TreeCommandsTest, DeletingAGroupAsksFirstAndMovesItsDevicesHome) {
    const int a = AddDevice("A", 1);
    const int b = AddDevice("B", 0);
    const int32_t gid = model->AddGroup().value();
    Build();
    for (int device : {a, b}) ASSERT_TRUE(model->MoveDevice(device, gid));
    tree->RequestRepaint();
    Click(View(), {150, 30});  // the second header: 22..44 (the default group is now empty)
    ASSERT_EQ(*tree->SelectedItem(), TreeItemRef::Group(gid));

    OnModal<FramedMessageBox>([](FramedMessageBox* box) {
        EXPECT_EQ(box->TextLabel()->text(),
                  QStringLiteral("Вы действительно хотите удалить группу[Моя группа]？"));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("подсказки"));
        // Russian buttons, and Enter keeps the group.
        EXPECT_EQ(box->AcceptButton()->text(), QStringLiteral("ОК"));
        EXPECT_EQ(box->RejectButton()->text(), QStringLiteral("Отмена"));
        EXPECT_TRUE(box->RejectButton()->isDefault());
        EXPECT_FALSE(box->AcceptButton()->isDefault());
        box->RejectButton()->click();
    });
    tree->RunCommand(kCmdDeleteGroup);
    EXPECT_EQ(model->Groups().size(), 2u);

    OnModal<FramedMessageBox>([](FramedMessageBox* box) { box->AcceptButton()->click(); });
    tree->RunCommand(kCmdDeleteGroup);
    ASSERT_EQ(model->Groups().size(), 1u);
    EXPECT_EQ(model->GroupOf(a), 0);
    EXPECT_EQ(model->GroupOf(b), 0);
    EXPECT_FALSE(tree->SelectedItem());
}

TEST_F(TreeCommandsTest, MenuOfADeviceOffersTheOtherGroupsByPosition) {
    const int a = AddDevice("A", 1);
    model->AddGroup();
    model->AddGroup();
    Build();
    const std::vector<MenuItem> items = tree->MenuAt(DeviceTop(0) + 40);
    EXPECT_EQ(tree->CurrentDevice(), a);
    EXPECT_EQ(*tree->SelectedItem(), TreeItemRef::Device(a));
    const auto moveItem = std::find_if(items.begin(), items.end(),
                                       [](const MenuItem& item) { return !item.submenu.empty(); });
    ASSERT_NE(moveItem, items.end());
    const MenuItem& move = *moveItem;
    ASSERT_EQ(move.submenu.size(), 2u);
    EXPECT_EQ(move.submenu[0].command, kCmdMoveToGroupBase + 1);
    EXPECT_EQ(move.submenu[1].command, kCmdMoveToGroupBase + 2);

    tree->RunCommand(move.submenu[1].command);
    EXPECT_EQ(model->GroupOf(a), model->Groups()[2].gid);
    EXPECT_EQ(tree->HeaderText(2), QStringLiteral("Моя группа  [1/1]"));
}

TEST_F(TreeCommandsTest, DoubleClickMakesTheOpeningChecksInOrder) {
    const int shared = AddDevice("SH", 1, /*lock=*/1, /*init=*/0);
    const int open = AddDevice("OK", 1);
    const int offline = AddDevice("OFF", 0);
    Build();
    // Rows: the two online devices in list order, then the offline one.
    DoubleClick(View(), {150, DeviceTop(0) + 40});
    DoubleClick(View(), {150, DeviceTop(2) + 40});
    DoubleClick(View(), {150, DeviceTop(1) + 40});
    ASSERT_EQ(notifier.Messages().size(), 2u);
    EXPECT_EQ(notifier.Messages()[0].text, kAdminLockMessage);
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
    EXPECT_EQ(notifier.Messages()[1].text, kDeviceOfflineNotice);
    EXPECT_EQ(notifier.Messages()[1].caption, "");  // a notice, not a message box
    EXPECT_EQ(actions.calls, (std::vector<RecordingActions::Call>{{"play", open}}));
    EXPECT_EQ(tree->CurrentDevice(), open);
    (void)shared;

    // "Воспроизвести видео" on an offline device says nothing.
    tree->MenuAt(DeviceTop(2) + 40);
    ASSERT_EQ(tree->CurrentDevice(), offline);
    tree->RunCommand(kCmdPlayVideo);
    EXPECT_EQ(notifier.Messages().size(), 2u);
    EXPECT_EQ(actions.calls.size(), 1u);
}

TEST_F(TreeCommandsTest, LockedOwnDeviceOpensAfterTheKeypad) {
    const int locked = AddDevice("LK", 1, /*lock=*/1, /*init=*/1);
    SetText(list.At(locked)->lockPsd, HmacSha1Hex(g, "73"));
    Build();
    OnModal<VideoLockDialog>([](VideoLockDialog* keypad) {
        keypad->Key(7)->click();
        keypad->Key(3)->click();
    });
    DoubleClick(View(), {150, DeviceTop(0) + 40});
    EXPECT_EQ(actions.calls, (std::vector<RecordingActions::Call>{{"play", locked}}));

    // A cancelled keypad opens nothing; playback goes through the same checks.
    OnModal<VideoLockDialog>([](VideoLockDialog* keypad) { keypad->CancelButton()->click(); });
    tree->RunCommand(kCmdPlayback);
    EXPECT_EQ(actions.calls.size(), 1u);
}

TEST_F(TreeCommandsTest, SwitchFailureIsReportedAndTheFieldKept) {
    const int a = AddDevice("A", 1);
    list.At(a)->showLED = 1;
    list.At(a)->ledStatus = 1;
    Build();
    Click(View(), {150, DeviceTop(0) + 40});
    tree->RunCommand(kCmdLed);
    ASSERT_TRUE(WaitFor([&] { return !notifier.Messages().empty(); }));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Не удалось отключить индикатор состояния"});
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
    EXPECT_EQ(list.At(a)->ledStatus.load(), 1);
}

TEST_F(TreeCommandsTest, DeleteAsksForThePasswordThenReportsTheServiceFailure) {
    SetText(app.m_StoredPassword, PasswordMix("secret7").value());
    const int a = AddDevice("A", 1);
    Build();
    Click(View(), {150, DeviceTop(0) + 40});

    OnModal<PasswordConfirmDialog>([](PasswordConfirmDialog* d) { d->CancelButton()->click(); });
    tree->RunCommand(kCmdDeleteDevice);
    EXPECT_TRUE(notifier.Messages().empty());

    OnModal<PasswordConfirmDialog>([](PasswordConfirmDialog* d) {
        d->PasswordBox()->setText(QStringLiteral("secret7"));
        d->OkButton()->click();
    });
    tree->RunCommand(kCmdDeleteDevice);
    ASSERT_TRUE(WaitFor([&] { return !notifier.Messages().empty(); }));
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Не удалось удалить устройство, попробуйте еще раз"});
    EXPECT_EQ(model->GroupOf(a), 0);
    EXPECT_TRUE(actions.calls.empty());
}

TEST_F(TreeCommandsTest, RenameSendsTheTypedNameAndReportsFailure) {
    const int a = AddDevice("A", 1);
    Build();
    Click(View(), {150, DeviceTop(0) + 40});
    OnModal<RenameDialog>([](RenameDialog* d) {
        EXPECT_EQ(d->Edit()->text(), QStringLiteral("cam A"));
        d->Edit()->setText(QStringLiteral("Крыльцо"));
        d->OkButton()->click();
    });
    tree->RunCommand(kCmdRenameDevice);
    ASSERT_TRUE(WaitFor([&] { return !notifier.Messages().empty(); }));
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Не удалось переименовать устройство, попробуйте еще раз"});
    EXPECT_EQ(list.At(a)->Name(), "cam A");
}

TEST_F(TreeCommandsTest, ManageUsersOnlyAfterTheRightPassword) {
    SetText(app.m_StoredPassword, PasswordMix("secret7").value());
    const int a = AddDevice("A", 1);
    Build();
    tree->MenuAt(DeviceTop(0) + 40);
    OnModal<PasswordConfirmDialog>([](PasswordConfirmDialog* d) {
        d->PasswordBox()->setText(QStringLiteral("wrong"));
        d->OkButton()->click();
        EXPECT_TRUE(d->isVisible());
        d->PasswordBox()->setText(QStringLiteral("secret7"));
        d->OkButton()->click();
    });
    tree->RunCommand(kCmdManageUsers);
    EXPECT_EQ(actions.calls, (std::vector<RecordingActions::Call>{{"users", a}}));
    tree->RunCommand(kCmdRefreshList);
    EXPECT_EQ(actions.calls.back(), (RecordingActions::Call{"refresh", -1}));
}

}  // namespace
}  // namespace nimbrel
