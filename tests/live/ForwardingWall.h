// A wall that hands every call on to another one: test walls derive from it and override only
// the calls they slip something into.
// Threading: as the wall it forwards to.
#pragma once

#include "live/PaneHost.h"

namespace nimbrel {

class ForwardingWall : public PaneHost {
  public:
    explicit ForwardingWall(PaneHost& wall) : wall_(wall) {}
    bool AcquirePane(PaneOwner& owner) override { return wall_.AcquirePane(owner); }
    void ReleasePane(PaneOwner& owner) override { wall_.ReleasePane(owner); }
    bool IsShown(const PaneOwner& owner) const override { return wall_.IsShown(owner); }
    bool IsWarming(const PaneOwner& owner) const override { return wall_.IsWarming(owner); }
    PaneSurface* SurfaceOf(const PaneOwner& owner) override { return wall_.SurfaceOf(owner); }
    PtzRequests* Ptz(int page, int slot) override { return wall_.Ptz(page, slot); }
    void Invalidate(int page, int slot) override { wall_.Invalidate(page, slot); }
    bool IsAudioOwner(const PaneOwner& owner) const override { return wall_.IsAudioOwner(owner); }
    bool IsTalkOwner(const PaneOwner& owner) const override { return wall_.IsTalkOwner(owner); }
    void SetNextRoleOwner(SharedRole role, PaneOwner* owner) override {
        wall_.SetNextRoleOwner(role, owner);
    }
    PaneOwner* HandOverRole(SharedRole role, const PaneOwner& leaving) override {
        return wall_.HandOverRole(role, leaving);
    }

  private:
    PaneHost& wall_;
};

}  // namespace nimbrel
