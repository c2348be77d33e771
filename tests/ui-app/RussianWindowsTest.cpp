// The program in Russian with its Russian catalogue: the texts whose source would mislead a
// Russian reader (a label naming another action) or is not Russian are shown corrected, in the
// window that shows them, and every other text of the program is shown as written.
#include <pugixml.hpp>

#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "AppFixture.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "WindowWalk.h"
#include "service/LoginFlow.h"
#include "app/CAboutDlg.h"
#include "app/CTip.h"
#include "app/MainControls.h"
#include "app/QtNotifier.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "platform/RequestWorker.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/SettingsDialog.h"
#include "text/Translation.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "widgets/BitmapButton.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

using Catalogue = std::map<std::pair<std::string, std::string>, std::string>;

// (context, source) → translation of a catalogue file.
Catalogue Read(const char* file) {
    Catalogue read;
    pugi::xml_document catalogue;
    EXPECT_TRUE(catalogue.load_file(file)) << file;
    for (const pugi::xml_node context : catalogue.child("TS").children("context"))
        for (const pugi::xml_node message : context.children("message"))
            read[{context.child_value("name"), message.child_value("source")}] =
                message.child_value("translation");
    return read;
}

bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) ||
               (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF);
    });
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(part) != std::string::npos;
    });
}

class RussianWindowsTest : public test::AppFixture {};

TEST_F(RussianWindowsTest, TheCatalogueCorrectsItsTextsAndLeavesEveryOtherTextAsWritten) {
    const Catalogue russian = Read(NIMBREL_RU_TS_FILE);
    const Catalogue all = Read(NIMBREL_TS_FILE);  // every text of the program
    ASSERT_GT(russian.size(), 20u);
    for (const auto& [key, shown] : russian) {
        const auto& [context, source] = key;
        SCOPED_TRACE(context + ": " + source);
        EXPECT_TRUE(all.count(key)) << "not a text of the program";
        const QString looked = QCoreApplication::translate(context.c_str(), source.c_str());
        EXPECT_EQ(looked.toStdString(), shown);
        EXPECT_NE(shown, source);
        EXPECT_TRUE(test::HasCyrillic(shown));
        EXPECT_FALSE(HasChinese(looked));
    }
    int unchanged = 0;
    for (const auto& [key, english] : all) {
        if (russian.count(key)) continue;
        const auto& [context, source] = key;
        EXPECT_EQ(QCoreApplication::translate(context.c_str(), source.c_str()).toStdString(),
                  source)
            << context;
        ++unchanged;
    }
    EXPECT_GT(unchanged, 250);
    // The core's own lookup takes the same catalogue.
    EXPECT_EQ(text::Tr(text::kCoreContext, "检测到当前网速不稳定，请稍后重试"),
              "Соединение нестабильно, попробуйте позже");
}

TEST_F(RussianWindowsTest, TheToolbarAndThePaneMenuNameWhatTheyDo) {
    CCamera* camera = AddDevice("NB1");
    CNimbrelDlg& window = Window();
    window.resize(1500, 809);
    window.show();
    const std::optional<int> selected = SelectInWall(*camera);
    ASSERT_TRUE(selected);
    const int pane = *selected;

    const std::map<int, QString> tooltips = {
        {kBtnPrevPage, QStringLiteral("Предыдущая страница")},
        {kBtnNextPage, QStringLiteral("Следующая страница")},
        {kBtnAudioOn, QStringLiteral("Включить звук камеры")},
        {kBtnAudioOff, QStringLiteral("Выключить звук камеры")},
        {kBtnTalkOn, QStringLiteral("Говорить")},
        {kBtnTalkOff, QStringLiteral("Закончить разговор")},
        {kBtnRecordOn, QStringLiteral("Начать запись")},
        {kBtnRecordOff, QStringLiteral("Остановить запись")},
        {kBtnSnapshot, QStringLiteral("Скриншот видео")},  // as written
        {kBtnStop, QStringLiteral("Отключить камеру")},
    };
    for (const auto& [id, tip] : tooltips) EXPECT_EQ(window.Button(id)->toolTip(), tip) << id;

    std::vector<std::string> items;
    bool seen = false;
    test::OnModal<QMenu>([&](QMenu* menu) {
        seen = true;
        items = test::MenuTexts(*menu);
        menu->close();
    });
    PaneWidget* paneWidget = window.CanvasView()->Pane(pane);
    ASSERT_NE(paneWidget, nullptr);
    const QPoint at = paneWidget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, paneWidget->mapToGlobal(at));
    QApplication::sendEvent(paneWidget, &event);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen; }, 10000));
    for (const char* corrected : {"Начать запись", "Включить звук камеры", "Говорить"})
        EXPECT_TRUE(Contains(items, corrected)) << corrected;
    for (const char* source : {"Воспроизвести видео", "Включить динамик", "Включить микрофон"})
        EXPECT_FALSE(Contains(items, source)) << source;

    ASSERT_TRUE(Session().Tree().Fill());
    window.Tree()->RequestRepaint();
    EXPECT_TRUE(window.Tree()->HeaderText(0).startsWith(QStringLiteral("Без группы  [")))
        << window.Tree()->HeaderText(0).toStdString();
}

TEST_F(RussianWindowsTest, TheAboutBoxAndTheSettingsSayItInRussian) {
    QWidget parent;
    parent.resize(1000, 800);
    parent.show();
    CAboutDlg about(record, &parent);
    about.show();
    const std::vector<std::string> texts = test::ShownTexts(&about);
    for (const char* label : {"Эл. почта", "Телефон поддержки", "Адрес", "Компания"})
        EXPECT_TRUE(Contains(texts, label)) << label;
    for (const char* source : {"Service phone", "Adrress", "Company"})
        EXPECT_FALSE(Contains(texts, source)) << source;

    SettingsDialog settings(g, record, notifier, SettingsDialog::Options{}, &parent);
    settings.show();
    const std::vector<std::string> settingsTexts = test::ShownTexts(&settings);
    EXPECT_TRUE(Contains(settingsTexts, "Спрашивать каждый раз"));
    EXPECT_TRUE(Contains(settingsTexts, "Свернуть"));  // as written
}

TEST_F(RussianWindowsTest, MessagesAndNoticesFromTheCoreShowTheCorrectedText) {
    QWidget window;
    window.resize(900, 600);
    window.show();
    QtNotifier shown;
    shown.SetWindow(&window);
    QString text, caption;
    QSignalSpy messages(&shown, &QtNotifier::MessageShown);
    test::OnModal<FramedMessageBox>([&](FramedMessageBox* box) {
        text = box->TextLabel()->text();
        caption = box->windowTitle();
        box->accept();
    });
    shown.MessageBox("检测到系统有重要更新，请下载更新！", "提示", UserNotifier::Icon::None);
    EXPECT_EQ(text, QStringLiteral("Вышло важное обновление программы. Пожалуйста, загрузите его!"));
    EXPECT_EQ(caption, QStringLiteral("подсказки"));

    shown.ShowTip("检测到当前网速不稳定，请稍后重试", 2000);
    EXPECT_EQ(CTip::Instance().Text(), QStringLiteral("Соединение нестабильно, попробуйте позже"));
    shown.ShowTip("Устройство не в сети", 2000);  // as written
    EXPECT_EQ(CTip::Instance().Text(), QStringLiteral("Устройство не в сети"));
}

// The sharing window over the simulated service: the administrator's mark and the question
// before a share is withdrawn.
TEST(RussianSharingTest, TheListSaysDaAndTheQuestionAsksToRemoveAccess) {
    test::SimProcess sim("demo.json");
    GlobalSettings g;
    AppRecord app;
    InitGlobalSettings(g);
    InitAppRecord(app);
    std::string why;
    ASSERT_TRUE(test::PrepareClient(g, app, sim, &why)) << why;
    ASSERT_EQ(test::SignIn(g, app, "demo_user", "demo1234"), "OK");
    HttpOptions http;
    http.totalTimeoutMs = 20000;
    test::RecordingNotifier notifier;
    {
        SharingDialog dialog(g, app, notifier, "NB0000000001", http);
        QSignalSpy reported(&dialog, &SharingDialog::Reported);
        dialog.show();
        ASSERT_TRUE(reported.wait(60000));
        QTreeWidget* list = dialog.List();
        ASSERT_GE(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Да"));
        EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("-"));
        const QString user = list->topLevelItem(1)->text(0);
        list->setCurrentItem(list->topLevelItem(1));
        QString asked;
        dialog.SetConfirm([&](QWidget*, const QString& question, const QString&) {
            asked = question;
            return false;
        });
        dialog.DeleteButton()->click();
        EXPECT_EQ(asked, QStringLiteral("Удалить доступ пользователя %1?").arg(user));
        dialog.RunMenuCommand(3101);
        EXPECT_EQ(asked, QStringLiteral("Удалить доступ пользователя %1?").arg(user));
    }
    RequestWorker::WaitForAllThreads(std::chrono::seconds(30));
}

TEST_F(RussianWindowsTest, EveryMessageAWindowShowsAtRunTimeFitsItsControl) {
    DeviceRecord locked;
    LoginFlow flow(g, record, AccountFolder(dir), notifier, LoginFlow::Options{});
    for (const std::string& fault : test::RunTimeTextsThatDoNotFit(
             {g, record, notifier, locked, QStringLiteral("Гостиная")}, flow))
        ADD_FAILURE() << fault;
}

}  // namespace
}  // namespace nimbrel
