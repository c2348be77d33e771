// One of the canvas's 64 panes without its window: its state, the surface through which its
// camera hands pictures over at the pane's drawing size (at most), and its pan/tilt requests.
// Threading: the state is guarded by the canvas's lock; the surface and the requests guard
// themselves and may be used from any thread.
#pragma once

#include "live/PtzRequests.h"
#include "media/PaneSurface.h"
#include "wall/PaneState.h"

namespace nimbrel {

class PaneModel {
  public:
    const PaneState& State() const { return state_; }
    PaneState& State() { return state_; }
    PaneSurface& Surface() { return surface_; }
    PtzRequests& Ptz() { return ptz_; }

    // Puts the pane into `entry` of page `page` with `cell` as its cell: empty, not maximised,
    // hidden, its window on the cell.
    void Deal(int page, int entry, const PaneRect& cell);
    // Exchanges cells and slot indexes with `other`; each window moves onto its new cell.
    void SwapCellWith(PaneModel& other);
    // Marks the pane selected when it shows `selected` and derives the drawing rectangle from
    // the window size and the selection; the surface is told its occupant and, when it
    // changes, the drawing size.
    void Refresh(const PaneOwner* selected);

  private:
    PaneState state_;
    PaneSurface surface_;
    PtzRequests ptz_;
};

}  // namespace nimbrel
