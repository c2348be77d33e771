#include "widgets/SplitterHandle.h"

#include <QMouseEvent>

namespace nimbrel {

SplitterHandle::SplitterHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
    setAttribute(Qt::WA_NoSystemBackground);
}

void SplitterHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    // Screen coordinates: the handle itself moves while it is dragged.
    pressX_ = event->globalPosition().toPoint().x();
    dragging_ = true;
    event->accept();
}

void SplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return QWidget::mouseMoveEvent(event);
    emit Dragged(event->globalPosition().toPoint().x() - pressX_);
    event->accept();
}

void SplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    emit Dragged(event->globalPosition().toPoint().x() - pressX_);
    emit Released();
    event->accept();
}

}  // namespace nimbrel
