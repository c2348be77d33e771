// Moving a frameless window by pressing anywhere on its background: the window system moves it
// where it can (X11, Wayland); elsewhere the window follows the mouse itself.
// Threading: the UI thread.
#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace nimbrel {

class WindowMover {
  public:
    explicit WindowMover(QWidget* window) : window_(window) {}

    // Call from the window's mouse handlers with events on its background; each returns true
    // when it used the event.
    bool Press(QMouseEvent* event);
    bool Move(QMouseEvent* event);
    bool Release(QMouseEvent* event);
    bool Moving() const { return manual_; }

  private:
    QWidget* window_;
    bool manual_ = false;
    QPoint offset_;  // the press point relative to the window's top-left corner
};

}  // namespace nimbrel
