// The account windows on the offscreen platform against the simulated service, signed in as
// demo_user: the alarm schedule (switch buttons, sliders, note, record updates, what is sent),
// sharing (the list with its administrator first, add and delete with their checks and prompts,
// the menu), feedback (the empty hint, the encoded message, the text limit) and password
// recovery (the three steps, their checks and captions, back).
#include <QComboBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "AppFixture.h"
#include "LocalHttpServer.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "platform/RequestWorker.h"
#include "service/ServiceAddress.h"
#include "service/SupportContact.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/PasswordRecoveryDialog.h"
#include "service/ui/SharingDialog.h"

namespace nimbrel {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
constexpr int kWaitMs = 60000;

class AccountWindowsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim = std::make_unique<test::SimProcess>("demo.json"); }
    static void TearDownTestSuite() { sim.reset(); }
    void SetUp() override {
        InitGlobalSettings(g);
        InitAppRecord(app);
        std::string why;
        ASSERT_TRUE(test::PrepareClient(g, app, *sim, &why)) << why;
        ASSERT_EQ(test::SignIn(g, app, "demo_user", "demo1234"), "OK");
        http.totalTimeoutMs = 20000;
    }
    void TearDown() override { RequestWorker::WaitForAllThreads(std::chrono::seconds(30)); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : notifier.Messages()) texts.push_back(shown.text);
        return texts;
    }
    std::size_t Sent(const std::string& path) const { return sim->Requests(path).size(); }
    Pairs LastPayload(const std::string& path) const {
        const auto requests = sim->Requests(path);
        return requests.empty() ? Pairs{} : test::PayloadPairs(requests.back());
    }
    static std::string Value(const Pairs& pairs, const std::string& key) {
        for (const auto& [k, v] : pairs)
            if (k == key) return v;
        return "<none>";
    }

    static std::unique_ptr<test::SimProcess> sim;
    GlobalSettings g;
    AppRecord app;
    HttpOptions http;
    test::RecordingNotifier notifier;
};

std::unique_ptr<test::SimProcess> AccountWindowsTest::sim;

// --- alarm schedule ---

TEST_F(AccountWindowsTest, TheAlarmWindowOpensOnTheRecordsValues) {
    AlarmDialog dialog(g, app, notifier, {"NB0000000001", "Прихожая", 1, 8, 20}, {}, http);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройки сигнала тревоги"));
    EXPECT_EQ(dialog.NameLabel()->text(), QStringLiteral("Прихожая"));
    EXPECT_FALSE(dialog.SwitchOnButton()->isVisible());  // the alarm is on
    EXPECT_TRUE(dialog.SwitchOffButton()->isVisible());
    EXPECT_EQ(dialog.StartSlider()->minimum(), 0);
    EXPECT_EQ(dialog.StartSlider()->maximum(), 23);
    EXPECT_EQ(dialog.EndSlider()->maximum(), 23);
    EXPECT_EQ(dialog.StartSlider()->value(), 8);
    EXPECT_EQ(dialog.EndSlider()->value(), 20);
    EXPECT_EQ(dialog.StartLabel()->text(), QStringLiteral("08"));
    EXPECT_EQ(dialog.EndLabel()->text(), QStringLiteral("20"));
    EXPECT_TRUE(dialog.NoteLabel()->text().isEmpty());
    test::Shot(&dialog, "alarm");
    dialog.EndSlider()->setValue(8);
    EXPECT_EQ(dialog.EndLabel()->text(), QStringLiteral("08"));
    EXPECT_EQ(dialog.NoteLabel()->text(), QStringLiteral("Установить сигнал тревоги на весь день"));
    dialog.StartSlider()->setValue(3);
    EXPECT_EQ(dialog.StartLabel()->text(), QStringLiteral("03"));
    EXPECT_TRUE(dialog.NoteLabel()->text().isEmpty());
}

TEST_F(AccountWindowsTest, SwitchingAndSavingHoursReachTheServiceAndTheRecord) {
    std::vector<AlarmDevice> written;
    AlarmDialog dialog(
        g, app, notifier, {"NB0000000001", "Прихожая", 0, 8, 20},
        [&](const AlarmDevice& d) { written.push_back(d); }, http);
    dialog.show();
    EXPECT_TRUE(dialog.SwitchOnButton()->isVisible());
    EXPECT_FALSE(dialog.SwitchOffButton()->isVisible());

    // Saving hours while the alarm is off asks to switch it on and sends nothing.
    const std::size_t hoursBefore = Sent("setAlarmTime.do");
    dialog.SaveButton()->click();
    ASSERT_EQ(Texts(), std::vector<std::string>{"Пожалуйста, включите сигнал тревоги"});
    EXPECT_EQ(notifier.Messages()[0].caption, "Farlo видео-клиент");
    EXPECT_EQ(Sent("setAlarmTime.do"), hoursBefore);

    QSignalSpy finished(&dialog, &AlarmDialog::Finished);
    // A worker's news arrives while it is finishing; the next request waits for it to end.
    const auto done = [&] {
        return finished.wait(kWaitMs) && dialog.Flow().WaitIdle(std::chrono::milliseconds(kWaitMs));
    };
    QTest::mouseClick(dialog.SwitchOnButton(), Qt::LeftButton);
    ASSERT_TRUE(done());
    EXPECT_EQ(Texts().back(), "Открыть отчет успеха");
    EXPECT_EQ(Value(LastPayload("setAlarm.do"), "status"), "on");
    EXPECT_FALSE(dialog.SwitchOnButton()->isVisible());
    EXPECT_TRUE(dialog.SwitchOffButton()->isVisible());
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().alarmSwitch, 1);

    // Equal hours: the whole-day note, and both sent as they are.
    dialog.StartSlider()->setValue(6);
    dialog.EndSlider()->setValue(6);
    dialog.SaveButton()->setFocus();
    QTest::keyClick(dialog.SaveButton(), Qt::Key_Return);
    ASSERT_TRUE(done());
    EXPECT_EQ(Texts().back(), "Установлено");
    const Pairs hours = LastPayload("setAlarmTime.do");
    EXPECT_EQ(Value(hours, "start"), "6");
    EXPECT_EQ(Value(hours, "end"), "6");
    EXPECT_EQ(written.back().startHour, 6);
    EXPECT_EQ(written.back().endHour, 6);

    // Enter on a switch button clicks the one shown: switching off.
    dialog.SwitchOffButton()->setFocus();
    QTest::keyClick(dialog.SwitchOffButton(), Qt::Key_Return);
    ASSERT_TRUE(done());
    EXPECT_EQ(Texts().back(), "Закрыть отчет успеха");
    EXPECT_EQ(Value(LastPayload("setAlarm.do"), "status"), "off");
    EXPECT_TRUE(dialog.SwitchOnButton()->isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.SwitchOnButton());
    EXPECT_EQ(written.back().alarmSwitch, 0);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(AccountWindowsTest, AnOfflineCameraIsToldForItsHours) {
    AlarmDialog dialog(g, app, notifier, {"NB0000000005", "Гараж", 1, 1, 2}, {}, http);
    QSignalSpy finished(&dialog, &AlarmDialog::Finished);
    dialog.SaveButton()->click();
    ASSERT_TRUE(finished.wait(kWaitMs));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Камера не в сети"});
}

// --- sharing ---

TEST_F(AccountWindowsTest, TheSharingListShowsTheAdministratorFirst) {
    SharingDialog dialog(g, app, notifier, "NB0000000001", http);
    QSignalSpy reported(&dialog, &SharingDialog::Reported);
    dialog.show();
    ASSERT_TRUE(reported.wait(kWaitMs));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Управление пользователями"));
    QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral(" Имя пользователя"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Прозвище"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Администратор"));
    EXPECT_EQ(list->columnWidth(0), 150);
    EXPECT_EQ(list->columnWidth(1), 280);
    EXPECT_EQ(list->columnWidth(2), 155);
    ASSERT_GE(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("demo_user"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Демо"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Yes"));
    for (int row = 1; row < list->topLevelItemCount(); ++row)
        EXPECT_EQ(list->topLevelItem(row)->text(2), QStringLiteral("-"));
    test::Shot(&dialog, "sharing");

    // The menu: refresh only without a row; no delete on the administrator's row.
    ASSERT_EQ(dialog.MenuItems().size(), 1u);
    EXPECT_STREQ(dialog.MenuItems()[0].text, "Обновить список пользователей");
    list->setCurrentItem(list->topLevelItem(0));
    ASSERT_EQ(dialog.MenuItems().size(), 1u);
    EXPECT_EQ(dialog.MenuItems()[0].command, 3102);
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_EQ(dialog.MenuItems().size(), 2u);
    EXPECT_EQ(dialog.MenuItems()[0].command, 3101);
    EXPECT_STREQ(dialog.MenuItems()[0].text, " Пользователь удален");

    // Deleting the administrator's row does nothing.
    list->setCurrentItem(list->topLevelItem(0));
    const std::size_t deletes = Sent("deleteBindUser.do");
    dialog.DeleteButton()->click();
    EXPECT_EQ(Sent("deleteBindUser.do"), deletes);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AccountWindowsTest, AddingAndDeletingAUserWithTheirChecksAndPrompts) {
    SharingDialog dialog(g, app, notifier, "NB0000000022", http);
    QSignalSpy reported(&dialog, &SharingDialog::Reported);
    dialog.show();
    ASSERT_TRUE(reported.wait(kWaitMs));
    const auto rows = [&] {
        QStringList names;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            names << dialog.List()->topLevelItem(i)->text(0);
        return names;
    };
    const auto waitForList = [&] {
        return QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& signal : reported)
                    if (signal.front().toInt() == static_cast<int>(SharingEvent::Kind::ListLoaded))
                        return true;
                return false;
            },
            kWaitMs);
    };
    EXPECT_FALSE(rows().contains(QStringLiteral("friend_user")));

    // A name with a dot is refused before any request, though the login would take it.
    const std::size_t adds = Sent("addUser.do");
    QTest::keyClicks(dialog.NameBox(), "friend.user");
    dialog.AddButton()->click();
    EXPECT_EQ(Sent("addUser.do"), adds);
    EXPECT_EQ(dialog.StatusLine()->text(),
              QStringLiteral("Имя может состоять из букв, цифр, длиной 4-64 символов"));
    EXPECT_EQ(dialog.StatusLine()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(dialog.NameBox()->selectedText(), QStringLiteral("friend.user"));
    QTest::keyClicks(dialog.NameBox(), "x");  // editing clears the status line
    EXPECT_TRUE(dialog.StatusLine()->text().isEmpty());
    dialog.NameBox()->clear();
    dialog.AddButton()->click();
    EXPECT_EQ(notifier.Messages().back().text, "Введите имя пользователя");

    reported.clear();
    QTest::keyClicks(dialog.NameBox(), "friend_user");
    dialog.AddButton()->click();
    EXPECT_TRUE(dialog.NameBox()->text().isEmpty());
    ASSERT_TRUE(waitForList());
    EXPECT_EQ(Value(LastPayload("addUser.do"), "name"), "friend_user");
    EXPECT_TRUE(rows().contains(QStringLiteral("friend_user")));

    // Delete asks first; Cancel sends nothing.
    const int row = static_cast<int>(rows().indexOf(QStringLiteral("friend_user")));
    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(row));
    std::vector<std::pair<QString, QString>> asked;
    bool answer = false;
    dialog.SetConfirm([&](QWidget*, const QString& text, const QString& caption) {
        asked.emplace_back(text, caption);
        return answer;
    });
    const std::size_t deletes = Sent("deleteBindUser.do");
    dialog.DeleteButton()->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, QStringLiteral("Подтвердить подключение пользователю friend_user？"));
    EXPECT_EQ(asked[0].second, QStringLiteral("Подтвердить"));
    EXPECT_EQ(Sent("deleteBindUser.do"), deletes);

    // The menu's delete asks with its own wording; OK withdraws the share.
    answer = true;
    reported.clear();
    dialog.RunMenuCommand(3101);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].first, QStringLiteral("Подтвердить подключение пользователюfriend_user？"));
    EXPECT_EQ(asked[1].second, QStringLiteral("подсказки"));
    ASSERT_TRUE(waitForList());
    EXPECT_EQ(Value(LastPayload("deleteBindUser.do"), "name"), "friend_user");
    EXPECT_FALSE(rows().contains(QStringLiteral("friend_user")));

    // Without a row, the button hints.
    dialog.List()->clearSelection();
    dialog.DeleteButton()->click();
    EXPECT_EQ(notifier.Messages().back().text, "Выберите пользователя для удаления");
}

// --- feedback ---

TEST_F(AccountWindowsTest, FeedbackHintsWhenEmptyAndSendsTheEncodedMessage) {
    SetText(app.m_UserName, "demo_user");
    FeedbackDialog dialog(g, app, notifier, http);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Обратная связь"));
    test::Shot(&dialog, "feedback");
    const std::size_t before = Sent("saveAdvise.do");
    dialog.SendButton()->click();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Пожалуйста, введите Ваш вопрос"});
    EXPECT_EQ(dialog.focusWidget(), dialog.TextBox());
    EXPECT_EQ(Sent("saveAdvise.do"), before);

    QTest::keyClicks(dialog.TextBox(), "Hi");
    QSignalSpy finished(&dialog, &FeedbackDialog::Finished);
    dialog.SendButton()->setFocus();
    QTest::keyClick(dialog.SendButton(), Qt::Key_Return);
    ASSERT_TRUE(finished.wait(kWaitMs));
    EXPECT_EQ(Value(LastPayload("saveAdvise.do"), "appAdvise"), "%48%69");
    EXPECT_EQ(Texts().back(), "Сообщение отправлено успешно");
    EXPECT_TRUE(dialog.TextBox()->toPlainText().isEmpty());

    // The box keeps at most 299 characters.
    dialog.TextBox()->setPlainText(QString(310, QLatin1Char('a')));
    EXPECT_EQ(dialog.TextBox()->toPlainText().size(), 299);

    // Enter on cancel closes.
    dialog.CancelButton()->setFocus();
    QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
}

// --- password recovery ---

TEST_F(AccountWindowsTest, RecoveryWalksThroughItsThreeSteps) {
    PasswordRecoveryDialog dialog(g, notifier, QStringLiteral("demo.user"), http);
    QSignalSpy finished(&dialog, &PasswordRecoveryDialog::StepFinished);
    // A step's news arrives while its worker is finishing; the next click waits for it to end.
    const auto stepDone = [&] {
        return finished.wait(kWaitMs) &&
               QTest::qWaitFor([&] { return !dialog.Flow().Running(); }, kWaitMs);
    };
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Восстановление пароля"));
    EXPECT_EQ(dialog.NameBox()->text(), QStringLiteral("demo.user"));  // from the login window
    EXPECT_TRUE(dialog.NameBox()->isVisible());
    EXPECT_FALSE(dialog.AnswerBox()->isVisible());
    test::Shot(&dialog, "recovery-1");

    // The recovery name check is stricter than the login's; the caption has a leading no-break
    // space.
    dialog.NextButton()->click();
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text,
              "Имя может состоять из букв, цифр, длиной 4-64 символов");
    EXPECT_EQ(notifier.Messages()[0].caption, "\u00A0подсказки");
    EXPECT_TRUE(dialog.NameBox()->text().isEmpty());
    dialog.NextButton()->click();
    EXPECT_EQ(notifier.Messages().back().caption, "\u00A0подсказки\u00A0");

    QTest::keyClicks(dialog.NameBox(), "demo_user");
    dialog.NextButton()->click();
    ASSERT_TRUE(stepDone());
    ASSERT_EQ(dialog.ShownStep(), RecoveryStep::Question);
    EXPECT_FALSE(dialog.NameBox()->isVisible());
    ASSERT_EQ(dialog.QuestionList()->count(), 2);
    EXPECT_EQ(dialog.QuestionList()->itemText(0), QStringLiteral("Как зовут Вашего мужа/жену？"));
    EXPECT_EQ(dialog.QuestionList()->itemData(0).toInt(), 3);
    EXPECT_EQ(dialog.QuestionList()->itemText(1),
              QStringLiteral("Когда день рождения у Вашего супруга/супруги？"));
    EXPECT_EQ(dialog.QuestionList()->currentIndex(), 0);
    test::Shot(&dialog, "recovery-2");

    dialog.ConfirmButton()->click();
    EXPECT_EQ(notifier.Messages().back().text, "Укажите ответ на секретный вопрос");
    EXPECT_EQ(notifier.Messages().back().caption, "подсказки\u00A0");
    dialog.AnswerBox()->setText(QStringLiteral("Ольга"));  // keyClicks types only ASCII
    dialog.ConfirmButton()->click();
    ASSERT_TRUE(stepDone());
    EXPECT_EQ(notifier.Messages().back().text,
              "Указан неверный ответ на секретный вопрос. Пожалуйста, повторите попытку");
    EXPECT_EQ(dialog.ShownStep(), RecoveryStep::Question);
    dialog.AnswerBox()->clear();
    dialog.AnswerBox()->setText(QStringLiteral("Мария"));
    dialog.ConfirmButton()->click();
    ASSERT_TRUE(stepDone());
    ASSERT_EQ(dialog.ShownStep(), RecoveryStep::NewPassword);
    EXPECT_EQ(Value(LastPayload("initPassword.do"), "answer"), "%D0%9C%D0%B0%D1%80%D0%B8%D1%8F");
    test::Shot(&dialog, "recovery-3");

    QTest::keyClicks(dialog.NewPasswordBox(), "demo1234");
    QTest::keyClicks(dialog.RepeatBox(), "demo12345");
    dialog.SubmitButton()->click();
    EXPECT_EQ(notifier.Messages().back().text, " Указанные пароли не совпадают. Введите еще раз");
    EXPECT_EQ(notifier.Messages().back().caption, "подсказки\u00A0");
    // Enter and Escape do nothing here.
    QTest::keyClick(dialog.RepeatBox(), Qt::Key_Escape);
    QTest::keyClick(dialog.RepeatBox(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    dialog.RepeatBox()->clear();
    QTest::keyClicks(dialog.RepeatBox(), "demo1234");
    dialog.SubmitButton()->click();
    ASSERT_TRUE(stepDone());
    EXPECT_EQ(notifier.Messages().back().text,
              "Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню");
    EXPECT_TRUE(dialog.isVisible());  // it stays open

    dialog.BackButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AccountWindowsTest, AnAccountWithoutQuestionsIsSentToSupport) {
    PasswordRecoveryDialog dialog(g, notifier, QStringLiteral("friend_user"), http);
    QSignalSpy finished(&dialog, &PasswordRecoveryDialog::StepFinished);
    dialog.NextButton()->click();
    ASSERT_TRUE(finished.wait(kWaitMs));
    EXPECT_EQ(dialog.ShownStep(), RecoveryStep::Account);
    const std::string message = notifier.Messages().back().text;
    EXPECT_NE(message.find(support::kMail), std::string::npos) << message;
    EXPECT_NE(message.find(support::kPhone), std::string::npos) << message;
}

TEST_F(AccountWindowsTest, LeavingRecoveryDropsARunningStep) {
    test::LocalHttpServer silent("");
    ASSERT_TRUE(ApplyServiceUrl(g, "http://127.0.0.1:" + std::to_string(silent.Port())));
    PasswordRecoveryDialog dialog(g, notifier, QStringLiteral("demo_user"), http);
    QSignalSpy finished(&dialog, &PasswordRecoveryDialog::StepFinished);
    dialog.show();
    dialog.NextButton()->click();
    EXPECT_TRUE(dialog.Flow().Running());
    dialog.BackButton()->click();
    EXPECT_FALSE(dialog.Flow().Running());
    EXPECT_FALSE(dialog.isVisible());
    QTest::qWait(50);
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(notifier.Messages().empty());
}

}  // namespace
}  // namespace nimbrel
