// The exit dialog (its opening choices, OK storing "ShowClose", Cancel, an unreadable file) and
// the About box's version text.
#include <QTest>

#include "AppFixture.h"
#include "app/CAboutDlg.h"
#include "app/CClose.h"

namespace nimbrel {
namespace {

class DialogsTest : public test::AppFixture {
  protected:
    std::string StoredShowClose() {
        AccountFile file;
        EXPECT_TRUE(file.Load(record.m_ConfigPath));
        return file.Setting("ShowClose").value_or("");
    }
};

TEST_F(DialogsTest, TheExitDialogOpensOnTheStoredChoice) {
    record.ShowClose = 1;
    record.ToTray = 0;
    CClose quitting(record);
    EXPECT_TRUE(quitting.QuitChoice()->isChecked());
    EXPECT_FALSE(quitting.MinimiseChoice()->isChecked());
    EXPECT_FALSE(quitting.DontAskChoice()->isChecked());
    record.ToTray = 1;
    CClose minimising(record);
    EXPECT_TRUE(minimising.MinimiseChoice()->isChecked());
    minimising.show();
    test::Shot(&minimising, "exit-dialog");
}

TEST_F(DialogsTest, OkStoresNotAskingAgainAndReportsTheChoice) {
    record.ShowClose = 1;
    record.ToTray = 1;
    CClose dialog(record);
    dialog.show();
    dialog.DontAskChoice()->setChecked(true);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result(), CClose::Outcome::Minimise);
    EXPECT_EQ(record.ShowClose, 0);
    EXPECT_EQ(StoredShowClose(), "0");
}

TEST_F(DialogsTest, QuitingIsReportedAndAskingStaysOn) {
    record.ShowClose = 1;
    CClose dialog(record);
    dialog.show();
    dialog.QuitChoice()->setChecked(true);
    QTest::keyClick(dialog.OkButton(), Qt::Key_Return);
    EXPECT_EQ(dialog.Result(), CClose::Outcome::Quit);
    EXPECT_EQ(StoredShowClose(), "1");
}

TEST_F(DialogsTest, EnterOnCancelCancelsAndChangesNothing) {
    record.ShowClose = 1;
    CClose dialog(record);
    dialog.show();
    dialog.DontAskChoice()->setChecked(true);
    dialog.CancelButton()->setFocus();
    QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Result(), CClose::Outcome::Cancelled);
    EXPECT_EQ(record.ShowClose, 1);
    EXPECT_EQ(StoredShowClose(), "1");
}

TEST_F(DialogsTest, WithoutItsFileTheDialogStaysOpen) {
    std::filesystem::remove(record.m_ConfigPath);
    CClose dialog(record);
    dialog.show();
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Result(), CClose::Outcome::Cancelled);
}

TEST_F(DialogsTest, TheAboutBoxNamesTheVersion) {
    record.m_VersionMajor = 2;
    record.m_VersionMinor = 7;
    CAboutDlg about(record);
    EXPECT_EQ(about.VersionLabel()->text(), QStringLiteral("Farlo клиент v2.7"));
    EXPECT_EQ(CAboutDlg::VersionText(10, 0), QStringLiteral("Farlo клиент v10.0"));
    about.show();
    test::Shot(&about, "about");
}

TEST_F(DialogsTest, TheAboutBoxLogoIsWhiteOnItsBlueBand) {
    CAboutDlg about(record);
    about.show();
    const QImage shot = about.grab().toImage();
    // The logo's lens, a little below its centre: white, not the band's blue.
    const int size = about.BandHeight() - 18;
    const QColor lens =
        shot.pixelColor(18 + size / 2, (about.BandHeight() - size) / 2 + size / 2 + size * 12 / 64);
    EXPECT_GT(lens.lightness(), 230) << lens.name().toStdString();
    EXPECT_EQ(about.findChild<FlatButton*>()->text(), QStringLiteral("ОК"));
}

}  // namespace
}  // namespace nimbrel
