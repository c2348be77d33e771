// The settings dialog on the offscreen platform: its two pages and tab buttons, every control
// with its number, text and value from the account file, saving every value (file, record,
// autostart) and finding it on the next opening, cancel, a file that cannot be read or written,
// the folder buttons and automatic folders, the keys, and against the simulated service the
// version check with its update offer and the password change.
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "AppFixture.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "app/CloseFlow.h"
#include "platform/Autostart.h"
#include "platform/RequestWorker.h"
#include "service/PasswordMix.h"
#include "settings/InterfaceLanguage.h"
#include "settings/RetentionSetting.h"
#include "settings/ui/SettingsDialog.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

template <typename W>
W* Find(QWidget* page, int id) {
    QWidget* control = nullptr;
    if (auto* basic = qobject_cast<BasicSettingsPage*>(page)) control = basic->Control(id);
    if (auto* other = qobject_cast<OtherSettingsPage*>(page)) control = other->Control(id);
    auto* typed = qobject_cast<W*>(control);
    EXPECT_TRUE(typed) << "control " << id;
    return typed;
}

class SettingsDialogTest : public test::AppFixture {
  protected:
    void SetUp() override {
        test::AppFixture::SetUp();
        options.flow.autostartEntry = dir / "autostart" / "nimbrel.desktop";
        options.flow.executable = "/opt/nimbrel/nimbrel";
        options.flow.folders = {"/home/anna/Videos/VideoFile/", "/home/anna/Pictures/ImageFile/"};
        options.hooks.chooseFolder = [this](QWidget*, const QString& title) {
            browserTitles.push_back(title);
            return chosenFolder;
        };
        options.hooks.openFolder = [this](const QString& folder) { opened.push_back(folder); };
        options.hooks.confirm = [this](QWidget*, const QString& question) {
            questions.push_back(question);
            return acceptUpdate;
        };
        options.hooks.startUpdater = [this](const std::string& url) {
            updaterUrls.push_back(url);
            return updaterStarts;
        };
        options.http.totalTimeoutMs = 20000;
    }

    std::unique_ptr<SettingsDialog> Open() {
        auto dialog = std::make_unique<SettingsDialog>(g, record, notifier, options);
        dialog->show();
        return dialog;
    }
    std::string Stored(std::string_view key) const {
        AccountFile file;
        EXPECT_TRUE(file.Load(record.m_ConfigPath));
        return file.Setting(key).value_or("<missing>");
    }
    std::string FileBytes() const {
        std::ifstream in(record.m_ConfigPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : notifier.Messages()) texts.push_back(shown.text);
        return texts;
    }

    SettingsDialog::Options options;
    QString chosenFolder;
    bool acceptUpdate = false;
    bool updaterStarts = true;
    std::vector<QString> browserTitles;
    std::vector<QString> opened;
    std::vector<QString> questions;
    std::vector<std::string> updaterUrls;
};

TEST_F(SettingsDialogTest, OpensOnTheBasicPageWithTheFilesValues) {
    record.m_VersionMajor = 2;
    record.m_VersionMinor = 4;
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Настройки системы"));
    EXPECT_EQ(dialog->BandHeight(), 47);
    BasicSettingsPage* basic = dialog->BasicPage();
    EXPECT_TRUE(dialog->BasicShown());
    EXPECT_TRUE(basic->isVisible());
    EXPECT_FALSE(dialog->OtherPage()->isVisible());
    EXPECT_EQ(basic->pos(), QPoint(8, 47));
    EXPECT_EQ(dialog->OtherPage()->geometry(), basic->geometry());
    // The tabs: the basic tab in its selected look, the other in its unselected look.
    EXPECT_TRUE(dialog->TabButton(1257)->isVisible());
    EXPECT_FALSE(dialog->TabButton(1140)->isVisible());
    EXPECT_TRUE(dialog->TabButton(1144)->isVisible());
    EXPECT_FALSE(dialog->TabButton(1256)->isVisible());
    EXPECT_EQ(dialog->TabButton(1257)->geometry(), dialog->TabButton(1140)->geometry());
    EXPECT_EQ(dialog->TabButton(1144)->geometry(), dialog->TabButton(1256)->geometry());

    EXPECT_EQ(Find<QLineEdit>(basic, 1051)->text(), QStringLiteral("/tmp/v/"));
    EXPECT_EQ(Find<QLineEdit>(basic, 1119)->text(), QStringLiteral("/tmp/p/"));
    auto* length = Find<QComboBox>(basic, 1160);
    ASSERT_EQ(length->count(), 4);
    EXPECT_EQ(length->itemText(0), QStringLiteral("10"));
    EXPECT_EQ(length->itemText(3), QStringLiteral("40"));
    EXPECT_EQ(length->currentText(), QStringLiteral("20"));
    EXPECT_EQ(Find<QRadioButton>(basic, 1050)->text(), QStringLiteral("Свернуть"));
    EXPECT_EQ(Find<QRadioButton>(basic, 1084)->text(), QStringLiteral("Выйти"));
    EXPECT_FALSE(Find<QRadioButton>(basic, 1050)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(basic, 1084)->isChecked());
    const struct {
        int id;
        const char* text;
        bool ticked;
    } checks[] = {
        {1129, "При появлении запроса Отключить", true}, {1061, "Автоматически", false},
        {1127, "Открыть все устройства", false},         {1126, "Запустить", false},
        {1057, "Выбирать автоматически", false},         {1054, "Выбирать автоматически", false}};
    for (const auto& c : checks) {
        auto* check = Find<QCheckBox>(basic, c.id);
        EXPECT_EQ(check->text(), QString::fromUtf8(c.text)) << c.id;
        EXPECT_EQ(check->isChecked(), c.ticked) << c.id;
    }
    EXPECT_TRUE(Find<QPushButton>(basic, 1001)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(basic, 1053)->isEnabled());
    for (const int id : {1055, 1056}) EXPECT_TRUE(Find<QPushButton>(basic, id)) << id;
    const QList<QLabel*> labels = basic->findChildren<QLabel*>();
    for (const char* text : {"Сохранять видеоархив:", "Сохранять скриншоты:",
                             "Максимальная длина видеофайла:", "Минут", "Нажать кнопку закрыть:"})
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
            return l->text() == QString::fromUtf8(text);
        })) << text;
    test::Shot(dialog.get(), "settings-basic");

    OtherSettingsPage* other = dialog->OtherPage();
    EXPECT_EQ(Find<QLabel>(other, 1216)->text(), QStringLiteral("Текущая версия 2.4"));
    EXPECT_EQ(Find<QRadioButton>(other, 1150)->text(),
              QStringLiteral("Автоматическое обновление (рекомендуется)"));
    EXPECT_EQ(Find<QRadioButton>(other, 1151)->text(),
              QStringLiteral("Не обновлять автоматически, уведомить об обновлении"));
    EXPECT_EQ(Find<QRadioButton>(other, 1139)->text(),
              QStringLiteral("Отключить автоматическое обновление (не рекомендуется)"));
    EXPECT_TRUE(Find<QRadioButton>(other, 1151)->isChecked());  // a new file's "1"
    for (const int id : {1133, 1053, 1135})
        EXPECT_EQ(Find<QLineEdit>(other, id)->echoMode(), QLineEdit::Password) << id;
    EXPECT_TRUE(Find<QPushButton>(other, 1136));
    EXPECT_TRUE(Find<QPushButton>(other, 1138));
}

TEST_F(SettingsDialogTest, TabButtonsSwitchThePages) {
    auto dialog = Open();
    QTest::mouseClick(dialog->TabButton(1144), Qt::LeftButton);
    EXPECT_FALSE(dialog->BasicShown());
    EXPECT_TRUE(dialog->OtherPage()->isVisible());
    EXPECT_FALSE(dialog->BasicPage()->isVisible());
    EXPECT_TRUE(dialog->TabButton(1256)->isVisible());
    EXPECT_TRUE(dialog->TabButton(1140)->isVisible());
    EXPECT_FALSE(dialog->TabButton(1144)->isVisible());
    EXPECT_FALSE(dialog->TabButton(1257)->isVisible());
    test::Shot(dialog.get(), "settings-other");
    QTest::mouseClick(dialog->TabButton(1140), Qt::LeftButton);
    EXPECT_TRUE(dialog->BasicShown());
    EXPECT_TRUE(dialog->TabButton(1257)->isVisible());
}

TEST_F(SettingsDialogTest, EveryChangeIsSavedTakenAtOnceAndShownNextTime) {
    {
        auto dialog = Open();
        BasicSettingsPage* basic = dialog->BasicPage();
        Find<QLineEdit>(basic, 1051)->setText(QStringLiteral("/media/clips/"));
        Find<QLineEdit>(basic, 1119)->setText(QStringLiteral("/media/Снимки/"));
        Find<QComboBox>(basic, 1160)->setCurrentIndex(3);
        Find<QRadioButton>(basic, 1050)->click();
        Find<QCheckBox>(basic, 1129)->click();
        Find<QCheckBox>(basic, 1061)->click();
        Find<QCheckBox>(basic, 1127)->click();
        Find<QCheckBox>(basic, 1126)->click();
        Find<QRadioButton>(dialog->OtherPage(), 1139)->click();
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_EQ(Stored("VideoPath"), "/media/clips/");
    EXPECT_EQ(Stored("ImagePath"), "/media/Снимки/");
    EXPECT_EQ(Stored("FileLength"), "40");
    EXPECT_EQ(Stored("ToTray"), "1");
    EXPECT_EQ(Stored("ShowClose"), "0");
    EXPECT_EQ(Stored("AutoLogin"), "1");
    EXPECT_EQ(Stored("AutoPlay"), "1");
    EXPECT_EQ(Stored("Update"), "2");
    EXPECT_EQ(record.VideoPath, "/media/clips/");
    EXPECT_EQ(record.FileLength, 40);
    EXPECT_EQ(record.ToTray, 1);
    EXPECT_EQ(record.ShowClose, 0);
    EXPECT_TRUE(IsAutostart(options.flow.autostartEntry));
    // The close button follows at once: no question, to the tray.
    EXPECT_EQ(CloseRequestAction(record), CloseAction::HideToTray);

    // The account file is opened afresh (the record is not what the dialog shows).
    InitAppRecord(record);
    record.m_ConfigPath = dir / "anna_config.xml";
    auto again = Open();
    BasicSettingsPage* basic = again->BasicPage();
    EXPECT_EQ(Find<QLineEdit>(basic, 1051)->text(), QStringLiteral("/media/clips/"));
    EXPECT_EQ(Find<QLineEdit>(basic, 1119)->text(), QStringLiteral("/media/Снимки/"));
    EXPECT_EQ(Find<QComboBox>(basic, 1160)->currentText(), QStringLiteral("40"));
    EXPECT_TRUE(Find<QRadioButton>(basic, 1050)->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(basic, 1129)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(basic, 1061)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(basic, 1127)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(basic, 1126)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(again->OtherPage(), 1139)->isChecked());
}

TEST_F(SettingsDialogTest, RetentionLimitsAreShownKeptCheckedAsTheCommandLineChecksAndTakenAtOnce) {
    // Limits set earlier (as `nimbrelctl settings set` sets them) are shown, and a save of other
    // values keeps them.
    ASSERT_EQ(SaveSettings(record.m_ConfigPath, {{"ArchiveDays", "7"}, {"ArchiveSize", "20%"}},
                           record),
              SettingsSaveResult::Saved);
    {
        auto dialog = Open();
        BasicSettingsPage* basic = dialog->BasicPage();
        EXPECT_EQ(basic->RetentionDays()->text(), QStringLiteral("7"));
        EXPECT_EQ(basic->RetentionSize()->text(), QStringLiteral("20"));
        EXPECT_EQ(basic->RetentionUnit()->currentText(), QStringLiteral("% диска"));
        Find<QCheckBox>(basic, 1127)->click();
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    }
    EXPECT_EQ(Stored("ArchiveDays"), "7");
    EXPECT_EQ(Stored("ArchiveSize"), "20%");

    // A limit that does not read is refused with the command line's reason, and nothing is
    // written; the dialog stays open with what was typed.
    const std::string before = FileBytes();
    auto dialog = Open();
    BasicSettingsPage* basic = dialog->BasicPage();
    basic->RetentionDays()->setText(QStringLiteral("3651"));
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    basic->RetentionDays()->setText(QStringLiteral("2"));
    basic->RetentionSize()->setText(QStringLiteral("100"));  // all of the disk
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Texts(), (std::vector<std::string>{*RefuseSettingValue("ArchiveDays", "3651"),
                                                 *RefuseSettingValue("ArchiveSize", "100%")}));
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(basic->RetentionSize()->text(), QStringLiteral("100"));

    // Gigabytes with a fraction: written, and the program's limits follow at once.
    basic->RetentionSize()->setText(QStringLiteral("1.5"));
    basic->RetentionUnit()->setCurrentIndex(0);
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("ArchiveDays"), "2");
    EXPECT_EQ(Stored("ArchiveSize"), "1.5");
    const RetentionLimits limits = RetentionFromSettings(record.ArchiveDays, record.ArchiveSize);
    EXPECT_EQ(limits.days, 2);
    EXPECT_EQ(limits.bytes, 3ull << 29);

    // Emptied boxes are no limit.
    auto third = Open();
    third->BasicPage()->RetentionDays()->clear();
    third->BasicPage()->RetentionSize()->clear();
    QTest::mouseClick(third->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(third->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("ArchiveDays"), "0");
    EXPECT_EQ(Stored("ArchiveSize"), "0");
    EXPECT_FALSE(RetentionFromSettings(record.ArchiveDays, record.ArchiveSize).Any());
}

TEST_F(SettingsDialogTest, CancelAfterChangingEverythingChangesNothing) {
    const std::string before = FileBytes();
    const AppRecord kept = record;
    auto dialog = Open();
    BasicSettingsPage* basic = dialog->BasicPage();
    Find<QLineEdit>(basic, 1051)->setText(QStringLiteral("/elsewhere/"));
    Find<QComboBox>(basic, 1160)->setCurrentIndex(0);
    Find<QRadioButton>(basic, 1050)->click();
    for (const int id : {1129, 1061, 1127, 1126}) Find<QCheckBox>(basic, id)->click();
    Find<QRadioButton>(dialog->OtherPage(), 1150)->click();
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(record.VideoPath, kept.VideoPath);
    EXPECT_EQ(record.ToTray, kept.ToTray);
    EXPECT_FALSE(fs::exists(options.flow.autostartEntry));

    // Escape in a page closes the same way; Enter there does nothing.
    auto second = Open();
    Find<QLineEdit>(second->BasicPage(), 1051)->setText(QStringLiteral("/elsewhere/"));
    QTest::keyClick(Find<QLineEdit>(second->BasicPage(), 1051), Qt::Key_Return);
    EXPECT_TRUE(second->isVisible());
    QTest::keyClick(Find<QPushButton>(second->BasicPage(), 1001), Qt::Key_Return);
    EXPECT_TRUE(browserTitles.empty());  // Enter is not a click on the page's buttons
    QTest::keyClick(Find<QLineEdit>(second->BasicPage(), 1051), Qt::Key_Escape);
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(second->result(), QDialog::Rejected);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsDialogTest, AnUnreadableFileOpensEmptyAndSavingSaysSoAndKeepsIt) {
    { std::ofstream(record.m_ConfigPath, std::ios::trunc) << "<config><config1>"; }
    const std::string before = FileBytes();
    auto dialog = Open();
    BasicSettingsPage* basic = dialog->BasicPage();
    EXPECT_TRUE(Find<QLineEdit>(basic, 1051)->text().isEmpty());
    EXPECT_EQ(Find<QComboBox>(basic, 1160)->count(), 0);
    EXPECT_FALSE(Find<QRadioButton>(basic, 1050)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(basic, 1084)->isChecked());
    Find<QLineEdit>(basic, 1051)->setText(QStringLiteral("/media/"));
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "Не удалось сохранить информацию, попробуйте еще раз");
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(record.VideoPath, "/tmp/v/");
}

TEST_F(SettingsDialogTest, AFolderTypedByHandIsAFolderAndARelativeOneIsRefused) {
    auto dialog = Open();
    QLineEdit* video = Find<QLineEdit>(dialog->BasicPage(), 1051);
    const std::string before = FileBytes();
    video->setText(QStringLiteral("Видео"));
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());  // the user may correct it
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("Видео"), std::string::npos) << Texts()[0];
    EXPECT_EQ(FileBytes(), before);
    video->setText(QStringLiteral("/media/Видео"));
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Stored("VideoPath"), "/media/Видео/");
    EXPECT_EQ(record.VideoPath, "/media/Видео/");
}

TEST_F(SettingsDialogTest, AFileThatCannotBeWrittenKeepsItsContentAndTheProgramItsSettings) {
    // The new content goes to a file beside the old one first; a name too long for that file
    // makes every save fail while the old file stays readable.
    const fs::path longName = dir / (std::string(250, 'x') + ".xml");
    fs::copy_file(record.m_ConfigPath, longName);
    record.m_ConfigPath = longName;
    const std::string before = FileBytes();
    auto dialog = Open();
    Find<QLineEdit>(dialog->BasicPage(), 1051)->setText(QStringLiteral("/media/"));
    Find<QRadioButton>(dialog->BasicPage(), 1050)->click();
    Find<QCheckBox>(dialog->BasicPage(), 1126)->click();
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Не удалось сохранить информацию, попробуйте еще раз"});
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(record.VideoPath, "/tmp/v/");
    EXPECT_EQ(record.ToTray, 0);
    EXPECT_FALSE(fs::exists(options.flow.autostartEntry));
}

TEST_F(SettingsDialogTest, BrowseOpenAndAutomaticFolders) {
    auto dialog = Open();
    BasicSettingsPage* basic = dialog->BasicPage();
    auto* video = Find<QLineEdit>(basic, 1051);
    chosenFolder = QStringLiteral("/media/Clips");
    Find<QPushButton>(basic, 1001)->click();
    EXPECT_EQ(video->text(), QStringLiteral("/media/Clips/"));
    ASSERT_EQ(browserTitles.size(), 1u);
    EXPECT_EQ(browserTitles[0], QStringLiteral("Пожалуйста, выберите папку"));
    chosenFolder.clear();  // the browser was cancelled
    Find<QPushButton>(basic, 1001)->click();
    EXPECT_EQ(video->text(), QStringLiteral("/media/Clips/"));

    // Open makes every missing level, then shows the folder.
    const QString deep = QString::fromStdString((dir / "rec" / "2024" / "").string());
    video->setText(deep);
    Find<QPushButton>(basic, 1055)->click();
    EXPECT_TRUE(fs::is_directory(dir / "rec" / "2024"));
    EXPECT_EQ(opened, std::vector<QString>{deep});
    // A folder that cannot be made (a level is a file): nothing happens.
    video->setText(QString::fromStdString((record.m_ConfigPath / "x").string()));
    Find<QPushButton>(basic, 1055)->click();
    EXPECT_EQ(opened.size(), 1u);

    // The automatic choice fills the folder and locks its browse button; unticking unlocks it.
    auto* automatic = Find<QCheckBox>(basic, 1057);
    automatic->click();
    EXPECT_EQ(video->text(), QStringLiteral("/home/anna/Videos/VideoFile/"));
    EXPECT_FALSE(Find<QPushButton>(basic, 1001)->isEnabled());
    automatic->click();
    EXPECT_TRUE(Find<QPushButton>(basic, 1001)->isEnabled());
    EXPECT_EQ(video->text(), QStringLiteral("/home/anna/Videos/VideoFile/"));
    Find<QCheckBox>(basic, 1054)->click();
    EXPECT_EQ(Find<QLineEdit>(basic, 1119)->text(),
              QStringLiteral("/home/anna/Pictures/ImageFile/"));
    EXPECT_FALSE(Find<QPushButton>(basic, 1053)->isEnabled());
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(SettingsDialogTest, WithoutAnAutomaticFolderTheCheckIsClearedWithAMessage) {
    options.flow.folders = {};
    auto dialog = Open();
    auto* automatic = Find<QCheckBox>(dialog->BasicPage(), 1057);
    automatic->click();
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_TRUE(Find<QPushButton>(dialog->BasicPage(), 1001)->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(dialog->BasicPage(), 1051)->text(), QStringLiteral("/tmp/v/"));
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text,
              "Не удалось сохранить файл в указанную папку, выбрать папку вручную！");
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");
}

TEST_F(SettingsDialogTest, PasswordChecksShowTheirRedLinesBesideTheBoxes) {
    SetText(record.m_StoredPassword, *PasswordMix("secret7"));
    auto dialog = Open();
    OtherSettingsPage* other = dialog->OtherPage();
    auto* apply = Find<QPushButton>(other, 1136);
    apply->click();
    EXPECT_EQ(other->StatusLine(PasswordBox::Old)->text(),
              QStringLiteral("Пожалуйста, введите старый пароль"));
    EXPECT_EQ(other->StatusLine(PasswordBox::Old)->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    Find<QLineEdit>(other, 1133)->setText(QStringLiteral("secret7"));
    apply->click();
    EXPECT_TRUE(other->StatusLine(PasswordBox::Old)->text().isEmpty());
    EXPECT_EQ(other->StatusLine(PasswordBox::New)->text(),
              QStringLiteral("Пожалуйста, введите новый пароль"));
    Find<QLineEdit>(other, 1053)->setText(QStringLiteral("newpass1"));
    Find<QLineEdit>(other, 1135)->setText(QStringLiteral("newpass2"));
    apply->click();
    EXPECT_EQ(other->StatusLine(PasswordBox::Repeat)->text(),
              QStringLiteral("Введенные пароли не соответствуют"));
    EXPECT_TRUE(Find<QLineEdit>(other, 1135)->text().isEmpty());
    Find<QLineEdit>(other, 1133)->setText(QStringLiteral("wrong77"));
    Find<QLineEdit>(other, 1135)->setText(QStringLiteral("newpass1"));
    apply->click();
    EXPECT_EQ(other->StatusLine(PasswordBox::Old)->text(),
              QStringLiteral("Старый пароль введен неверно"));
    EXPECT_TRUE(Find<QLineEdit>(other, 1133)->text().isEmpty());
    EXPECT_FALSE(other->PasswordChange().Running());  // nothing was sent
}

// Against the simulated service, signed in as demo_user.
class SettingsDialogSimTest : public SettingsDialogTest {
  protected:
    static void SetUpTestSuite() { sim = std::make_unique<test::SimProcess>("demo.json"); }
    static void TearDownTestSuite() { sim.reset(); }
    void SetUp() override {
        SettingsDialogTest::SetUp();
        std::string why;
        ASSERT_TRUE(test::PrepareClient(g, record, *sim, &why)) << why;
        ASSERT_EQ(test::SignIn(g, record, "demo_user", "demo1234"), "OK");
        SetText(record.m_UserName, "demo_user");
        SetText(record.m_StoredPassword, *PasswordMix("demo1234"));
    }
    void TearDown() override {
        // A worker still finishing reads the settings records, which go with the test.
        RequestWorker::WaitForAllThreads(std::chrono::seconds(30));
        SettingsDialogTest::TearDown();
    }
    int CheckVersion(SettingsDialog& dialog) {
        QSignalSpy done(dialog.OtherPage(), &OtherSettingsPage::VersionChecked);
        Find<QPushButton>(dialog.OtherPage(), 1138)->click();
        EXPECT_FALSE(Find<QPushButton>(dialog.OtherPage(), 1138)->isEnabled());
        EXPECT_TRUE(done.wait(60000));
        EXPECT_TRUE(Find<QPushButton>(dialog.OtherPage(), 1138)->isEnabled());
        return done.isEmpty() ? -2 : done.front().front().toInt();
    }
    static std::unique_ptr<test::SimProcess> sim;
};

std::unique_ptr<test::SimProcess> SettingsDialogSimTest::sim;

TEST_F(SettingsDialogSimTest, TheVersionCheckTellsItsResult) {
    auto dialog = Open();
    EXPECT_EQ(CheckVersion(*dialog), 0);  // the service's newest is this build's version
    ASSERT_EQ(Texts(), std::vector<std::string>{"Текущая версия является последней"});
    EXPECT_TRUE(questions.empty());

    // A service that cannot be reached.
    g.m_Port = 1;
    EXPECT_EQ(CheckVersion(*dialog), -1);
    EXPECT_EQ(Texts().back(),
              "Не удалось проверить обновление. Пожалуйста, проверьте настройки сети");
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SettingsDialogSimTest, ANewerVersionIsOfferedAndTakingItStartsTheUpdater) {
    record.m_VersionMajor = 1;
    record.m_VersionMinor = 3;
    auto dialog = Open();
    acceptUpdate = false;
    EXPECT_EQ(CheckVersion(*dialog), 1);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], QStringLiteral("Доступна новая версия программы. Обновить сейчас?"));
    EXPECT_TRUE(updaterUrls.empty());
    EXPECT_EQ(std::string(GetText(record.m_ResourceUrl)),
              sim->Scenario()["service"]["version"]["resourceUrl"].asString());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(notifier.Messages().empty());

    // The updater that cannot be started is said so; the dialog stays.
    acceptUpdate = true;
    updaterStarts = false;
    EXPECT_EQ(CheckVersion(*dialog), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Не удалось запустить программу обновления"});
    EXPECT_TRUE(dialog->isVisible());

    updaterStarts = true;
    EXPECT_EQ(CheckVersion(*dialog), 1);
    ASSERT_EQ(updaterUrls.size(), 2u);
    EXPECT_EQ(updaterUrls[1], std::string(GetText(record.m_ResourceUrl)));
    EXPECT_TRUE(dialog->UpdaterStarted());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SettingsDialogSimTest, APasswordChangeReachesTheServiceAndEmptiesTheBoxes) {
    auto dialog = Open();
    OtherSettingsPage* other = dialog->OtherPage();
    Find<QLineEdit>(other, 1133)->setText(QStringLiteral("demo1234"));
    Find<QLineEdit>(other, 1053)->setText(QStringLiteral("demo1234"));
    Find<QLineEdit>(other, 1135)->setText(QStringLiteral("demo1234"));
    QSignalSpy done(other, &OtherSettingsPage::PasswordChangeFinished);
    Find<QPushButton>(other, 1136)->click();
    ASSERT_TRUE(done.wait(60000));
    EXPECT_TRUE(done.front().front().toBool());
    EXPECT_EQ(Texts(), std::vector<std::string>{"Пароль изменен успешно"});
    for (const int id : {1133, 1053, 1135})
        EXPECT_TRUE(Find<QLineEdit>(other, id)->text().isEmpty());
    EXPECT_EQ(sim->Requests("changePassword.do").size(), 1u);
    // The account file remembers no password: it stays "0".
    AccountFile file;
    ASSERT_TRUE(file.Load(record.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("Password").value_or(""), "0");
}

TEST_F(SettingsDialogTest, TheLanguageChoiceIsSavedBesideTheAccountFilesForTheNextStart) {
    auto dialog = Open();
    QComboBox* language = dialog->BasicPage()->LanguageBox();
    ASSERT_EQ(language->count(), 2);
    EXPECT_EQ(language->itemText(0), QStringLiteral("Русский"));
    EXPECT_EQ(language->itemText(1), QStringLiteral("English"));
    EXPECT_EQ(language->currentIndex(), 0);
    language->setCurrentIndex(1);
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::English);
    // The dialog itself stays in the language the program started in.
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Настройки системы"));
    EXPECT_EQ(Open()->BasicPage()->LanguageBox()->currentIndex(), 1);
}

// Under NIMBREL_LANG the box shows the language in effect and says the environment chose it; a
// save keeps the stored choice for the starts without it.
TEST_F(SettingsDialogTest, TheLanguageChosenByTheEnvironmentIsShownAndKeepsTheStoredChoice) {
    ASSERT_TRUE(StoreLanguage(dir, InterfaceLanguage::Russian));
    ::setenv("NIMBREL_LANG", "en", 1);
    auto dialog = Open();
    ::unsetenv("NIMBREL_LANG");
    QComboBox* language = dialog->BasicPage()->LanguageBox();
    EXPECT_EQ(language->currentIndex(), 1);
    EXPECT_FALSE(language->isEnabled());
    auto* note = dialog->BasicPage()->findChild<QLabel*>(QStringLiteral("languageNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), QStringLiteral("Задан переменной окружения NIMBREL_LANG"));
    QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian);

    auto plain = Open();
    EXPECT_EQ(plain->BasicPage()->LanguageBox()->currentIndex(), 0);
    EXPECT_TRUE(plain->BasicPage()->LanguageBox()->isEnabled());
    EXPECT_EQ(plain->BasicPage()->findChild<QLabel*>(QStringLiteral("languageNote"))->text(),
              QStringLiteral("Применится после перезапуска"));
}

}  // namespace
}  // namespace nimbrel
