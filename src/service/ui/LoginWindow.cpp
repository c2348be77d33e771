#include "service/ui/LoginWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "widgets/Artwork.h"
#include "widgets/BitmapButton.h"
#include "widgets/CoreText.h"
#include "widgets/NoticeArea.h"
#include "widgets/Palette.h"
#include "widgets/ResourcePath.h"

namespace nimbrel {
namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 372;
constexpr int kFieldLeft = 56;
constexpr int kFieldWidth = 328;

const char* kFieldStyleText =
    "QLineEdit, QComboBox { background: white; color: rgb(60,60,60); border: 1px solid white;"
    " border-radius: 4px; padding: 0 10px; font-size: 14px; }"
    "QLineEdit:focus, QComboBox:focus { border: 1px solid rgb(208,229,248); }"
    "QLineEdit:disabled, QComboBox:disabled { background: rgb(226,238,250); color: "
    "rgb(110,116,124); }"
    "QComboBox QLineEdit { border: none; padding: 0; }"
    "QComboBox::drop-down { width: 26px; border: none; }"
    "QComboBox QAbstractItemView { background: white; color: rgb(60,60,60);"
    " selection-background-color: rgb(64,155,228); selection-color: white; }";

QString FieldStyle() {
    return QString::fromLatin1(kFieldStyleText) +
           QStringLiteral("QComboBox::down-arrow { image: url(%1); width: 12px; height: 12px; }")
               .arg(ResourcePath("ComboArrow.png"));
}

// White text and white boxes drawn from the program's pictures, readable on the blue window.
QString CheckStyle() {
    return QStringLiteral(
               "QCheckBox { color: white; font-size: 13px; background: transparent; spacing: 7px; }"
               "QCheckBox::indicator { width: 16px; height: 16px; image: url(%1); }"
               "QCheckBox::indicator:checked { image: url(%2); }"
               "QCheckBox:disabled { color: rgba(255,255,255,150); }")
        .arg(ResourcePath("CheckOff.png"), ResourcePath("CheckOn.png"));
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}
std::string ToLocal(const QString& text) {
    return text.toStdString();
}

}  // namespace

LoginWindow::LoginWindow(LoginFlow& flow, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      flow_(flow) {
    setWindowTitle(Title());
    setFixedSize(kWidth, kHeight);
    // Notices (a field left empty) show over the logo, not over the fields they are about.
    SetNoticeArea(this, QRect(0, 46, kWidth, 64));
    BuildControls();

    // The flow reports on its own threads; the window is updated on its thread only. A report
    // that arrives after the window is gone is dropped.
    QPointer<LoginWindow> self(this);
    flow_.SetStatusHandler([self](const std::string& text) {
        QMetaObject::invokeMethod(
            qApp,
            [self, text] {
                if (self && self->running_) self->status_->setText(CoreText(text));
            },
            Qt::QueuedConnection);
    });
    flow_.SetFinishedHandler([self](const LoginResult& result) {
        QMetaObject::invokeMethod(
            qApp,
            [self, result] {
                if (self) self->OnFinished(result);
            },
            Qt::QueuedConnection);
    });
}

LoginWindow::~LoginWindow() {
    flow_.SetStatusHandler({});
    flow_.SetFinishedHandler({});
    flow_.Cancel();
}

void LoginWindow::BuildControls() {
    minimise_ = new BitmapButton(this);
    minimise_->SetPictureBase("TitleMin");
    minimise_->setGeometry(kWidth - 66, 6, 30, 20);
    minimise_->setFocusPolicy(Qt::NoFocus);
    minimise_->setToolTip(tr("Свернуть"));
    connect(minimise_, &QAbstractButton::clicked, this, &QWidget::showMinimized);

    close_ = new BitmapButton(this);
    close_->SetPictureBase("TitleClose");
    close_->setGeometry(kWidth - 34, 6, 30, 20);
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setToolTip(tr("Закрыть"));
    connect(close_, &QAbstractButton::clicked, this, &LoginWindow::reject);

    userName_ = new QComboBox(this);
    userName_->setEditable(true);
    userName_->setInsertPolicy(QComboBox::NoInsert);
    userName_->lineEdit()->setMaxLength(259);
    userName_->lineEdit()->setPlaceholderText(tr("Имя пользователя"));
    userName_->setGeometry(kFieldLeft, 140, kFieldWidth, 36);
    userName_->setStyleSheet(FieldStyle());

    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(259);
    password_->setPlaceholderText(tr("Пароль"));
    password_->setGeometry(kFieldLeft, 186, kFieldWidth, 36);
    password_->setStyleSheet(FieldStyle());

    autoLogin_ = new QCheckBox(tr("Автоматический вход"), this);
    autoLogin_->setStyleSheet(CheckStyle());
    autoLogin_->setGeometry(kFieldLeft, 230, 180, 24);
    remember_ = new QCheckBox(tr("Запомнить пароль"), this);
    remember_->setStyleSheet(CheckStyle());
    // Right-aligned to the fields, as wide as its text needs in the language shown.
    const int rememberWidth = std::max(150, remember_->sizeHint().width());
    remember_->setGeometry(kFieldLeft + kFieldWidth - rememberWidth, 230, rememberWidth, 24);

    login_ = new FlatButton(tr("Войти"), FlatButton::Scheme::OnBlue, this);
    login_->setGeometry(kFieldLeft, 264, kFieldWidth, 38);
    login_->setDefault(true);
    cancel_ = new FlatButton(tr("Отмена"), FlatButton::Scheme::OnBlue, this);
    cancel_->setGeometry(kFieldLeft, 264, kFieldWidth, 38);
    cancel_->hide();

    // Two lines between the login button and "Забыли пароль?": the longer hints wrap.
    status_ = new QLabel(this);
    status_->setGeometry(20, 304, kWidth - 40, 34);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setStyleSheet(
        QStringLiteral("color: white; background: transparent; font-size: 12px;"));

    forgot_ = new QPushButton(tr("Забыли пароль?"), this);
    forgot_->setFlat(true);
    forgot_->setGeometry(kWidth - 150, kHeight - 34, 136, 24);
    forgot_->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: transparent; border: none; font-size: 13px;"
        " text-align: right; } QPushButton:disabled { color: rgba(255,255,255,130); }"));
    forgot_->setCursor(Qt::PointingHandCursor);
    forgot_->setFocusPolicy(Qt::NoFocus);
    forgot_->setEnabled(false);

    setTabOrder(userName_, password_);
    setTabOrder(password_, autoLogin_);
    setTabOrder(autoLogin_, remember_);
    setTabOrder(remember_, login_);

    connect(userName_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        flow_.EditUserName(ToLocal(text));
        status_->clear();
        ShowFields();
    });
    connect(userName_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index < 0)
            flow_.ChooseAccount(std::nullopt);
        else
            flow_.ChooseAccount(ToLocal(userName_->itemText(index)));
        ShowFields();
    });
    connect(password_, &QLineEdit::textEdited, this, [this](const QString& text) {
        flow_.EditPassword(ToLocal(text));
        status_->clear();
    });
    connect(autoLogin_, &QCheckBox::clicked, this, [this](bool on) {
        flow_.SetAutoLogin(on);
        ShowFields();
    });
    connect(remember_, &QCheckBox::clicked, this,
            [this](bool on) { flow_.SetRememberPassword(on); });
    connect(login_, &QPushButton::clicked, this, &LoginWindow::StartLogin);
    connect(forgot_, &QPushButton::clicked, this, &LoginWindow::ForgotPassword);
    connect(cancel_, &QPushButton::clicked, this, [this] { flow_.Cancel(); });
}

void LoginWindow::Open() {
    const LoginFlow::Opening opening = flow_.Open();
    for (const std::string& name : opening.accounts) userName_->addItem(FromUtf8(name));
    ShowFields();
    if (opening.automatic) {
        ApplyCheck(*opening.automatic);
        return;
    }
    Focus(opening.focus);
}

void LoginWindow::SetForgotPassword(std::function<void(const QString&)> open) {
    forgotPassword_ = std::move(open);
    forgot_->setEnabled(static_cast<bool>(forgotPassword_) && !running_);
}

void LoginWindow::ForgotPassword() {
    if (!forgotPassword_ || running_) return;
    // Hidden as a plain window: hiding the dialog itself would end its modal run (the login).
    QWidget::setVisible(false);
    forgotPassword_(userName_->currentText());
    QWidget::setVisible(true);
    raise();
    activateWindow();
}

void LoginWindow::ShowFields() {
    const LoginFields fields = flow_.Fields();
    const QString name = FromUtf8(fields.userName);
    if (userName_->currentText() != name) {
        const int index = userName_->findText(name);
        if (index >= 0)
            userName_->setCurrentIndex(index);
        else
            userName_->setEditText(name);
    }
    if (password_->text() != FromUtf8(fields.password))
        password_->setText(FromUtf8(fields.password));
    autoLogin_->setChecked(fields.autoLogin);
    remember_->setChecked(fields.rememberPassword);
}

void LoginWindow::Focus(LoginBox box) {
    if (box == LoginBox::UserName) userName_->setFocus();
    if (box == LoginBox::Password) password_->setFocus();
}

void LoginWindow::StartLogin() {
    if (running_) return;
    ApplyCheck(flow_.Login());
}

void LoginWindow::ApplyCheck(const LoginCheck& check) {
    ShowFields();
    if (check.started) {
        SetRunning(true);
        return;
    }
    if (check.alsoStatus) status_->setText(CoreText(check.hint));
    Focus(check.focus);
}

void LoginWindow::SetRunning(bool running) {
    running_ = running;
    for (QWidget* field : {static_cast<QWidget*>(userName_), static_cast<QWidget*>(password_),
                           static_cast<QWidget*>(autoLogin_), static_cast<QWidget*>(remember_)})
        field->setEnabled(!running);
    login_->setVisible(!running);
    cancel_->setVisible(running);
    forgot_->setEnabled(!running && forgotPassword_);
    if (running)
        cancel_->setFocus();
    else
        login_->setFocus();
}

void LoginWindow::OnFinished(const LoginResult& result) {
    SetRunning(false);
    status_->setText(CoreText(result.message));
    ShowFields();
    if (result.outcome == LoginOutcome::WrongPassword ||
        result.outcome == LoginOutcome::TokenExpired)
        password_->setFocus();
    emit Finished(static_cast<int>(result.outcome));
    if (result.outcome == LoginOutcome::LoggedIn) {
        loggedIn_ = true;
        accept();
    }
}

void LoginWindow::reject() {
    // Closing while a login runs abandons it; the program then ends without an account.
    if (running_) flow_.Cancel();
    QDialog::reject();
}

void LoginWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!running_) StartLogin();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LoginWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, palette::kBlue);
    fill.setColorAt(1, QColor(44, 128, 204));
    p.fillRect(rect(), fill);

    const QPixmap logo = SharedPixmap(QStringLiteral("LogoWhite.png"), devicePixelRatioF());
    const int logoSize = 64;
    QFont title = font();
    title.setPixelSize(26);
    title.setBold(true);
    const int textWidth = QFontMetrics(title).horizontalAdvance(QStringLiteral("Farlo"));
    const int total = logoSize + 12 + textWidth;
    const int x = (width() - total) / 2;
    if (!logo.isNull()) p.drawPixmap(QRect(x, 46, logoSize, logoSize), logo);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(x + logoSize + 12, 46, textWidth + 4, logoSize), Qt::AlignVCenter,
               QStringLiteral("Farlo"));

    QFont small = font();
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRect(12, 0, width() - 100, 32), Qt::AlignVCenter, Title());

    p.setPen(QColor(36, 118, 190));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void LoginWindow::mousePressEvent(QMouseEvent* event) {
    if (!mover_.Press(event)) QDialog::mousePressEvent(event);
}

void LoginWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!mover_.Move(event)) QDialog::mouseMoveEvent(event);
}

void LoginWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!mover_.Release(event)) QDialog::mouseReleaseEvent(event);
}

}  // namespace nimbrel
