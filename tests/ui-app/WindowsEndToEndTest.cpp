// The whole desktop program in this process, against the simulated service and cameras, as a
// user goes through it: the login window's "Забыли пароль?" opens recovery (which reaches its
// second step), back to the login, signing in, then every account window from its entry point in
// the signed-in program: the alarm from the toolbar for a selected camera and from the tree's
// menu, sharing from the tree's menu after the password, settings and feedback from the title
// band's menu, and the About box; then the program ends as the user ends it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "ProgramScript.h"
#include "SimProcess.h"
#include "app/CAboutDlg.h"
#include "app/CNimbrelDlg.h"
#include "app/MainControls.h"
#include "app/NimbrelApp.h"
#include "devices/TreeMenus.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "service/GlobalSettings.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/LoginWindow.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "service/ui/PasswordRecoveryDialog.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/SettingsDialog.h"
#include "wall/ui/CanvasWidget.h"
#include "widgets/BitmapButton.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {


QMenu* Popup() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Chooses the item `text` of the open menu.
void Choose(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    ADD_FAILURE() << "no menu item " << text.toStdString();
    menu->close();
}

class WindowsEndToEnd : public InProcessProgram {
  protected:
    WindowsEndToEnd() : InProcessProgram("windows-e2e") {}
};

TEST_F(WindowsEndToEnd, EveryAccountWindowOpensFromItsEntryPoint) {
    test::SimProcess sim("demo.json");
    NimbrelApp program(*qApp, OptionsFor(sim));

    std::vector<std::string> seen;  // the windows met, in order
    CCamera* selected = nullptr;
    const auto tree = [&] { return program.MainWindow()->Tree(); };
    std::deque<Script::Step> steps = {
        {"the login window", [&] { return program.Login() && program.Login()->isVisible(); },
         [&] {
             QTest::keyClicks(program.Login()->UserNameBox()->lineEdit(), "demo_user");
             program.Login()->ForgotButton()->click();
         }},
        {"password recovery", [&] { return Modal<PasswordRecoveryDialog>() != nullptr; },
         [&] {
             auto* recovery = Modal<PasswordRecoveryDialog>();
             seen.push_back("recovery");
             EXPECT_FALSE(program.Login()->isVisible());
             EXPECT_EQ(recovery->NameBox()->text(), QStringLiteral("demo_user"));
             recovery->NextButton()->click();
         }},
        {"the security questions",
         [&] {
             auto* recovery = Modal<PasswordRecoveryDialog>();
             return recovery && recovery->ShownStep() == RecoveryStep::Question;
         },
         [&] {
             auto* recovery = Modal<PasswordRecoveryDialog>();
             EXPECT_EQ(recovery->QuestionList()->count(), 2);
             recovery->BackButton()->click();
         }},
        {"the login window again",
         [&] { return !Modal<PasswordRecoveryDialog>() && program.Login()->isVisible(); },
         [&] {
             QTest::keyClicks(program.Login()->PasswordBox(), "demo1234");
             program.Login()->LoginButton()->click();
         }},
        {"the device tree",
         [&] {
             return program.MainWindow() &&
                    program.MainWindow()->StartupWorker().CurrentStage() == AllInit::Stage::Done;
         },
         [&] {
             // The tree's first group: find the row of the hallway camera, which has an alarm.
             for (int row = 0; row < 12; ++row) {
                 tree()->MenuAt(DeviceTreeModel::kHeaderHeight +
                                DeviceTreeModel::kDeviceHeight * row + 40);
                 const DeviceRecord* current = global.m_CurDevice.load();
                 if (current && current->Sid() == "NB0000000001") break;
             }
             selected = dynamic_cast<CCamera*>(global.m_CurDevice.load());
             ASSERT_TRUE(selected);
             EXPECT_EQ(selected->Sid(), "NB0000000001");
             tree()->RunCommand(kCmdAlarm);
         }},
        {"the alarm from the tree", [&] { return Modal<AlarmDialog>() != nullptr; },
         [&] {
             seen.push_back("alarm (tree)");
             EXPECT_EQ(Modal<AlarmDialog>()->NameLabel()->text(), QStringLiteral("Прихожая"));
             Modal<AlarmDialog>()->reject();
             // The same camera in a pane of the wall, selected there.
             CCanvas& canvas = program.MainWindow()->CanvasView()->Canvas();
             ASSERT_TRUE(canvas.AcquirePane(*selected));
             const int pane = *canvas.PaneAt(selected->m_nPage, selected->m_nSlot);
             const PaneState state = *canvas.Pane(pane);
             canvas.PressPane(pane, state.windowRect.x + 5, state.windowRect.y + 5);
             canvas.ReleasePointer(state.windowRect.x + 5, state.windowRect.y + 5);
             program.MainWindow()->Button(kBtnAlarm)->click();
         }},
        {"the alarm from the toolbar", [&] { return Modal<AlarmDialog>() != nullptr; },
         [&] {
             seen.push_back("alarm (toolbar)");
             EXPECT_EQ(Modal<AlarmDialog>()->NameLabel()->text(), QStringLiteral("Прихожая"));
             Modal<AlarmDialog>()->reject();
             program.MainWindow()->CanvasView()->Canvas().ReleasePane(*selected);
             tree()->RunCommand(kCmdManageUsers);
         }},
        {"the password before sharing", [&] { return Modal<PasswordConfirmDialog>() != nullptr; },
         [&] {
             Modal<PasswordConfirmDialog>()->PasswordBox()->setText(QStringLiteral("demo1234"));
             Modal<PasswordConfirmDialog>()->OkButton()->click();
         }},
        {"sharing with its list",
         [&] {
             auto* sharing = Modal<SharingDialog>();
             return sharing && sharing->List()->topLevelItemCount() > 0;
         },
         [&] {
             seen.push_back("sharing");
             EXPECT_EQ(Modal<SharingDialog>()->List()->topLevelItem(0)->text(2),
                       QStringLiteral("Да"));
             Modal<SharingDialog>()->reject();
             program.MainWindow()->Button(kBtnMenu)->click();
         }},
        {"the title menu", [&] { return Popup() != nullptr; },
         [&] { Choose(Popup(), QStringLiteral("Настройки системы")); }},
        {"settings", [&] { return Modal<SettingsDialog>() != nullptr; },
         [&] {
             auto* settings = Modal<SettingsDialog>();
             seen.push_back("settings");
             settings->TabButton(kSetOtherTab)->click();
             EXPECT_FALSE(settings->BasicShown());
             settings->reject();
             program.MainWindow()->Button(kBtnMenu)->click();
         }},
        {"the title menu again", [&] { return Popup() != nullptr; },
         [&] { Choose(Popup(), QStringLiteral("Обратная связь")); }},
        {"feedback", [&] { return Modal<FeedbackDialog>() != nullptr; },
         [&] {
             seen.push_back("feedback");
             Modal<FeedbackDialog>()->reject();
             program.MainWindow()->Button(kBtnMenu)->click();
         }},
        {"the title menu once more", [&] { return Popup() != nullptr; },
         [&] { Choose(Popup(), QStringLiteral("О программе")); }},
        {"the About box", [&] { return Modal<CAboutDlg>() != nullptr; },
         [&] {
             seen.push_back("about");
             Modal<CAboutDlg>()->reject();
             program.MainWindow()->OnCancel();
         }},
    };
    EXPECT_EQ(RunScripted(program, std::move(steps)), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"recovery", "alarm (tree)", "alarm (toolbar)",
                                              "sharing", "settings", "feedback", "about"}));
    EXPECT_EQ(sim.Requests("initPassword.do").size(), 1u);
    EXPECT_GE(sim.Requests("bindUserList.do").size(), 1u);
}

}  // namespace
}  // namespace nimbrel
