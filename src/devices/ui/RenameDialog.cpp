#include "devices/ui/RenameDialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/DeviceOperations.h"

namespace nimbrel {

RenameDialog::RenameDialog(const std::string& currentName, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent),
      notifier_(notifier),
      edit_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("ОК"), this)),
      cancel_(new QPushButton(QStringLiteral("Отмена"), this)) {
    setWindowTitle(QStringLiteral("Переименовать устройство"));
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
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    setFixedSize(320, 110);
}

std::string RenameDialog::NewName() const {
    return edit_->text().left(kMaxTextLength).toStdString();
}

void RenameDialog::showEvent(QShowEvent* event) {
    // Opens centred on the mouse cursor, where the menu command was chosen.
    move(QCursor::pos() - QPoint(width() / 2, height() / 2));
    edit_->setFocus();
    QDialog::showEvent(event);
}

void RenameDialog::OnOk() {
    if (const auto refusal = CheckDeviceName(NewName())) {
        // The length message belongs to this window and carries the program's name.
        notifier_.MessageBox(*refusal, QGuiApplication::applicationDisplayName().toStdString());
        return;
    }
    accept();
}

}  // namespace nimbrel
