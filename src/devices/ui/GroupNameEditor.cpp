#include "devices/ui/GroupNameEditor.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

#include "devices/ui/DeviceTreePainter.h"

namespace nimbrel {

GroupNameEditor::GroupNameEditor(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("groupNameEditor"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
    // The header's own font, on an opaque white field with the accent frame: the name being
    // typed reads like the header it replaces, and nothing of the header shows through.
    edit_->setFont(DeviceTreePainter::HeaderFont());
    edit_->setAutoFillBackground(true);
    edit_->setStyleSheet(
        QStringLiteral("QLineEdit { background: white; color: rgb(60,60,60);"
                       " border: 1px solid rgb(64,155,228); padding: 0 2px; }"));
    edit_->setMaxLength(kMaxLength);
    edit_->installEventFilter(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    hide();
}

void GroupNameEditor::Open(const QRect& where, const QString& text) {
    setGeometry(where);
    edit_->setText(text.left(kMaxLength));
    edit_->selectAll();
    show();
    raise();
    edit_->setFocus();
}

QString GroupNameEditor::Text() const {
    return edit_->text().left(kMaxLength);
}

bool GroupNameEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit Commit();
            return true;
        }
        if (key == Qt::Key_Escape) {
            emit Cancel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace nimbrel
