#include "service/ui/FeedbackDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTextCursor>
#include <QVBoxLayout>

#include "widgets/FormStyle.h"

namespace nimbrel {

FeedbackDialog::FeedbackDialog(const GlobalSettings& g, const AppRecord& app,
                               UserNotifier& notifier, HttpOptions http, QWidget* parent)
    : FramedDialog(parent), flow_(g, app, notifier, http) {
    setWindowTitle(tr("Обратная связь"));
    setFixedSize(kWidth, kHeight);
    ApplyFormStyle(this, Qt::white);

    text_ = new QPlainTextEdit(this);
    text_->setPlaceholderText(tr("Ваш вопрос или предложение"));
    text_->setTabChangesFocus(true);
    connect(text_, &QPlainTextEdit::textChanged, this, &FeedbackDialog::KeepWithinLimit);
    send_ = new FlatButton(tr("Отправить"), FlatButton::Scheme::Primary, this);
    cancel_ = new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this);
    // Enter presses the focused one of the two; Enter elsewhere does nothing.
    send_->setAutoDefault(true);
    cancel_->setAutoDefault(true);
    connect(send_, &QPushButton::clicked, this, &FeedbackDialog::Send);
    connect(cancel_, &QPushButton::clicked, this, &FeedbackDialog::reject);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(24, BandHeight() + 14, 24, 16);
    body->setSpacing(10);
    body->addWidget(new QLabel(tr("Напишите нам, и мы ответим как можно скорее:"), this));
    body->addWidget(text_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(send_);
    buttons->addWidget(cancel_);
    body->addLayout(buttons);

    flow_.SetListener([this](FeedbackOutcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                if (outcome == FeedbackOutcome::Sent) text_->clear();
                emit Finished(outcome);
            },
            Qt::QueuedConnection);
    });
    text_->setFocus();
}

FeedbackDialog::~FeedbackDialog() {
    flow_.Close();
}

void FeedbackDialog::reject() {
    flow_.Close();
    FramedDialog::reject();
}

void FeedbackDialog::KeepWithinLimit() {
    const QString text = text_->toPlainText();
    auto limit = static_cast<qsizetype>(FeedbackFlow::kMaxTextUnits);
    if (text.size() <= limit) return;
    if (text.at(limit - 1).isHighSurrogate()) --limit;  // a character is kept whole or not at all
    // Typing or pasting past the box's size keeps the first 299 units.
    const QSignalBlocker quiet(text_);
    text_->setPlainText(text.left(limit));
    text_->moveCursor(QTextCursor::End);
}

void FeedbackDialog::Send() {
    const std::string text = text_->toPlainText().toStdString();
    if (flow_.StartSend(text) == FeedbackFlow::StartResult::Empty) text_->setFocus();
}

void FeedbackDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !send_->hasFocus() && !cancel_->hasFocus()) {
        event->accept();
        return;
    }
    FramedDialog::keyPressEvent(event);
}

}  // namespace nimbrel
