// The main window's entry points to the account windows: the alarm button for the selected
// camera, the tree's alarm and sharing requests, and the title band's menu with the settings and
// feedback windows. None of them says any more that it comes in a later version. Also play all
// on more cameras than the wall has panes.
#include <QMenu>
#include <QTest>

#include "AppFixture.h"
#include "app/MainControls.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/SettingsDialog.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

class MainWindowCommandsTest : public test::AppFixture {
  protected:
    CCamera* AddAlarmDevice(const std::string& sid, int showAlarm) {
        DeviceFields fields;
        fields.sid = sid;
        fields.name = "Камера " + sid;
        fields.type = "c1";
        fields.status = 1;
        fields.showAlarm = showAlarm;
        fields.alarmStatus = 1;
        fields.alarmStartTime = 7;
        fields.alarmEndTime = 19;
        std::lock_guard guard(Session().List().WriterLock());
        return Session().Camera(Session().List().Append(fields));
    }
    void Select(CCamera* camera) {
        CCanvas& canvas = Session().Canvas();
        ASSERT_TRUE(canvas.AcquirePane(*camera));
        const int pane = *canvas.PaneAt(camera->m_nPage, camera->m_nSlot);
        const PaneState state = *canvas.Pane(pane);
        ASSERT_TRUE(canvas.PressPane(pane, state.windowRect.x + 5, state.windowRect.y + 5));
        canvas.ReleasePointer(state.windowRect.x + 5, state.windowRect.y + 5);
    }
    // Nothing shown says that a feature comes later.
    void ExpectNoLaterFeature() const {
        for (const auto& shown : notifier.Messages())
            EXPECT_EQ(shown.text.find("следующей версии"), std::string::npos) << shown.text;
    }
};

TEST_F(MainWindowCommandsTest, TheAlarmButtonOpensTheSelectedCamerasSchedule) {
    CCamera* camera = AddAlarmDevice("NB1", 1);
    Window().resize(1500, 809);
    Window().show();
    Select(camera);
    QString name;
    int start = -1, end = -1;
    test::OnModal<AlarmDialog>([&](AlarmDialog* alarm) {
        name = alarm->NameLabel()->text();
        start = alarm->StartSlider()->value();
        end = alarm->EndSlider()->value();
        EXPECT_TRUE(alarm->SwitchOffButton()->isVisibleTo(alarm));
        alarm->reject();
    });
    QTest::mouseClick(Window().Button(kBtnAlarm), Qt::LeftButton);
    EXPECT_EQ(name, QStringLiteral("Камера NB1"));
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 19);
    EXPECT_TRUE(notifier.Messages().empty());
    Session().Canvas().ReleasePane(*camera);
}

TEST_F(MainWindowCommandsTest, TheTreeOpensTheAlarmAndSharingWindowsOfItsDevice) {
    AddAlarmDevice("NB1", 1);
    AddAlarmDevice("NB2", 1);
    Window().show();
    QString alarmName;
    test::OnModal<AlarmDialog>([&](AlarmDialog* alarm) {
        alarmName = alarm->NameLabel()->text();
        alarm->reject();
    });
    Window().Alarm(1);
    EXPECT_EQ(alarmName, QStringLiteral("Камера NB2"));

    bool sharingOpened = false;
    test::OnModal<SharingDialog>([&](SharingDialog* sharing) {
        sharingOpened = sharing->windowTitle() == QStringLiteral("Управление пользователями");
        sharing->reject();
    });
    Window().ManageUsers(0);
    EXPECT_TRUE(sharingOpened);
    ExpectNoLaterFeature();
}

TEST_F(MainWindowCommandsTest, TheTitleMenuOpensSettingsAndFeedback) {
    Window().resize(1500, 809);
    Window().show();
    QStringList items;
    test::OnModal<QMenu>([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action->isEnabled()) items << action->text();
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("Настройки системы"))
                menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    bool settingsOpened = false;
    QTimer::singleShot(0, [&] {
        test::OnModal<SettingsDialog>([&](SettingsDialog* settings) {
            settingsOpened = settings->BasicShown();
            settings->reject();
        });
    });
    QTest::mouseClick(Window().Button(kBtnMenu), Qt::LeftButton);
    EXPECT_EQ(items,
              QStringList({QStringLiteral("Воспроизвести все"), QStringLiteral("Остановить все"),
                           QStringLiteral("Показатели потоков"), QStringLiteral("Архив записей"),
                           QStringLiteral("Настройки системы"), QStringLiteral("Обратная связь"),
                           QStringLiteral("Сочетания клавиш"), QStringLiteral("О программе")}));
    EXPECT_TRUE(settingsOpened);

    bool feedbackOpened = false;
    test::OnModal<FeedbackDialog>([&](FeedbackDialog* feedback) {
        feedbackOpened = feedback->TextBox()->toPlainText().isEmpty();
        feedback->reject();
    });
    Window().RunCommand(kCmdFeedback);
    EXPECT_TRUE(feedbackOpened);
    ExpectNoLaterFeature();
}

TEST_F(MainWindowCommandsTest, PlayAllFillsEveryPaneAndTellsOnceThatNoneIsLeft) {
    // The views fail at once here (no service); they keep their panes and are not retried, and
    // their failed requests do not mark the session lost (which would show the devices offline
    // while the command runs).
    Session().Live().firstRetry = std::chrono::minutes(10);
    Session().Live().http.session = nullptr;
    Session().Live().session = nullptr;
    const int cameras = CCanvas::kPanes + 6;
    for (int i = 0; i < cameras; ++i) AddDevice("NB" + std::to_string(i));
    CCamera* offline = AddDevice("NBOFF", "c1", 0);
    Window().show();
    Window().RunCommand(kCmdPlayAll);

    int withPane = 0;
    for (int i = 0; i < cameras; ++i) withPane += Session().Camera(i)->m_nPage >= 0;
    EXPECT_EQ(withPane, CCanvas::kPanes);
    EXPECT_EQ(offline->m_nPage, -1);
    int notices = 0;
    for (const auto& shown : notifier.Messages())
        notices += shown.text == CCamera::kNoFreePaneNotice;
    EXPECT_EQ(notices, 1);

    Window().RunCommand(kCmdStopAll);
    for (int i = 0; i < cameras; ++i) {
        const CCamera* camera = Session().Camera(i);
        EXPECT_TRUE(QTest::qWaitFor([&] { return camera->m_nPage == -1; }, 20000)) << i;
    }
}

}  // namespace
}  // namespace nimbrel
