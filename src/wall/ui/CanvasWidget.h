// The video wall's window: a white area holding the 64 pane windows, laid out by the canvas
// model on every resize and moved, shown, hidden and repainted as the model reports changes.
// It also owns the layout chooser and the wall's health overlay switch: while the overlay is on,
// it has each shown pane look at its camera's counters once a second.
// Threading: the listener calls and picture wake-ups may come from camera threads and are
// posted to the UI thread; everything else runs on the UI thread. Stop the cameras before
// destroying it.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QTimer>
#include <QWidget>

#include "wall/CCanvas.h"
#include "wall/CanvasListener.h"

namespace nimbrel {

class PaneWidget;
class SplitChooser;

class CanvasWidget : public QWidget, public CanvasListener {
    Q_OBJECT

  public:
    explicit CanvasWidget(CCanvas& canvas, QWidget* parent = nullptr);
    ~CanvasWidget() override;

    CCanvas& Canvas() const { return canvas_; }
    PaneWidget* Pane(int index) const;
    SplitChooser* Chooser() const { return chooser_; }
    // The split-screen button: shows the chooser beside `button` (screen coordinates), or hides
    // it when it is shown.
    void ToggleChooser(const QRect& button);

    // The health overlay of every pane (off at first).
    void SetHealthOverlay(bool on);
    bool HealthOverlay() const { return healthTimer_.isActive(); }
    static constexpr int kHealthPeriodMs = 1000;

    // CanvasListener.
    void PaneGeometryChanged(int pane) override;
    void PaneVisibilityChanged(int pane) override;
    void PaneInvalidated(int pane) override;
    void SelectionChanged() override;

  signals:
    // The canvas's selected camera changed (the toolbar follows it).
    void SelectedCameraChanged();
    // A press on a pane selected its camera (the device tree highlights its device).
    void CameraPressed(PaneOwner* owner);
    // The context menu was asked for on a pane with a camera (screen coordinates).
    void PaneMenuRequested(int pane, const QPoint& globalPos);
    // The page shown (from 0) or the number of pages changed.
    void PageChanged(int page, int pages);
    // A pane was maximised over the wall, or the maximised one went back to its cell.
    void MaximisedChanged(bool maximised);
    // A pane got or lost its camera, or its camera's view changed state (connecting, failed).
    void PaneStateChanged(int pane);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct WakeTarget;

    // Runs `f` now when called on the UI thread, else posts it there.
    void OnUiThread(std::function<void()> f);
    void ApplyGeometry(int pane);
    void ApplyVisibility(int pane);
    // Emits PageChanged when the page shown or the page count differs from the last emitted.
    void NotePage();
    // Emits MaximisedChanged when a pane's maximising differs from the last emitted.
    void NoteMaximised();
    // Every shown pane takes a look at its camera for the health overlay.
    void SampleHealth();

    CCanvas& canvas_;
    std::array<PaneWidget*, CCanvas::kPanes> panes_{};
    SplitChooser* chooser_;
    std::shared_ptr<WakeTarget> wake_;
    std::pair<int, int> page_{0, 1};  // the page and page count last emitted
    bool maximised_ = false;          // last emitted by MaximisedChanged
    QTimer healthTimer_;              // runs while the health overlay is on
};

}  // namespace nimbrel
