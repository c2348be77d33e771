// The fading notice (its width, its place over the parent, one at a time, a click hides it) and
// the single instance (a later start reaches the first one, which then shows its window).
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <future>
#include <thread>

#include "AppFixture.h"
#include "app/CTip.h"
#include "app/QtNotifier.h"
#include "app/SingleInstance.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

int VisibleTips() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CTip*>(w) && w->isVisible()) ++n;
    return n;
}

class TipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.setGeometry(100, 80, 600, 400);
        parent.show();
    }
    void TearDown() override { CTip::Instance().hide(); }
    QWidget parent;
};

TEST_F(TipTest, TwentyTwoPixelsPerCharacterAndTwentyMore) {
    EXPECT_EQ(CTip::WindowWidth(QStringLiteral("0123456789")), 240);
    // Characters, not bytes: ten Cyrillic letters are as wide as ten digits.
    EXPECT_EQ(CTip::WindowWidth(QStringLiteral("Устройство")), 240);
    ShowTip(&parent, QStringLiteral("Устройство не в сети"), 1000);
    EXPECT_EQ(CTip::Instance().width(), 20 * 22 + 20);
    EXPECT_EQ(CTip::Instance().height(), CTip::kHeight);
}

TEST_F(TipTest, TheNoticeIsCentredOverItsParent) {
    ShowTip(&parent, QStringLiteral("Введите пароль"), 1000);
    ASSERT_TRUE(CTip::Instance().IsShowing());
    EXPECT_EQ(CTip::Instance().geometry().center(), parent.frameGeometry().center());
}

TEST_F(TipTest, ANewNoticeTakesThePlaceOfTheOneShowing) {
    ShowTip(&parent, QStringLiteral("первая"), 2000);
    ShowTip(&parent, QStringLiteral("вторая подсказка"), 2000);
    EXPECT_EQ(VisibleTips(), 1);
    EXPECT_EQ(CTip::Instance().Text(), QStringLiteral("вторая подсказка"));
    EXPECT_EQ(CTip::Instance().width(), CTip::WindowWidth(QStringLiteral("вторая подсказка")));
}

TEST_F(TipTest, AClickHidesItAtOnce) {
    ShowTip(&parent, QStringLiteral("Введите имя пользователя"), 2000);
    ASSERT_TRUE(CTip::Instance().IsShowing());
    QTest::mouseClick(&CTip::Instance(), Qt::LeftButton);
    EXPECT_FALSE(CTip::Instance().IsShowing());
}

TEST_F(TipTest, ItFadesAwayByItself) {
    QSignalSpy hidden(&CTip::Instance(), &CTip::Hidden);
    ShowTip(&parent, QStringLiteral("Неверно введен пароль"), 800);
    ASSERT_TRUE(CTip::Instance().IsShowing());
    EXPECT_TRUE(hidden.wait(10000));
    EXPECT_FALSE(CTip::Instance().IsShowing());
}

TEST_F(TipTest, WithoutAVisibleParentItIsCentredOnTheScreen) {
    parent.hide();
    ShowTip(&parent, QStringLiteral("Аномальная сеть"), 1000);
    EXPECT_EQ(CTip::Instance().geometry().center(), parent.screen()->availableGeometry().center());
}

TEST_F(TipTest, AWorkerThreadsMessagesArePostedAndNeverWaitForTheUser) {
    QtNotifier notifier;
    notifier.SetWindow(&parent);
    QStringList shown;
    QObject::connect(&notifier, &QtNotifier::MessageShown,
                     [&](const QString& text, const QString& caption) {
                         shown << text + "|" + caption;
                         // The user presses OK.
                         QTimer::singleShot(0, [] {
                             if (QWidget* box = QApplication::activeModalWidget()) box->close();
                         });
                     });
    std::thread worker([&] {
        notifier.MessageBox("Аномальная сеть", "подсказки", UserNotifier::Icon::None);
        notifier.ShowTip("Устройство не в сети", 1000);
    });
    worker.join();  // it came back without anybody answering
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.size() == 1; }, 10000));
    EXPECT_EQ(shown.value(0), QStringLiteral("Аномальная сеть|подсказки"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return CTip::Instance().IsShowing() &&
                   CTip::Instance().Text() == QStringLiteral("Устройство не в сети");
        },
        10000));
}

QString UniqueKey() {
    return QStringLiteral("test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

// A message box opens centred over the window that caused it: an open dialog, and one that
// closed just before its answer came (as feedback and password recovery do).
TEST_F(TipTest, AMessageBoxOpensCentredOverTheWindowThatCausedIt) {
    QDialog dialog(&parent);
    dialog.setGeometry(350, 330, 200, 150);
    dialog.show();
    QtNotifier notifier;
    notifier.SetWindow(&dialog);
    const auto boxCentre = [&] {
        QPoint centre;
        test::OnModal<FramedMessageBox>([&](FramedMessageBox* box) {
            centre = box->frameGeometry().center();
            box->accept();
        });
        notifier.MessageBox("Сообщение отправлено успешно", "подсказки",
                            UserNotifier::Icon::None);
        return centre;
    };
    const QPoint where = dialog.frameGeometry().center();
    EXPECT_LE((boxCentre() - where).manhattanLength(), 2);
    dialog.hide();
    EXPECT_LE((boxCentre() - where).manhattanLength(), 2);
}

TEST(SingleInstanceTest, ALaterStartFindsTheFirstAndMakesItShowItsWindow) {
    const QString key = UniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.Claim());
    QSignalSpy shown(&first, &SingleInstance::ShowRequested);

    SingleInstance second(key);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(second.HeldElsewhere());
    // The later start waits for the answer while the first one's event loop serves it.
    auto answered =
        std::async(std::launch::async, [&second] { return second.AskFirstToShow(10000); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.count() == 1; }, 10000));
    EXPECT_TRUE(answered.get());
}

TEST(SingleInstanceTest, TheLockIsFreeAgainWhenTheFirstEnds) {
    const QString key = UniqueKey();
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.Claim());
    }
    SingleInstance next(key);
    EXPECT_TRUE(next.Claim());
    EXPECT_FALSE(next.HeldElsewhere());
}

TEST(SingleInstanceTest, NobodyAnswersWhenNoFirstInstanceRuns) {
    SingleInstance lonely(UniqueKey());
    EXPECT_FALSE(lonely.AskFirstToShow(300));
}

TEST(SingleInstanceTest, OtherKeysDoNotMeet) {
    SingleInstance a(UniqueKey() + "a"), b(UniqueKey() + "b");
    EXPECT_TRUE(a.Claim());
    EXPECT_TRUE(b.Claim());
}

}  // namespace
}  // namespace nimbrel
