#include "widgets/WindowMover.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace nimbrel {

bool WindowMover::Press(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    QWidget* top = window_->window();
    if (top->isMaximized()) return true;  // a maximised window stays where it is
    if (QWindow* handle = top->windowHandle(); handle && handle->startSystemMove()) return true;
    manual_ = true;
    offset_ = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
    return true;
}

bool WindowMover::Move(QMouseEvent* event) {
    if (!manual_ || !(event->buttons() & Qt::LeftButton)) return false;
    window_->window()->move(event->globalPosition().toPoint() - offset_);
    return true;
}

bool WindowMover::Release(QMouseEvent* event) {
    if (!manual_ || event->button() != Qt::LeftButton) return false;
    manual_ = false;
    return true;
}

}  // namespace nimbrel
