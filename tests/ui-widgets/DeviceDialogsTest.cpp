// The rename window's length check, the video lock keypad and the password confirmation.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "TreeFixture.h"
#include "devices/ui/RenameDialog.h"
#include "devices/ui/VideoLockDialog.h"
#include "platform/FixedText.h"
#include "service/PasswordMix.h"
#include "service/ServiceCipher.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "widgets/ProgramTitle.h"

namespace nimbrel {
namespace {

TEST(RenameDialogTest, OpensWithTheNameSelectedAndRefusesMoreThanThirtyUnits) {
    test::RecordingNotifier notifier;
    RenameDialog dialog("Гараж", notifier);
    dialog.show();
    EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("Гараж"));
    EXPECT_EQ(dialog.Edit()->selectedText(), QStringLiteral("Гараж"));

    dialog.Edit()->setText(QString(31, QChar(u'ж')));
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, kRenameTooLongMessage);
    // The length message belongs to the rename window: it carries the program's name.
    EXPECT_STREQ(notifier.Messages()[0].caption.c_str(), kProgramTitle);

    dialog.Edit()->setText(QString(30, QChar(u'ж')));
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);  // Enter in the field means OK
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.NewName(), QString(30, QChar(u'ж')).toStdString());
    EXPECT_EQ(notifier.Messages().size(), 1u);
}

TEST(RenameDialogTest, EnterOnCancelCancels) {
    test::RecordingNotifier notifier;
    RenameDialog dialog("A", notifier);
    dialog.show();
    dialog.CancelButton()->setFocus();
    QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

class VideoLockDialogTest : public ::testing::Test {
  protected:
    void Lock(const std::string& code) {
        device.lock = 1;
        device.init = 1;
        device.status = 1;
        SetText(device.lockPsd, HmacSha1Hex(g, code));
    }
    void ExpectLit(const std::vector<int>& lit, VideoLockDialog& dialog) {
        for (int d = 1; d <= 9; ++d) {
            const bool on = std::find(lit.begin(), lit.end(), d) != lit.end();
            EXPECT_EQ(dialog.Lit(d)->isVisible(), on) << d;
            EXPECT_EQ(dialog.Key(d)->isVisible(), !on) << d;
            EXPECT_EQ(dialog.Lit(d)->geometry(), dialog.Key(d)->geometry()) << d;
        }
    }
    GlobalSettings g;
    DeviceRecord device;
    test::RecordingNotifier notifier;
};

TEST_F(VideoLockDialogTest, KeysLightUpAndTheCodeOpensOnItsLastKey) {
    Lock("2468");
    VideoLockDialog dialog(g, device, notifier);
    dialog.show();
    ExpectLit({}, dialog);
    // Keys 1..9 row by row in a 3 × 3 grid.
    EXPECT_EQ(dialog.Key(1)->geometry().top(), dialog.Key(3)->geometry().top());
    EXPECT_LT(dialog.Key(1)->geometry().left(), dialog.Key(2)->geometry().left());
    EXPECT_LT(dialog.Key(3)->geometry().bottom(), dialog.Key(4)->geometry().top());

    QTest::mouseClick(dialog.Key(2), Qt::LeftButton);
    ExpectLit({2}, dialog);
    QTest::mouseClick(dialog.Lit(2), Qt::LeftButton);  // a used key does nothing
    EXPECT_EQ(dialog.Keypad().Entered(), "2");
    for (int d : {4, 6}) QTest::mouseClick(dialog.Key(d), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ExpectLit({2, 4, 6}, dialog);
    QTest::mouseClick(dialog.Key(8), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(VideoLockDialogTest, NineWrongKeysShowTheNoticeAndStartAgain) {
    Lock("12");
    VideoLockDialog dialog(g, device, notifier);
    dialog.show();
    for (int d : {3, 1, 2, 4, 5, 6, 7, 8}) QTest::mouseClick(dialog.Key(d), Qt::LeftButton);
    EXPECT_TRUE(notifier.Messages().empty());
    QTest::mouseClick(dialog.Key(9), Qt::LeftButton);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "Неверно введен пароль");
    EXPECT_TRUE(dialog.isVisible());
    ExpectLit({}, dialog);
    // A fresh attempt: the right code now opens.
    QTest::mouseClick(dialog.Key(1), Qt::LeftButton);
    QTest::mouseClick(dialog.Key(2), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(VideoLockDialogTest, StartAgainClearsAndCancelRejects) {
    Lock("12");
    VideoLockDialog dialog(g, device, notifier);
    dialog.show();
    QTest::mouseClick(dialog.Key(3), Qt::LeftButton);
    QTest::mouseClick(dialog.StartAgainButton(), Qt::LeftButton);
    ExpectLit({}, dialog);
    EXPECT_TRUE(dialog.Keypad().Entered().empty());
    QTest::mouseClick(dialog.Key(1), Qt::LeftButton);
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(VideoLockDialogTest, TheKeyboardWorksTheKeypadAndTheDotsCountTheKeysIn) {
    Lock("2468");
    VideoLockDialog dialog(g, device, notifier);
    dialog.show();
    const auto dots = [&] { return dialog.Dots()->text().count(QChar(0x25CF)); };
    EXPECT_EQ(dots(), 0);
    QTest::keyClick(&dialog, Qt::Key_2);
    QTest::keyClick(&dialog, Qt::Key_5);
    EXPECT_EQ(dialog.Keypad().Entered(), "25");
    EXPECT_EQ(dots(), 2);
    ExpectLit({2, 5}, dialog);
    // Backspace takes the 5 back: its key can be pressed again.
    QTest::keyClick(&dialog, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Keypad().Entered(), "2");
    EXPECT_EQ(dots(), 1);
    ExpectLit({2}, dialog);
    // Enter on a wrong code: the notice, and a fresh attempt.
    QTest::keyClick(&dialog, Qt::Key_Enter);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "Неверно введен пароль");
    EXPECT_EQ(dots(), 0);
    ExpectLit({}, dialog);
    QTest::keyClick(&dialog, Qt::Key_Return);  // nothing in: nothing said
    EXPECT_EQ(notifier.Messages().size(), 1u);
    // The digits of the number pad too; the code opens on its last key.
    for (Qt::Key key : {Qt::Key_2, Qt::Key_4, Qt::Key_6})
        QTest::keyClick(&dialog, key, Qt::KeypadModifier);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_8);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    VideoLockDialog again(g, device, notifier);
    again.show();
    QTest::keyClick(&again, Qt::Key_1);
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_FALSE(again.isVisible());
}

TEST(PasswordConfirmDialogTest, ClosesOnlyOnTheRightPassword) {
    PasswordConfirmDialog dialog(PasswordMix("secret7").value());
    dialog.show();
    EXPECT_EQ(dialog.PasswordBox()->echoMode(), QLineEdit::Password);
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.StatusLine()->text(), QStringLiteral("Введите пароль"));
    EXPECT_EQ(dialog.StatusLine()->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    QTest::keyClicks(dialog.PasswordBox(), "secret");
    EXPECT_TRUE(dialog.StatusLine()->text().isEmpty());  // typing clears the status line
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.StatusLine()->text(), QStringLiteral("Неверно введен пароль"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.PasswordBox()->text(), QStringLiteral("secret"));

    QTest::keyClicks(dialog.PasswordBox(), "7");
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace nimbrel
