#include "service/ui/PasswordConfirmDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nimbrel {

PasswordConfirmDialog::PasswordConfirmDialog(std::string storedPassword, QWidget* parent)
    : QDialog(parent),
      flow_(std::move(storedPassword)),
      box_(new QLineEdit(this)),
      status_(new QLabel(this)),
      ok_(new QPushButton(QStringLiteral("ОК"), this)),
      cancel_(new QPushButton(QStringLiteral("Отмена"), this)) {
    setWindowTitle(QStringLiteral("Подтверждение пароля"));
    box_->setEchoMode(QLineEdit::Password);
    box_->setMaxLength(259);
    QPalette red = status_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    status_->setPalette(red);
    ok_->setDefault(true);

    connect(ok_, &QPushButton::clicked, this, &PasswordConfirmDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(box_, &QLineEdit::textEdited, this, [this] {
        flow_.Edited();
        status_->setText(QString::fromStdString(flow_.StatusText()));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Введите пароль учетной записи:"), this));
    layout->addWidget(box_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setFixedSize(320, 150);
}

void PasswordConfirmDialog::OnOk() {
    // The box holds 8-bit text: the password is sent and stored as it was typed.
    const PasswordConfirmFlow::Result result = flow_.Confirm(box_->text().toStdString());
    if (result.clearBox) box_->clear();
    status_->setText(QString::fromStdString(flow_.StatusText()));
    if (result.accepted) accept();
}

}  // namespace nimbrel
