// The canvas as the live view sees it: panes to acquire and release, their picture surfaces, the
// page shown, and the audio and talk owners.
// Threading: as CCanvas (any thread); the listener may be set while cameras run.
#pragma once

#include <atomic>

#include "live/PaneHost.h"
#include "wall/CCanvas.h"

namespace nimbrel {

class CanvasPaneHost : public PaneHost {
  public:
    explicit CanvasPaneHost(CCanvas& canvas) : canvas_(canvas) {}
    // Where the cameras' pane repaints (connecting steps, failures, a turn) go: the canvas
    // window; null drops them. Cleared before the window goes.
    void SetListener(CanvasListener* listener) { listener_ = listener; }

    bool AcquirePane(PaneOwner& owner) override { return canvas_.AcquirePane(owner).has_value(); }
    void ReleasePane(PaneOwner& owner) override { canvas_.ReleasePane(owner); }
    bool IsShown(const PaneOwner& owner) const override { return canvas_.IsShown(owner); }
    bool IsWarming(const PaneOwner& owner) const override { return canvas_.IsWarming(owner); }
    PaneSurface* SurfaceOf(const PaneOwner& owner) override { return canvas_.SurfaceOf(owner); }
    PtzRequests* Ptz(int page, int slot) override;
    void Invalidate(int page, int slot) override;
    bool IsAudioOwner(const PaneOwner& owner) const override;
    bool IsTalkOwner(const PaneOwner& owner) const override;
    void SetNextRoleOwner(SharedRole role, PaneOwner* owner) override;
    PaneOwner* HandOverRole(SharedRole role, const PaneOwner& leaving) override;

  private:
    CCanvas& canvas_;
    std::atomic<CanvasListener*> listener_{nullptr};
};

}  // namespace nimbrel
