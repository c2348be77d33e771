// A thin vertical handle between two panels that the user drags sideways: it reports how far
// the pointer has moved since the press, and the release.
// Threading: the UI thread.
#pragma once

#include <QWidget>

namespace nimbrel {

class SplitterHandle : public QWidget {
    Q_OBJECT
  public:
    explicit SplitterHandle(QWidget* parent = nullptr);

  signals:
    // The pointer is `dx` pixels right of where the drag began (negative: left of it).
    void Dragged(int dx);
    void Released();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int pressX_ = 0;
    bool dragging_ = false;
};

}  // namespace nimbrel
