#include "widgets/FramedMessageBox.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "widgets/FlatButton.h"

namespace nimbrel {
namespace {

constexpr int kMinTextWidth = 280;
constexpr int kMaxTextWidth = 460;

}  // namespace

FramedMessageBox::FramedMessageBox(const QString& caption, const QString& text, Buttons buttons,
                                   QWidget* parent)
    : FramedDialog(parent), text_(new QLabel(text, this)) {
    setWindowTitle(caption);
    text_->setObjectName(QStringLiteral("messageText"));
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setStyleSheet(
        QStringLiteral("color: rgb(60,60,60); background: transparent; font-size: 14px;"));
    // Short texts keep one line; long ones wrap at a width that still reads well.
    const int oneLine = text_->fontMetrics().horizontalAdvance(text) + 4;
    text_->setFixedWidth(std::clamp(oneLine, kMinTextWidth, kMaxTextWidth));

    const bool yesNo = buttons == Buttons::YesNo;
    accept_ = new FlatButton(yesNo ? tr("Да") : tr("ОК"), FlatButton::Scheme::Primary, this);
    connect(accept_, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(accept_);
    if (buttons != Buttons::Ok) {
        reject_ =
            new FlatButton(yesNo ? tr("Нет") : tr("Отмена"), FlatButton::Scheme::Secondary, this);
        connect(reject_, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(reject_);
    }
    // A question that would destroy something waits for a deliberate OK; a yes/no question
    // and a plain message take Enter as the answer.
    FlatButton* fallback = buttons == Buttons::OkCancel ? reject_ : accept_;
    fallback->setDefault(true);
    fallback->setFocus();

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(24, BandHeight() + 20, 24, 18);
    body->setSpacing(20);
    body->addWidget(text_);
    body->addLayout(row);
    body->setSizeConstraint(QLayout::SetFixedSize);
}

bool FramedMessageBox::Ask(QWidget* parent, const QString& caption, const QString& text,
                           Buttons buttons) {
    FramedMessageBox box(caption, text, buttons, parent);
    return box.exec() == QDialog::Accepted;
}

}  // namespace nimbrel
