#include "settings/ui/BasicSettingsPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "widgets/CoreText.h"
#include "widgets/FormStyle.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

// A core text in the user's language.
QString Text(const char* utf8) {
    return CoreText(utf8);
}

void Number(QWidget* control, int id) {
    control->setObjectName(QString::number(id));
}

}  // namespace

BasicSettingsPage::BasicSettingsPage(const SettingsFlow& flow, UserNotifier& notifier,
                                     SettingsHooks hooks, QWidget* parent)
    : QWidget(parent), flow_(flow), notifier_(notifier), hooks_(std::move(hooks)) {
    using namespace settings_text;
    ApplyFormStyle(this, palette::kNotice);
    video_ = MakeFolderRow(FolderKind::Video, kSetVideoPath, kSetVideoBrowse, kSetVideoOpen,
                           kSetVideoAutomatic);
    image_ = MakeFolderRow(FolderKind::Image, kSetImagePath, kSetImageBrowse, kSetImageOpen,
                           kSetImageAutomatic);

    fileLength_ = new QComboBox(this);
    fileLength_->setFixedWidth(84);
    Number(fileLength_, kSetFileLength);
    toTray_ = new QRadioButton(Text(kMinimise), this);
    Number(toTray_, kSetToTray);
    quit_ = new QRadioButton(Text(kQuit), this);
    Number(quit_, kSetQuit);
    showClose_ = new QCheckBox(Text(kShowClose), this);
    Number(showClose_, kSetShowClose);
    autoLogin_ = new QCheckBox(Text(kAutoLogin), this);
    Number(autoLogin_, kSetAutoLogin);
    autoPlay_ = new QCheckBox(Text(kAutoPlay), this);
    Number(autoPlay_, kSetAutoPlay);
    autostart_ = new QCheckBox(Text(kAutostart), this);
    Number(autostart_, kSetAutostart);
    desktopNotices_ = new QCheckBox(Text(kDesktopNotices), this);
    Number(desktopNotices_, kSetDesktopNotices);
    language_ = new QComboBox(this);
    language_->setObjectName(QStringLiteral("language"));
    language_->addItem(Text(kRussian));
    language_->addItem(Text(kEnglish));
    archiveDays_ = new QLineEdit(this);
    archiveDays_->setObjectName(QStringLiteral("archiveDays"));
    archiveDays_->setFixedWidth(56);
    archiveDays_->setMaxLength(4);
    archiveSize_ = new QLineEdit(this);
    archiveSize_->setObjectName(QStringLiteral("archiveSize"));
    archiveSize_->setFixedWidth(64);
    archiveSize_->setMaxLength(16);
    archiveUnit_ = new QComboBox(this);
    archiveUnit_->setObjectName(QStringLiteral("archiveSizeUnit"));
    archiveUnit_->addItem(tr("ГБ"));
    archiveUnit_->addItem(tr("% диска"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 18, 24, 14);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    grid->setColumnStretch(1, 1);
    int row = 0;
    const auto caption = [&](const QString& text) {
        grid->addWidget(new QLabel(text + QStringLiteral(":"), this), row, 0);
    };
    for (const auto& [label, folder] : {std::pair{kVideoLabel, &video_}, {kImageLabel, &image_}}) {
        caption(Text(label));
        grid->addWidget(folder->path, row, 1);
        grid->addWidget(folder->browse, row, 2);
        grid->addWidget(folder->open, row, 3);
        ++row;
        grid->addWidget(folder->automatic, row++, 1, 1, 3);
    }
    grid->setRowMinimumHeight(row++, 6);

    caption(Text(kFileLengthLabel));
    auto* length = new QHBoxLayout;
    length->setSpacing(8);
    length->addWidget(fileLength_);
    length->addWidget(new QLabel(Text(kMinutes), this));
    length->addStretch(1);
    grid->addLayout(length, row++, 1, 1, 3);

    caption(tr("Хранить записи"));
    auto* retention = new QHBoxLayout;
    retention->setSpacing(8);
    retention->addWidget(archiveDays_);
    retention->addWidget(new QLabel(tr("дней, не более"), this));
    retention->addWidget(archiveSize_);
    retention->addWidget(archiveUnit_);
    retention->addStretch(1);
    grid->addLayout(retention, row++, 1, 1, 3);
    auto* noLimit = new QLabel(tr("0 — без ограничения"), this);
    noLimit->setStyleSheet(QStringLiteral("color: #808080;"));
    grid->addWidget(noLimit, row++, 1, 1, 3);

    caption(Text(kCloseLabel));
    auto* closing = new QHBoxLayout;
    closing->setSpacing(18);
    closing->addWidget(toTray_);
    closing->addWidget(quit_);
    closing->addStretch(1);
    grid->addLayout(closing, row++, 1, 1, 3);
    grid->addWidget(showClose_, row++, 1, 1, 3);

    caption(tr("Вход в учетную запись"));
    grid->addWidget(autoLogin_, row++, 1, 1, 3);
    caption(tr("При запуске программы"));
    grid->addWidget(autoPlay_, row++, 1, 1, 3);
    caption(tr("Вместе с системой"));
    grid->addWidget(autostart_, row++, 1, 1, 3);
    caption(Text(kNoticesLabel));
    grid->addWidget(desktopNotices_, row++, 1, 1, 3);
    caption(Text(kLanguageLabel));
    auto* language = new QHBoxLayout;
    language->setSpacing(12);
    language->addWidget(language_);
    languageNote_ = new QLabel(Text(kLanguageNote), this);
    languageNote_->setObjectName(QStringLiteral("languageNote"));
    languageNote_->setStyleSheet(QStringLiteral("color: #808080;"));
    language->addWidget(languageNote_);
    language->addStretch(1);
    grid->addLayout(language, row++, 1, 1, 3);
    grid->setRowStretch(row, 1);
}

BasicSettingsPage::FolderRow BasicSettingsPage::MakeFolderRow(FolderKind kind, int pathId,
                                                              int browseId, int openId,
                                                              int automaticId) {
    FolderRow row;
    row.path = new QLineEdit(this);
    row.path->setMaxLength(static_cast<int>(kMaxFolderUnits));
    Number(row.path, pathId);
    row.browse = new FlatButton(tr("Обзор…"), FlatButton::Scheme::Secondary, this);
    Number(row.browse, browseId);
    row.open = new FlatButton(tr("Открыть"), FlatButton::Scheme::Secondary, this);
    Number(row.open, openId);
    row.automatic = new QCheckBox(Text(settings_text::kAutomaticFolder), this);
    Number(row.automatic, automaticId);
    for (FlatButton* button : {row.browse, row.open}) {
        // Enter is swallowed by the page, never a click.
        button->setAutoDefault(false);
        button->setFixedSize(86, 28);
    }
    connect(row.browse, &QPushButton::clicked, this, [this, row] { Browse(row); });
    connect(row.open, &QPushButton::clicked, this, [this, row] { Open(row); });
    connect(row.automatic, &QCheckBox::toggled, this,
            [this, kind, row](bool ticked) { Automatic(kind, row, ticked); });
    return row;
}

void BasicSettingsPage::Fill(const SettingsValues& values) {
    // Both automatic choices start unticked, their browse buttons enabled.
    for (const FolderRow* row : {&video_, &image_}) {
        row->automatic->setChecked(false);
        row->browse->setEnabled(true);
    }
    fileLength_->clear();
    // The language in effect: NIMBREL_LANG's when it chose one, which the box then cannot change.
    environmentLanguage_ = values.languageFromEnvironment;
    const InterfaceLanguage shown = environmentLanguage_.value_or(values.language);
    language_->setCurrentIndex(shown == InterfaceLanguage::English ? 1 : 0);
    language_->setEnabled(!environmentLanguage_);
    languageNote_->setText(Text(environmentLanguage_ ? settings_text::kLanguageFromEnvironment
                                                : settings_text::kLanguageNote));
    if (!values.loaded) return;
    video_.path->setText(QString::fromStdString(values.videoPath));
    image_.path->setText(QString::fromStdString(values.imagePath));
    for (const std::string_view length : kFileLengths)
        fileLength_->addItem(QString::fromUtf8(length.data(), static_cast<int>(length.size())));
    fileLength_->setCurrentIndex(values.fileLength);
    (values.toTray ? toTray_ : quit_)->setChecked(true);
    showClose_->setChecked(values.showClose);
    autoLogin_->setChecked(values.autoLogin);
    autoPlay_->setChecked(values.autoPlay);
    autostart_->setChecked(values.autostart);
    desktopNotices_->setChecked(values.desktopNotices);
    archiveDays_->setText(QString::fromStdString(values.archiveDays));
    // "N%" is a share of the disk, anything else gigabytes.
    const bool share = values.archiveSize.ends_with('%');
    const std::string size =
        share ? values.archiveSize.substr(0, values.archiveSize.size() - 1) : values.archiveSize;
    archiveSize_->setText(QString::fromStdString(size));
    archiveUnit_->setCurrentIndex(share ? 1 : 0);
}

void BasicSettingsPage::Read(SettingsValues& values) const {
    values.videoPath = video_.path->text().toStdString();
    values.imagePath = image_.path->text().toStdString();
    values.fileLength = fileLength_->currentIndex();
    values.toTray = toTray_->isChecked();
    values.showClose = showClose_->isChecked();
    values.autoLogin = autoLogin_->isChecked();
    values.autoPlay = autoPlay_->isChecked();
    values.language =
        language_->currentIndex() == 1 ? InterfaceLanguage::English : InterfaceLanguage::Russian;
    values.languageFromEnvironment = environmentLanguage_;
    values.autostart = autostart_->isChecked();
    values.desktopNotices = desktopNotices_->isChecked();
    // An empty box is no limit; a limit of 0 is none in either unit.
    const auto number = [](const QLineEdit* box) {
        const std::string text = box->text().trimmed().toStdString();
        return text.empty() ? std::string("0") : text;
    };
    values.archiveDays = number(archiveDays_);
    const std::string size = number(archiveSize_);
    values.archiveSize = size != "0" && archiveUnit_->currentIndex() == 1 ? size + "%" : size;
}

QWidget* BasicSettingsPage::Control(int id) const {
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void BasicSettingsPage::Browse(const FolderRow& row) {
    const QString chosen = hooks_.chooseFolder(this, Text(settings_text::kChooseFolder));
    if (chosen.isEmpty()) return;
    row.path->setText(
        QString::fromStdString(SettingsFlow::WithTrailingSlash(chosen.toStdString())));
}

void BasicSettingsPage::Open(const FolderRow& row) {
    const QString folder = row.path->text();
    // A folder that cannot be made: nothing happens.
    if (!SettingsFlow::MakeFolder(folder.toStdString())) return;
    hooks_.openFolder(QString::fromStdString(StoredSettingValue("VideoPath", folder.toStdString())));
}

void BasicSettingsPage::Automatic(FolderKind kind, const FolderRow& row, bool ticked) {
    if (!ticked) {
        row.browse->setEnabled(true);
        return;
    }
    const auto folder = flow_.AutomaticFolder(kind);
    if (!folder) {
        const QSignalBlocker quiet(row.automatic);
        row.automatic->setChecked(false);
        notifier_.MessageBox(settings_text::kNoAutomaticFolder, settings_text::kCaption);
        return;
    }
    row.path->setText(QString::fromStdString(*folder));
    row.browse->setEnabled(false);
}

void BasicSettingsPage::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), palette::kNotice);
}

void BasicSettingsPage::keyPressEvent(QKeyEvent* event) {
    // Enter does nothing on the pages; Escape goes on to the dialog, which closes.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace nimbrel
