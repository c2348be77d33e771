// One video pane of the wall: paints its camera's state (idle, connecting, live, failed), the
// selection frame and the border, shows the pan/tilt arrows over a playing pan/tilt camera while
// the cursor is on the pane (hidden when it leaves and when the pane is laid out anew), and
// hands presses, moves, releases and double clicks to the canvas model (select, drag-swap,
// maximise). Arrow keys and arrow buttons set the pane's pan/tilt requests. A context-menu request
// on a pane with a camera is passed on for the main window's pane menu.
// Threading: UI thread only; PictureReady may be posted from a camera thread's wake-up.
#pragma once

#include <array>

#include <QWidget>

#include "live/PtzRequests.h"
#include "media/PaneSurface.h"
#include "wall/CCanvas.h"

class QPainter;

namespace nimbrel {

class PictureButton;

class PaneWidget : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kArrowSize = 40;
    static constexpr int kArrowMargin = 20;  // the arrows show while the cursor is this far inside

    PaneWidget(CCanvas& canvas, int index, QWidget* parent);

    int Index() const { return index_; }
    PtzRequests& Ptz() { return *canvas_.Ptz(index_); }
    PictureButton* Arrow(PtzRequests::Direction d) const;

    // A new picture was published on the pane's surface: take it and repaint.
    void PictureReady();
    // The pane's occupant, state or selection changed: repaint.
    void StateChanged();

  signals:
    // A left press on the pane, before the canvas is told (the layout chooser hides).
    void Pressed();
    // A left press selected the pane's camera.
    void CameraPressed(PaneOwner* owner);
    // The context menu was asked for on the pane while it holds a camera (screen coordinates).
    void MenuRequested(int pane, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The occupant's picture, painted in place from the pane's surface; without one a playing
    // camera's empty picture (`playing`) or the idle picture.
    void PaintPicture(QPainter& p, const QRect& draw, const PaneOwner* owner, bool playing);
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QPoint ToCanvas(const QPoint& pos) const;
    // True when the pane shows a pan/tilt camera (type beginning with "y") that is playing.
    bool ShowsPlayingPtzCamera() const;
    void SetArrowsVisible(bool visible);
    void PlaceArrows();

    CCanvas& canvas_;
    const int index_;
    std::array<PictureButton*, 4> arrows_{};  // indexed by PtzRequests::Direction
};

}  // namespace nimbrel
