#include "devices/ui/RenameDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/DeviceOperations.h"
#include "widgets/FlatButton.h"
#include "widgets/FormStyle.h"
#include "widgets/ProgramTitle.h"

namespace nimbrel {

RenameDialog::RenameDialog(const std::string& currentName, UserNotifier& notifier, QWidget* parent)
    : FramedDialog(parent),
      notifier_(notifier),
      edit_(new QLineEdit(this)),
      ok_(new FlatButton(tr("ОК"), FlatButton::Scheme::Primary, this)),
      cancel_(new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this)) {
    setWindowTitle(tr("Переименовать устройство"));
    ApplyFormStyle(this, Qt::white);
    edit_->setMaxLength(kMaxTextLength);
    edit_->setText(QString::fromStdString(currentName));
    edit_->selectAll();
    // Enter in the field means OK; Enter on Cancel (which then holds the focus) means Cancel.
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &RenameDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, BandHeight() + 20, 24, 18);
    layout->setSpacing(18);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    setFixedSize(380, BandHeight() + 140);
    edit_->setFocus();
}

std::string RenameDialog::NewName() const {
    return edit_->text().left(kMaxTextLength).toStdString();
}

void RenameDialog::OnOk() {
    if (const auto refusal = CheckDeviceName(NewName())) {
        // The length message belongs to this window and carries the program's name.
        notifier_.MessageBox(*refusal, kProgramTitle);
        return;
    }
    accept();
}

}  // namespace nimbrel
