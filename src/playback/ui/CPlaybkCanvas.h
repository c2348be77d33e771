// The playback window's video area: the idle picture, the starting animation, the failed picture
// or the played picture, each over the drawing rectangle that keeps the area's 16:9 shape.
// Threading: the UI thread.
#pragma once

#include <QWidget>

#include "media/PaneSurface.h"

namespace nimbrel {

class CPlaybkCanvas : public QWidget {
    Q_OBJECT
  public:
    enum State { kIdle = 0, kStarting = 1, kPlaying = 2, kFailed = 3 };

    explicit CPlaybkCanvas(QWidget* parent = nullptr);

    int PlayState() const { return state_; }
    void SetPlayState(int state);
    // The starting animation's cycle (the lit box is step mod 6).
    void SetAnimationStep(int step);
    int AnimationStep() const { return step_; }
    // The surface whose pictures are shown while playing; its drawing size follows the area's.
    // Null: none. The surface's wake-up repaints the area.
    void SetSurface(PaneSurface* surface);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int state_ = kIdle;
    int step_ = 0;
    PaneSurface* surface_ = nullptr;
    PanePicture picture_;
};

}  // namespace nimbrel
