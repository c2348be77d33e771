#include "devices/ui/GroupNameEditor.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

namespace nimbrel {

GroupNameEditor::GroupNameEditor(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("groupNameEditor"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
    edit_->setFrame(false);
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
