// One video pane of the wall: paints its camera's state (idle, connecting, live, failed), the
// selection frame and the border, shows the pan/tilt arrows over a playing pan/tilt camera while
// the cursor is on the pane (hidden when it leaves and when the pane is laid out anew), and
// hands presses, moves, releases and double clicks to the canvas model (select, drag-swap,
// maximise). Arrow keys and arrow buttons set the pane's pan/tilt requests. A context-menu request
// on a pane with a camera is passed on for the main window's pane menu. With the wall's health
// overlay on it shows its camera's stream health over the picture; its tooltip names the camera
// and its route.
// Threading: UI thread only; PictureReady may be posted from a camera thread's wake-up.
#pragma once

#include <array>
#include <chrono>
#include <optional>

#include <QStringList>
#include <QWidget>

#include "live/PtzRequests.h"
#include "media/PaneSurface.h"
#include "wall/CCanvas.h"
#include "wall/PaneHealth.h"

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

    // Takes a new look at the occupant's counters for the health overlay and repaints.
    void SampleHealth(std::chrono::steady_clock::time_point now);
    // The overlay is off or the pane hidden: forgets what was measured and repaints.
    void ClearHealth();
    // What the overlay shows for the pane's current camera; none while the overlay is off, the
    // pane is empty, or its camera has not been looked at yet.
    std::optional<PaneHealth> Health() const;
    QStringList HealthText() const;
    // The tooltip: the camera's name and its route once known; empty without a camera.
    QString ToolTipText() const;

  signals:
    // A left press on the pane, before the canvas is told (the layout chooser hides).
    void Pressed();
    // A left press selected the pane's camera.
    void CameraPressed(PaneOwner* owner);
    // The context menu was asked for on the pane while it holds a camera (screen coordinates).
    void MenuRequested(int pane, const QPoint& globalPos);

  protected:
    bool event(QEvent* event) override;
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

    // The camera in the pane now, if the occupant is one.
    const CCamera* Camera() const;

    CCanvas& canvas_;
    const int index_;
    std::array<PictureButton*, 4> arrows_{};  // indexed by PtzRequests::Direction
    // The health overlay: the camera measured (the health shown belongs to it only) and the
    // last result.
    PaneHealthMeter meter_;
    const CCamera* measured_ = nullptr;
    std::optional<PaneHealth> health_;
};

}  // namespace nimbrel
