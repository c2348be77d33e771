// What a live view needs of the video wall: a pane to draw into, its picture surface and pan/tilt
// requests, the page shown and the one that comes next, and which cameras own device audio and
// talk. The wall implements it; tests and the command-line client use a wall without a window.
// Threading: every method may be called from camera threads and the UI thread.
#pragma once

#include "live/PtzRequests.h"
#include "media/PaneOwner.h"
#include "media/PaneSurface.h"

namespace nimbrel {

// The two features that one camera at a time owns, each with a camera waiting to take over.
enum class SharedRole { Audio, Talk };

class PaneHost {
  public:
    virtual ~PaneHost() = default;
    // Gives `owner` a free pane (writes its page and slot); false when none is free.
    virtual bool AcquirePane(PaneOwner& owner) = 0;
    // Frees the owner's pane, clears the selection, and sets page and slot to -1.
    virtual void ReleasePane(PaneOwner& owner) = 0;
    // The owner's pane is on screen: on the page shown and not covered by a maximised pane.
    virtual bool IsShown(const PaneOwner& owner) const = 0;
    // The owner's pane comes on screen next (a tour's next page): the camera decodes without
    // drawing, so that its first picture once shown needs no catching up.
    virtual bool IsWarming(const PaneOwner& owner) const = 0;
    // The surface of the pane `owner` occupies, looked up in one step with its page and slot;
    // null while it has none.
    virtual PaneSurface* SurfaceOf(const PaneOwner& owner) = 0;
    // The pan/tilt requests of the pane at (page, slot), or null.
    virtual PtzRequests* Ptz(int page, int slot) = 0;
    // The pane's state changed (connecting animation step, failed, ready): repaint it.
    virtual void Invalidate(int page, int slot) = 0;
    virtual bool IsAudioOwner(const PaneOwner& owner) const = 0;
    virtual bool IsTalkOwner(const PaneOwner& owner) const = 0;
    // Makes `owner` the camera waiting to take `role` over.
    virtual void SetNextRoleOwner(SharedRole role, PaneOwner* owner) = 0;
    // `leaving` has given `role` up: when it owned it (or nobody did), the waiting camera becomes
    // the owner and is returned; none waiting leaves the role free. When another camera owns
    // the role nothing changes and null is returned.
    virtual PaneOwner* HandOverRole(SharedRole role, const PaneOwner& leaving) = 0;
};

}  // namespace nimbrel
