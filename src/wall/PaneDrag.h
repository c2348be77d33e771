// The bookkeeping of dragging a pane to swap it with another: the cursor's distances to the
// pane's edges at button-down, the count of mouse moves (a press followed by fewer than four
// moves is a plain click), and the position the pane takes while it follows the cursor.
// Threading: owned by the canvas, under its lock.
#pragma once

#include "wall/PaneRect.h"

namespace nimbrel {

class PaneDrag {
  public:
    // A button went down at (x, y) on pane `pane`, whose window is at `window`.
    void Start(int pane, const PaneRect& window, int x, int y);
    // Counts one mouse move; true when the pane follows the cursor, from the fourth move on.
    bool Move();
    void Reset() { *this = PaneDrag(); }

    bool Active() const { return pane_ >= 0; }
    bool Moving() const { return moving_; }
    int Pane() const { return pane_; }

    // Where the pane's window goes for the cursor at (x, y): the same distances to the cursor as
    // at button-down, kept inside a canvas of `width` × `height`, at the size of its cell.
    PaneRect FollowRect(int x, int y, const PaneRect& cell, int width, int height) const;

  private:
    int pane_ = -1;
    int moves_ = 0;
    bool moving_ = false;
    int toLeft_ = 0;
    int toTop_ = 0;
    int toRight_ = 0;
    int toBottom_ = 0;
};

}  // namespace nimbrel
