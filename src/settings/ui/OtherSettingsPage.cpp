#include "settings/ui/OtherSettingsPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "platform/FixedText.h"
#include "service/VersionCheck.h"
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

OtherSettingsPage::OtherSettingsPage(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                                     SettingsHooks hooks, HttpOptions http, QWidget* parent)
    : QWidget(parent),
      g_(g),
      app_(app),
      notifier_(notifier),
      hooks_(std::move(hooks)),
      http_(http),
      change_(g, app, notifier, PasswordChangeFlow::Options{http}),
      versionWorker_(std::make_unique<RequestWorker>("version-check")) {
    using namespace settings_text;
    ApplyFormStyle(this, palette::kNotice);

    auto* updates = new QGroupBox(Text(kUpdateGroup), this);
    update_ = new QButtonGroup(this);
    auto* updateRows = new QVBoxLayout(updates);
    updateRows->setContentsMargins(16, 10, 16, 8);
    updateRows->setSpacing(5);
    const struct {
        const char* text;
        int id;
        int value;
    } choices[] = {{kUpdateAutomatic, kSetUpdateAutomatic, 0},
                   {kUpdateNotify, kSetUpdateNotify, 1},
                   {kUpdateOff, kSetUpdateOff, 2}};
    for (const auto& c : choices) {
        auto* radio = new QRadioButton(Text(c.text), updates);
        Number(radio, c.id);
        update_->addButton(radio, c.value);
        updateRows->addWidget(radio);
    }

    version_ = new QLabel(this);
    Number(version_, kSetVersionText);
    checkVersion_ = new FlatButton(tr("Проверить обновление"), FlatButton::Scheme::Secondary, this);
    Number(checkVersion_, kSetCheckVersion);
    checkVersion_->setAutoDefault(false);
    connect(checkVersion_, &QPushButton::clicked, this, &OtherSettingsPage::CheckVersion);

    auto* password = new QGroupBox(Text(kPasswordGroup), this);
    auto* grid = new QGridLayout(password);
    grid->setContentsMargins(16, 10, 16, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    const struct {
        const char* label;
        int id;
    } boxes[] = {{QT_TR_NOOP("Старый пароль:"), kSetOldPassword},
                 {QT_TR_NOOP("Новый пароль:"), kSetNewPassword},
                 {QT_TR_NOOP("Повторите пароль:"), kSetRepeatPassword}};
    std::array<QLineEdit*, 3> edits{};
    for (int i = 0; i < 3; ++i) {
        auto* edit = new QLineEdit(password);
        edit->setEchoMode(QLineEdit::Password);
        edit->setMaxLength(259);
        edit->setFixedWidth(196);
        Number(edit, boxes[i].id);
        status_[static_cast<std::size_t>(i)] = MakeStatusLine(password);
        grid->addWidget(new QLabel(tr(boxes[i].label), password), i, 0);
        grid->addWidget(edit, i, 1);
        grid->addWidget(status_[static_cast<std::size_t>(i)], i, 2);
        edits[static_cast<std::size_t>(i)] = edit;
    }
    old_ = edits[0];
    new_ = edits[1];
    repeat_ = edits[2];
    apply_ = new FlatButton(tr("Применить"), FlatButton::Scheme::Primary, password);
    Number(apply_, kSetApplyPassword);
    apply_->setAutoDefault(false);
    apply_->setFixedSize(130, 30);
    grid->addWidget(apply_, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    connect(apply_, &QPushButton::clicked, this, &OtherSettingsPage::ApplyPassword);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(24, 14, 24, 14);
    body->setSpacing(10);
    body->addWidget(updates);
    auto* versionRow = new QHBoxLayout;
    versionRow->addSpacing(4);
    versionRow->addWidget(version_);
    versionRow->addSpacing(16);
    versionRow->addWidget(checkVersion_);
    versionRow->addStretch(1);
    body->addLayout(versionRow);
    body->addWidget(password);
    body->addStretch(1);

    // The password change reports on its worker's thread: the boxes are cleared here.
    change_.SetResultHandler([this](const PasswordChangeResult& result) {
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                if (result.clearBoxes)
                    for (QLineEdit* box : {old_, new_, repeat_}) box->clear();
                emit PasswordChangeFinished(result.ok);
            },
            Qt::QueuedConnection);
    });
}

OtherSettingsPage::~OtherSettingsPage() {
    change_.SetResultHandler({});
    versionWorker_->Abandon();
}

void OtherSettingsPage::Fill(const SettingsValues& values) {
    version_->setText(QString::fromStdString(
        SettingsFlow::VersionText(app_.m_VersionMajor, app_.m_VersionMinor)));
    // Any other stored value selects none of the three.
    update_->setExclusive(false);
    for (QAbstractButton* button : update_->buttons()) button->setChecked(false);
    update_->setExclusive(true);
    if (QAbstractButton* chosen = update_->button(values.update)) chosen->setChecked(true);
}

void OtherSettingsPage::Read(SettingsValues& values) const {
    values.update = update_->checkedId();
}

QWidget* OtherSettingsPage::Control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

QLabel* OtherSettingsPage::StatusLine(PasswordBox box) const {
    switch (box) {
        case PasswordBox::Old:
            return status_[0];
        case PasswordBox::New:
            return status_[1];
        case PasswordBox::Repeat:
            return status_[2];
        case PasswordBox::None:
            break;
    }
    return nullptr;
}

QLineEdit* OtherSettingsPage::Box(PasswordBox box) const {
    switch (box) {
        case PasswordBox::Old:
            return old_;
        case PasswordBox::New:
            return new_;
        case PasswordBox::Repeat:
            return repeat_;
        case PasswordBox::None:
            break;
    }
    return nullptr;
}

void OtherSettingsPage::CheckVersion() {
    // The requests (up to 20 s each) run beside the dialog, which stays responsive; the button
    // waits for the answer.
    const GlobalSettings& g = g_;
    AppRecord& app = app_;
    const HttpOptions http = http_;
    // The button comes back with the result, a moment before the last worker has finished
    // delivering it: that one is left to end alone.
    if (versionWorker_->Running())
        versionWorker_ = std::make_unique<RequestWorker>("version-check");
    const bool started = versionWorker_->Start<int>(
        [&g, &app, http] { return nimbrel::CheckVersion(g, app, http); },
        [this](int& result) {
            QMetaObject::invokeMethod(
                this, [this, result] { OnVersionResult(result); }, Qt::QueuedConnection);
        });
    if (started) checkVersion_->setEnabled(false);
}

void OtherSettingsPage::OnVersionResult(int result) {
    checkVersion_->setEnabled(true);
    VersionCheckMessage(result).ShowIn(notifier_);
    if (result == kVersionNewer || result == kVersionNewerRequired) {
        // A newer version is offered; taking it starts the updater with its address.
        if (hooks_.confirm(this, Text(kUpdateOffer))) {
            if (hooks_.startUpdater(std::string(GetText(app_.m_ResourceUrl))))
                emit UpdaterStarted();
            else
                notifier_.MessageBox(kUpdaterFailed, kVersionCaption);
        }
    }
    emit VersionChecked(result);
}

void OtherSettingsPage::ApplyPassword() {
    for (QLabel* status : status_) status->clear();
    const PasswordChangeCheck check = change_.Apply(
        old_->text().toStdString(), new_->text().toStdString(), repeat_->text().toStdString());
    if (check.started) return;
    QLineEdit* box = Box(check.box);
    if (!box) return;  // a change is still under way
    if (check.clear) box->clear();
    StatusLine(check.box)->setText(CoreText(check.status));
    box->setFocus();
}

void OtherSettingsPage::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), palette::kNotice);
}

void OtherSettingsPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace nimbrel
