#include "service/ui/PasswordRecoveryDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "service/SecurityQuestions.h"
#include "widgets/CoreText.h"
#include "widgets/FormStyle.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

constexpr int kStepsTop = 50;  // the step names under the band
constexpr const char* kStepNames[] = {
    QT_TRANSLATE_NOOP("nimbrel::PasswordRecoveryDialog", "Учетная запись"),
    QT_TRANSLATE_NOOP("nimbrel::PasswordRecoveryDialog", "Секретный вопрос"),
    QT_TRANSLATE_NOOP("nimbrel::PasswordRecoveryDialog", "Новый пароль")};

QLineEdit* NewBox(QWidget* parent, bool password) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(259);
    if (password) box->setEchoMode(QLineEdit::Password);
    return box;
}

FlatButton* Button(const QString& text, FlatButton::Scheme scheme, QWidget* parent) {
    auto* button = new FlatButton(text, scheme, parent);
    // Enter is swallowed by the dialog; the buttons go by mouse and Space.
    button->setAutoDefault(false);
    return button;
}

QWidget* Panel(QWidget* parent, QFormLayout*& form) {
    auto* panel = new QWidget(parent);
    form = new QFormLayout(panel);
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    return panel;
}

// A row's label, of one width on every step so that the boxes of the steps line up.
QLabel* RowLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(140);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace

PasswordRecoveryDialog::PasswordRecoveryDialog(const GlobalSettings& g, UserNotifier& notifier,
                                               const QString& typedName, HttpOptions http,
                                               QWidget* parent)
    : FramedDialog(parent), flow_(g, notifier, PasswordRecoveryFlow::Options{http}) {
    setWindowTitle(tr("Восстановление пароля"));
    setFixedSize(kWidth, kHeight);
    ApplyFormStyle(this, Qt::white);

    QFormLayout* form = nullptr;
    panels_[0] = Panel(this, form);
    name_ = NewBox(panels_[0], false);
    name_->setText(typedName.left(259));
    next_ = Button(tr("Далее"), FlatButton::Scheme::Primary, panels_[0]);
    form->addRow(RowLabel(tr("Имя пользователя:"), panels_[0]), name_);
    form->addRow(RowLabel(QString(), panels_[0]), next_);

    panels_[1] = Panel(this, form);
    questions_ = new QComboBox(panels_[1]);
    // The longest question may be cut in the box; the open list shows it whole.
    questions_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    questions_->setMinimumContentsLength(16);
    answer_ = NewBox(panels_[1], false);
    confirm_ = Button(tr("Подтвердить"), FlatButton::Scheme::Primary, panels_[1]);
    form->addRow(RowLabel(tr("Секретный вопрос:"), panels_[1]), questions_);
    form->addRow(RowLabel(tr("Ответ:"), panels_[1]), answer_);
    form->addRow(RowLabel(QString(), panels_[1]), confirm_);

    panels_[2] = Panel(this, form);
    newPassword_ = NewBox(panels_[2], true);
    repeat_ = NewBox(panels_[2], true);
    submit_ = Button(tr("Отправить"), FlatButton::Scheme::Primary, panels_[2]);
    form->addRow(RowLabel(tr("Новый пароль:"), panels_[2]), newPassword_);
    form->addRow(RowLabel(tr("Повторите пароль:"), panels_[2]), repeat_);
    form->addRow(RowLabel(QString(), panels_[2]), submit_);

    back_ = Button(tr("Назад"), FlatButton::Scheme::Secondary, this);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(30, kStepsTop + 44, 30, 18);
    for (QWidget* panel : panels_) body->addWidget(panel);
    body->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(back_);
    bottom->addStretch(1);
    body->addLayout(bottom);

    connect(next_, &QPushButton::clicked, this,
            [this] { Apply(flow_.SubmitAccount(name_->text().toStdString())); });
    connect(confirm_, &QPushButton::clicked, this, [this] {
        Apply(flow_.SubmitAnswer(questions_->currentIndex(), answer_->text().toStdString()));
    });
    connect(submit_, &QPushButton::clicked, this, [this] {
        Apply(flow_.SubmitNewPassword(newPassword_->text().toStdString(),
                                      repeat_->text().toStdString()));
    });
    connect(back_, &QPushButton::clicked, this, &PasswordRecoveryDialog::reject);

    flow_.SetResultHandler([this](const RecoveryResult& result) {
        const bool ok = result.ok;
        QMetaObject::invokeMethod(
            this,
            [this, ok] {
                ShowStep(flow_.Step());
                emit StepFinished(ok);
            },
            Qt::QueuedConnection);
    });
    ShowStep(RecoveryStep::Account);
}

PasswordRecoveryDialog::~PasswordRecoveryDialog() {
    flow_.SetResultHandler({});
    flow_.Back();
}

void PasswordRecoveryDialog::ShowStep(RecoveryStep step) {
    if (step == RecoveryStep::Question && shown_ != RecoveryStep::Question) {
        questions_->clear();
        for (const int number : flow_.Questions()) {
            const auto text = SecurityQuestionText(number);
            if (!text) continue;
            questions_->addItem(CoreText(std::string(*text)), number);
        }
        questions_->setCurrentIndex(0);
    }
    shown_ = step;
    const int index = static_cast<int>(step) - 1;
    for (int i = 0; i < 3; ++i) panels_[static_cast<std::size_t>(i)]->setVisible(i == index);
    QWidget* first = step == RecoveryStep::Account    ? static_cast<QWidget*>(name_)
                     : step == RecoveryStep::Question ? static_cast<QWidget*>(answer_)
                                                      : static_cast<QWidget*>(newPassword_);
    first->setFocus();
    update();
}

QLineEdit* PasswordRecoveryDialog::Box(RecoveryBox box) const {
    switch (box) {
        case RecoveryBox::AccountName:
            return name_;
        case RecoveryBox::Answer:
            return answer_;
        case RecoveryBox::NewPassword:
            return newPassword_;
        case RecoveryBox::Repeat:
            return repeat_;
        case RecoveryBox::None:
            break;
    }
    return nullptr;
}

void PasswordRecoveryDialog::Apply(const RecoveryCheck& check) {
    if (QLineEdit* cleared = Box(check.clear)) cleared->clear();
    if (QLineEdit* focused = Box(check.focus)) focused->setFocus();
}

void PasswordRecoveryDialog::reject() {
    flow_.Back();
    FramedDialog::reject();
}

void PasswordRecoveryDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            FramedDialog::keyPressEvent(event);
    }
}

void PasswordRecoveryDialog::paintEvent(QPaintEvent* event) {
    FramedDialog::paintEvent(event);
    // The three steps under the band, the current one in blue.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = font();
    f.setPixelSize(13);
    p.setFont(f);
    const QFontMetrics metrics(f);
    constexpr int kCircle = 22, kGap = 8, kLink = 34;  // a short line links the steps
    int total = 2 * kLink;
    for (const char* name : kStepNames)
        total += kCircle + kGap + metrics.horizontalAdvance(tr(name));
    int x = (width() - total) / 2;
    for (int i = 0; i < 3; ++i) {
        const bool current = i == static_cast<int>(shown_) - 1;
        const bool done = i < static_cast<int>(shown_) - 1;
        const QString name = tr(kStepNames[i]);
        const QRect circle(x, kStepsTop + 3, kCircle, kCircle);
        p.setPen(Qt::NoPen);
        p.setBrush(current || done ? palette::kBlue : palette::kLine);
        p.drawEllipse(circle);
        p.setPen(Qt::white);
        p.drawText(circle, Qt::AlignCenter, QString::number(i + 1));
        const int textWidth = metrics.horizontalAdvance(name);
        p.setPen(current ? palette::kBlueDark : palette::kInkSoft);
        p.drawText(QRect(x + kCircle + kGap, kStepsTop, textWidth + 2, 28),
                   Qt::AlignVCenter | Qt::AlignLeft, name);
        x += kCircle + kGap + textWidth;
        if (i < 2) {
            p.setPen(palette::kLine);
            p.drawLine(x + 8, kStepsTop + 14, x + kLink - 8, kStepsTop + 14);
            x += kLink;
        }
    }
}

}  // namespace nimbrel
