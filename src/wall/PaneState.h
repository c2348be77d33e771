// What the wall knows of one video pane: where its cell and its window are, where video is drawn
// inside it, who occupies it, and whether it is shown, selected or maximised. The pane window is
// a view of this value.
// Threading: a plain value; the canvas hands out copies taken under its lock.
#pragma once

#include "media/PaneOwner.h"
#include "wall/PaneRect.h"

namespace nimbrel {

struct PaneState {
    // Where the pane was dealt: its slot table row and the entry in that row. A drag-swap never
    // changes them.
    int page = -1;
    int entry = -1;
    // The index of the pane's cell in layout order; a drag-swap exchanges it.
    int slotIndex = 0;
    // The cell, in canvas coordinates.
    PaneRect cellRect;
    // The pane window in canvas coordinates: normally its cell; the drag position while it
    // follows the cursor; the whole canvas while maximised.
    PaneRect windowRect;
    // Where video is drawn, in pane coordinates: the window's client rectangle, inset by one
    // pixel on every side while the pane's camera is selected.
    PaneRect drawRect;
    // The camera shown, or none.
    PaneOwner* owner = nullptr;
    // The owner is the canvas's selected camera (the pane draws the selection frame).
    bool selected = false;
    bool visible = false;
    bool maximised = false;
};

}  // namespace nimbrel
