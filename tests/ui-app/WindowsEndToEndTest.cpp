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

namespace fs = std::filesystem;

// Steps that each wait for their moment and then act, checked every 10 ms from whichever event
// loop runs (the program's windows run loops of their own). A step that waits too long fails the
// test and ends the program.
class Script : public QObject {
  public:
    struct Step {
        const char* name;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    Script(NimbrelApp& program, std::deque<Step> steps)
        : program_(program), steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, &Script::Tick);
        timer_.start(10);
    }
    bool Done() const { return steps_.empty() && !failed_; }

  private:
    void Tick() {
        if (failed_) return EndProgram();
        if (steps_.empty() || acting_) return;
        Step& step = steps_.front();
        if (!started_) {
            started_ = true;
            deadline_.setRemainingTime(60000);
        }
        if (!step.ready()) {
            if (!deadline_.hasExpired()) return;
            ADD_FAILURE() << "step \"" << step.name << "\" was never ready";
            failed_ = true;
            return;
        }
        // The action runs from the event loop, not from this timer: an action that opens a
        // window waits in that window's loop, and a timer does not fire again while its own
        // handler runs.
        acting_ = true;
        QTimer::singleShot(0, this, [this, act = std::move(step.act)] {
            acting_ = false;
            act();
        });
        steps_.pop_front();
        started_ = false;
    }
    // Closes whatever is open, then the program.
    void EndProgram() {
        if (QWidget* popup = QApplication::activePopupWidget()) return popup->close(), void();
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            modal && modal != program_.Login())
            return modal->reject();
        timer_.stop();
        if (program_.MainWindow())
            program_.MainWindow()->OnCancel();
        else if (program_.Login())
            program_.Login()->reject();
    }

    NimbrelApp& program_;
    std::deque<Step> steps_;
    QTimer timer_;
    QDeadlineTimer deadline_;
    bool started_ = false;
    bool acting_ = false;
    bool failed_ = false;
};

template <typename W>
W* Modal() {
    return qobject_cast<W*>(QApplication::activeModalWidget());
}

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

class WindowsEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("nimbrel-windows-e2e-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        for (const char* sub : {"config", "run", "xdg"}) fs::create_directories(dir / sub);
        fs::permissions(dir / "run", fs::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "run").string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "xdg").string()));
        qputenv("NIMBREL_INSTANCE", QByteArray("windows-e2e"));
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(WindowsEndToEnd, EveryAccountWindowOpensFromItsEntryPoint) {
    test::SimProcess sim("demo.json");
    StartupOptions options;
    options.adapter = QStringLiteral("lo");
    options.service = QString::fromStdString(sim.ServiceUrl());
    options.configDir = QString::fromStdString((dir / "config").string());
    NimbrelApp program(*qApp, options);

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
    Script script(program, std::move(steps));
    // A message box that appears on the way would wait for the user; it is noted and closed.
    QTimer boxes;
    std::vector<std::string> messages;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = Modal<FramedMessageBox>()) {
            messages.push_back(box->TextLabel()->text().toStdString());
            box->reject();
        }
    });
    boxes.start(20);

    EXPECT_EQ(program.Run(), 0);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(seen, (std::vector<std::string>{"recovery", "alarm (tree)", "alarm (toolbar)",
                                              "sharing", "settings", "feedback", "about"}));
    EXPECT_EQ(sim.Requests("initPassword.do").size(), 1u);
    EXPECT_GE(sim.Requests("bindUserList.do").size(), 1u);
}

}  // namespace
}  // namespace nimbrel
