#include "service/ui/PasswordConfirmDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"
#include "widgets/FormStyle.h"

namespace nimbrel {

PasswordConfirmDialog::PasswordConfirmDialog(std::string storedPassword, QWidget* parent)
    : FramedDialog(parent),
      flow_(std::move(storedPassword)),
      box_(new QLineEdit(this)),
      status_(MakeStatusLine(this)),
      ok_(new FlatButton(tr("ОК"), FlatButton::Scheme::Primary, this)),
      cancel_(new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this)) {
    setWindowTitle(tr("Подтверждение пароля"));
    ApplyFormStyle(this, Qt::white);
    box_->setEchoMode(QLineEdit::Password);
    box_->setMaxLength(259);
    ok_->setDefault(true);

    connect(ok_, &QPushButton::clicked, this, &PasswordConfirmDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(box_, &QLineEdit::textEdited, this, [this] {
        flow_.Edited();
        status_->setText(CoreText(flow_.StatusText()));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, BandHeight() + 14, 24, 16);
    layout->setSpacing(8);
    layout->addWidget(new QLabel(tr("Введите пароль учетной записи:"), this));
    layout->addWidget(box_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setFixedSize(360, 210);
    box_->setFocus();
}

void PasswordConfirmDialog::OnOk() {
    // The box holds 8-bit text: the password is sent and stored as it was typed.
    const PasswordConfirmFlow::Result result = flow_.Confirm(box_->text().toStdString());
    if (result.clearBox) box_->clear();
    status_->setText(CoreText(flow_.StatusText()));
    if (result.accepted) accept();
}

}  // namespace nimbrel
