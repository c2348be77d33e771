// The main window's keyboard and mouse: moving the focus across the toolbar, swallowing Enter and
// Esc, moving the window by its background, resizing it by its 5-pixel borders, and the presses
// that close the layout chooser or end a group's in-place naming.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

#include "app/CNimbrelDlg.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "wall/ui/CanvasWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

bool EditsText(QWidget* w) {
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
           qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QComboBox*>(w);
}

Qt::Edges EdgesOf(WindowZone zone) {
    switch (zone) {
        case WindowZone::Left:
            return Qt::LeftEdge;
        case WindowZone::Right:
            return Qt::RightEdge;
        case WindowZone::Top:
            return Qt::TopEdge;
        case WindowZone::Bottom:
            return Qt::BottomEdge;
        case WindowZone::TopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case WindowZone::TopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case WindowZone::BottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case WindowZone::BottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        case WindowZone::Client:
            break;
    }
    return {};
}

Qt::CursorShape CursorOf(WindowZone zone) {
    switch (zone) {
        case WindowZone::Left:
        case WindowZone::Right:
            return Qt::SizeHorCursor;
        case WindowZone::Top:
        case WindowZone::Bottom:
            return Qt::SizeVerCursor;
        case WindowZone::TopLeft:
        case WindowZone::BottomRight:
            return Qt::SizeFDiagCursor;
        case WindowZone::TopRight:
        case WindowZone::BottomLeft:
            return Qt::SizeBDiagCursor;
        case WindowZone::Client:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

bool CNimbrelDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != this) return false;
    if (type == QEvent::KeyPress) return FilterKey(target, static_cast<QKeyEvent*>(event));
    return FilterPress(target, static_cast<QMouseEvent*>(event));
}

bool CNimbrelDlg::FilterKey(QWidget* target, QKeyEvent* event) {
    // Text fields (the group name editor) keep their keys.
    if (EditsText(target)) return false;
    if (HandleShortcut(target, event)) return true;
    const bool inWall = canvasView_ && (target == canvasView_ || canvasView_->isAncestorOf(target));
    switch (event->key()) {
        case Qt::Key_Tab:
            MoveToolbarFocus(true);
            return true;
        case Qt::Key_Backtab:
            MoveToolbarFocus(false);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Left:
            // Over the wall the arrows turn the camera; the pane handles them.
            if (inWall) return false;
            MoveToolbarFocus(event->key() == Qt::Key_Right);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // The main window never closes on these.
            return true;
        default:
            return false;
    }
}

bool CNimbrelDlg::FilterPress(QWidget* target, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    // Any left press but one on the layout button (or in the chooser) closes the chooser.
    if (chooser_ && chooser_->isVisible() && target != buttons_[kBtnLayout] && target != chooser_ &&
        !chooser_->isAncestorOf(target))
        chooser_->hide();
    // A press on the window's own background ends a group naming without keeping the name.
    if (target == this && tree_) tree_->CommitGroupRename(false);
    return false;
}

void CNimbrelDlg::MoveToolbarFocus(bool forward) {
    // The window's own focus child: it is kept while another window is active.
    int current = 0;
    if (auto* focused = qobject_cast<BitmapButton*>(focusWidget())) current = focused->Id();
    const int next = nimbrel::MoveToolbarFocus(current, forward, [this](int id) {
        const BitmapButton* button = Button(id);
        return button && !button->isHidden();
    });
    if (BitmapButton* button = Button(next)) button->setFocus(Qt::TabFocusReason);
}

// --- moving and resizing the frameless window ---

void CNimbrelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    const WindowZone zone =
        maximised_ ? WindowZone::Client : HitTestBorder(pos.x(), pos.y(), width(), height());
    if (zone != WindowZone::Client) {
        StartResize(zone, event->globalPosition().toPoint());
        return;
    }
    // Any press on the background moves the window (not while it fills the screen).
    if (maximised_) return;
    if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) return;
    moving_ = true;
    moveOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CNimbrelDlg::StartResize(WindowZone zone, const QPoint& globalPos) {
    if (QWindow* handle = windowHandle(); handle && handle->startSystemResize(EdgesOf(zone)))
        return;
    resizeZone_ = zone;
    resizeStart_ = geometry();
    resizeOrigin_ = globalPos;
}

void CNimbrelDlg::ResizeTo(const QPoint& globalPos) {
    const QPoint d = globalPos - resizeOrigin_;
    QRect r = resizeStart_;
    const Qt::Edges edges = EdgesOf(resizeZone_);
    if (edges & Qt::LeftEdge) r.setLeft(qMin(r.left() + d.x(), r.right() - minimumWidth() + 1));
    if (edges & Qt::RightEdge) r.setRight(qMax(r.right() + d.x(), r.left() + minimumWidth() - 1));
    if (edges & Qt::TopEdge) r.setTop(qMin(r.top() + d.y(), r.bottom() - minimumHeight() + 1));
    if (edges & Qt::BottomEdge)
        r.setBottom(qMax(r.bottom() + d.y(), r.top() + minimumHeight() - 1));
    setGeometry(r);
}

void CNimbrelDlg::mouseMoveEvent(QMouseEvent* event) {
    if (resizeZone_ != WindowZone::Client && (event->buttons() & Qt::LeftButton)) {
        ResizeTo(event->globalPosition().toPoint());
        return;
    }
    if (moving_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - moveOffset_);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const WindowZone zone =
        maximised_ ? WindowZone::Client : HitTestBorder(pos.x(), pos.y(), width(), height());
    setCursor(CursorOf(zone));
}

void CNimbrelDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        resizeZone_ = WindowZone::Client;
        moving_ = false;
    }
    QWidget::mouseReleaseEvent(event);
}

void CNimbrelDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    const QPoint pos = event->position().toPoint();
    if (HitTestBorder(pos.x(), pos.y(), width(), height()) != WindowZone::Client) return;
    SetMaximised(!maximised_);
}

}  // namespace nimbrel
