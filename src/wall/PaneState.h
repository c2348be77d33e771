// What the wall knows of one video pane: where its cell and its window are, where video is drawn
// inside it, who occupies it, and whether it is shown, selected or maximised. The pane window is
// a view of this value.
// Threading: a plain value; the canvas hands out copies taken under its lock.
#pragma once

#include "media/PaneOwner.h"
#include "wall/PaneRect.h"

namespace nimbrel {

struct PaneState {
    int page = -1;   // the slot table row the pane was dealt into
    int entry = -1;  // its entry in that row; a drag-swap never changes it
    int slotIndex = 0;      // index of the pane's cell in layout order; swapped by a drag
    PaneRect cellRect;      // the cell, in canvas coordinates
    PaneRect windowRect;    // the pane window in canvas coordinates: normally its cell; the drag
                            // position while it follows the cursor; the whole canvas when maximised
    PaneRect drawRect;      // where video is drawn, in pane coordinates: the window's client
                            // rectangle, inset by one pixel on every side while selected
    PaneOwner* owner = nullptr;  // the camera shown, or none
    bool selected = false;       // the owner is the canvas's selected camera
    bool visible = false;
    bool maximised = false;
};

}  // namespace nimbrel
