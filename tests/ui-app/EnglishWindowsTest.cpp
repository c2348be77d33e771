// The program in English: every window, menu and message of the walk shows no Russian text, and
// every text fits its control; the first group's stored name is shown in English and a new
// group's name is English; every text of the catalogue comes out in English, also through the
// core's hook.
#include <pugixml.hpp>

#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "AppFixture.h"
#include "WindowWalk.h"
#include "app/MainControls.h"
#include "app/TrayIcon.h"
#include "devices/TreeMenus.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "devices/ui/GroupNameEditor.h"
#include "service/LoginFlow.h"
#include "service/ui/LoginWindow.h"
#include "settings/SettingsFlow.h"
#include "settings/ui/SettingsDialog.h"
#include "text/Translation.h"
#include "wall/PaneHealth.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

class EnglishWindowsTest : public test::AppFixture {
  protected:
    // Fails on every text of `texts` with Russian in it, naming `where`.
    static void ExpectEnglish(const std::string& where, const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
            if (test::HasCyrillic(text)) ADD_FAILURE() << where << ": " << text;
    }
    static void ExpectFitting(const std::string& where, QWidget* window) {
        for (const std::string& fault : test::TextsThatDoNotFit(window))
            ADD_FAILURE() << where << ": " << fault;
    }
    // Opens the popup menu that `open` makes and returns its items (the menu is closed).
    static std::vector<std::string> MenuOpenedBy(const std::string& where,
                                                 const std::function<void()>& open) {
        std::vector<std::string> items;
        bool seen = false;
        test::OnModal<QMenu>([&](QMenu* menu) {
            seen = true;
            items = test::MenuTexts(*menu);
            menu->close();
        });
        open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return seen; }, 10000)) << where << " did not open";
        return items;
    }
    // A camera with a name the user gave it in Latin letters (the names are data).
    CCamera* AddNamed(const std::string& sid, const std::string& name) {
        DeviceFields fields;
        fields.sid = sid;
        fields.name = name;
        fields.type = "c1";
        fields.status = 1;
        std::lock_guard guard(Session().List().WriterLock());
        return Session().Camera(Session().List().Append(fields));
    }
    DeviceRecord lockedDevice;
};

TEST_F(EnglishWindowsTest, EveryAccountAndMessageWindowIsInEnglishAndItsTextsFit) {
    QWidget parent;
    parent.resize(1200, 900);
    parent.show();
    for (const test::WalkedWindow& window :
         test::WalkedWindows({g, record, notifier, lockedDevice, QStringLiteral("Front door")})) {
        std::unique_ptr<QWidget> shown = window.make(&parent);
        shown->show();
        QCoreApplication::processEvents();
        test::Shot(shown.get(), QStringLiteral("english-%1").arg(QString::fromLatin1(window.name)));
        ExpectEnglish(window.name, test::ShownTexts(shown.get()));
        ExpectFitting(window.name, shown.get());
        if (auto* settings = qobject_cast<SettingsDialog*>(shown.get())) {
            settings->ShowPage(false);
            QCoreApplication::processEvents();
            test::Shot(settings, QStringLiteral("english-settings-other"));
            ExpectEnglish("settings, other page", test::ShownTexts(settings));
            ExpectFitting("settings, other page", settings);
        }
    }
}

TEST_F(EnglishWindowsTest, TheMainWindowItsMenusAndTheTreesMenusAreInEnglish) {
    CCamera* camera = AddNamed("NB1", "Front door");
    AddNamed("NB2", "Garage");
    CNimbrelDlg& window = Window();
    window.resize(1500, 809);
    window.show();
    // A camera in a pane, selected, so that the pane menu and the bit-rate menu open.
    const std::optional<int> selected = SelectInWall(*camera);
    ASSERT_TRUE(selected);
    const int pane = *selected;
    test::Shot(&window, QStringLiteral("english-main-window"));

    EXPECT_FALSE(test::HasCyrillic(CNimbrelDlg::Title().toStdString()));
    ExpectEnglish("main window", test::ShownTexts(&window));
    ExpectFitting("main window", &window);
    ExpectEnglish("title band menu", MenuOpenedBy("title band menu", [&] {
                      QTest::mouseClick(window.Button(kBtnMenu), Qt::LeftButton);
                  }));
    PaneWidget* paneWidget = window.CanvasView()->Pane(pane);
    ASSERT_NE(paneWidget, nullptr);
    ExpectEnglish("pane tooltip", {paneWidget->toolTip().toStdString()});
    ExpectEnglish("pane menu", MenuOpenedBy("pane menu", [&] {
                      const QPoint at = paneWidget->rect().center();
                      QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                              paneWidget->mapToGlobal(at));
                      QApplication::sendEvent(paneWidget, &event);
                  }));
    // The bit-rate menu opens for a playing camera only; this one never started.
    camera->m_nStatus = kStatusPlaying;
    for (int id : {kBtnBitRateLow, kBtnBitRateStandard, kBtnBitRateHigh}) {
        BitmapButton* button = window.Button(id);
        if (!button->isVisible()) continue;
        ExpectEnglish("bit-rate menu", MenuOpenedBy("bit-rate menu", [&] {
                          QTest::mouseClick(button, Qt::LeftButton);
                      }));
    }

    camera->m_nStatus = kStatusReady;

    // The tree's menus, as the tree turns them into real menus.
    DeviceRecord device;
    device.status = 1;
    device.init = 1;
    device.showAlarm = 1;
    device.showLED = 1;
    device.showSound = 1;
    const std::vector<TreeGroup> groups = {{0, DeviceTreeModel::kDefaultGroupName, true, {}},
                                           {1, "Yard", true, {}}};
    for (const auto& items : {EmptySpaceMenu(), GroupMenu(1), DeviceMenu(device, groups, 1)})
        for (const MenuItem& item : items) {
            ExpectEnglish("tree menu", {item.label});
            for (const MenuItem& sub : item.submenu) ExpectEnglish("tree submenu", {sub.label});
        }

    TrayIcon tray(QIcon(), CNimbrelDlg::Title(), [] { return true; });
    ExpectEnglish("tray menu", test::MenuTexts(*tray.Menu()));
}

TEST_F(EnglishWindowsTest, TheLoginAndPlaybackWindowsAreInEnglishAndTheirTextsFit) {
    EXPECT_FALSE(test::HasCyrillic(LoginWindow::Title().toStdString()));
    AddNamed("NB1", "Front door");
    Window().resize(1500, 809);
    Window().show();
    LoginFlow flow(g, record, AccountFolder(dir), notifier, LoginFlow::Options{});
    test::WalkLoginAndPlayback(flow, Window(), [](const char* name, QWidget* window) {
        test::Shot(window, QStringLiteral("english-%1").arg(QString::fromLatin1(name)));
        ExpectEnglish(name, test::ShownTexts(window));
        ExpectFitting(name, window);
    });
}

TEST_F(EnglishWindowsTest, TheFirstGroupIsShownInEnglishAndKeepsItsStoredName) {
    AddNamed("NB1", "Front door");
    CNimbrelDlg& window = Window();
    window.resize(1500, 809);
    window.show();
    DeviceTreeWidget* tree = window.Tree();
    ASSERT_TRUE(Session().Tree().Fill());
    tree->RequestRepaint();
    EXPECT_TRUE(tree->HeaderText(0).startsWith(QStringLiteral("Ungrouped  [")))
        << tree->HeaderText(0).toStdString();
    const auto stored = [&] {
        DeviceTreeModel reread(Session().List(), record.m_ConfigPath);
        EXPECT_TRUE(reread.Fill());
        std::vector<std::string> names;
        for (const TreeGroup& group : reread.Groups()) names.push_back(group.name);
        return names;
    };

    // A new group is the user's to name, and starts with a name in the user's language; the
    // first group's stays as the file wrote it.
    tree->RunCommand(kCmdAddGroup);
    GroupNameEditor* editor = tree->NameEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Text(), QStringLiteral("My Group"));
    QTest::keyClick(editor->Edit(), Qt::Key_Return);
    EXPECT_EQ(stored(), (std::vector<std::string>{"Выбрать вручную", "My Group"}));
}

TEST_F(EnglishWindowsTest, TheWalkFindsATextLeftInRussian) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Front door"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Garage"), &window));
    auto* button = new QPushButton(QStringLiteral("Start Over"), &window);
    button->setToolTip(QStringLiteral("Начать заново"));
    layout->addWidget(button);
    window.show();
    std::vector<std::string> russian;
    for (const std::string& text : test::ShownTexts(&window))
        if (test::HasCyrillic(text)) russian.push_back(text);
    EXPECT_EQ(russian, std::vector<std::string>{"QPushButton \"Начать заново\""});
}

// Every message of the catalogue, looked up as the windows look it up, comes out in English:
// the catalogue compiled into the program is the one in the repository, and complete.
TEST_F(EnglishWindowsTest, EveryTextOfTheCatalogueComesOutInEnglish) {
    pugi::xml_document catalogue;
    ASSERT_TRUE(catalogue.load_file(NIMBREL_TS_FILE));
    int messages = 0;
    for (const pugi::xml_node context : catalogue.child("TS").children("context")) {
        const std::string name = context.child_value("name");
        for (const pugi::xml_node message : context.children("message")) {
            const std::string source = message.child_value("source");
            const QString shown = QCoreApplication::translate(name.c_str(), source.c_str());
            EXPECT_EQ(shown.toStdString(), message.child_value("translation"))
                << name << ": " << source;
            EXPECT_FALSE(test::HasCyrillic(shown.toStdString())) << name << ": " << source;
            ++messages;
        }
    }
    EXPECT_GT(messages, 200);
}

TEST_F(EnglishWindowsTest, TheCoresTextsComeOutInEnglishThroughItsHook) {
    EXPECT_EQ(LoginFlow::ProgressText(3), "Signing in...");
    EXPECT_EQ(SettingsFlow::VersionText(2, 1), "Current version 2.1");
    PaneHealth health;
    health.reach = kDeviceRelay;
    health.framesPerSecond = 24.5;
    health.kbitPerSecond = 812;
    health.delayMs = 40;
    health.stalled = true;
    for (const std::string& line : HealthLines(health))
        EXPECT_FALSE(test::HasCyrillic(line)) << line;
    EXPECT_EQ(PaneToolTip("Garage", kDeviceLan), "Garage\nRoute: Local network");
    // Data stays as it is: a name the user gave is not looked up.
    EXPECT_EQ(text::Tr(text::kCoreContext, "Гараж"), "Гараж");
}

TEST_F(EnglishWindowsTest, EveryMessageAWindowShowsAtRunTimeFitsItsControl) {
    DeviceRecord locked;
    LoginFlow flow(g, record, AccountFolder(dir), notifier, LoginFlow::Options{});
    for (const std::string& fault : test::RunTimeTextsThatDoNotFit(
             {g, record, notifier, locked, QStringLiteral("Front door")}, flow))
        ADD_FAILURE() << fault;
}

}  // namespace
}  // namespace nimbrel
