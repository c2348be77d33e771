#include "app/CClose.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace nimbrel {

CClose::CClose(AppRecord& app, QWidget* parent) : FramedDialog(parent), flow_(app) {
    setWindowTitle(tr("Закрытие программы"));
    setFixedSize(360, 228);

    auto* question = new QLabel(tr("Что сделать при закрытии окна?"), this);
    minimise_ = new QRadioButton(tr("Свернуть"), this);
    quit_ = new QRadioButton(tr("Выйти из программы"), this);
    dontAsk_ = new QCheckBox(tr("Больше не спрашивать"), this);
    ok_ = new FlatButton(tr("ОК"), FlatButton::Scheme::Primary, this);
    cancel_ = new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this);
    for (QWidget* w : {static_cast<QWidget*>(question), static_cast<QWidget*>(minimise_),
                       static_cast<QWidget*>(quit_), static_cast<QWidget*>(dontAsk_)}) {
        QFont f = w->font();
        f.setPixelSize(14);
        w->setFont(f);
        w->setStyleSheet(QStringLiteral("color: rgb(60,60,60); background: white;"));
    }
    // Enter presses the focused button: OK confirms, Cancel cancels.
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(true);
    ok_->setDefault(true);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(28, BandHeight() + 16, 28, 18);
    body->setSpacing(8);
    body->addWidget(question);
    body->addWidget(minimise_);
    body->addWidget(quit_);
    body->addSpacing(4);
    body->addWidget(dontAsk_);
    body->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    body->addLayout(buttons);

    const CloseChoice opening = flow_.Opening();
    (opening.minimise ? minimise_ : quit_)->setChecked(true);
    dontAsk_->setChecked(opening.dontAsk);
    ok_->setFocus();

    connect(ok_, &QPushButton::clicked, this, &CClose::Confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CClose::Confirm() {
    CloseChoice choice;
    choice.minimise = minimise_->isChecked();
    choice.dontAsk = dontAsk_->isChecked();
    // A file that cannot be loaded or saved changes nothing: the dialog stays open.
    if (!flow_.Confirm(choice)) return;
    outcome_ = choice.minimise ? Outcome::Minimise : Outcome::Quit;
    accept();
}

}  // namespace nimbrel
