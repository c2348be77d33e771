// A rectangle of the video wall in integer pixels (x, y, width, height), as cells, pane windows
// and drawing areas use it.
// Threading: a plain value; copy it freely.
#pragma once

#include <algorithm>

namespace nimbrel {

struct PaneRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    // Left and top edges inside, right and bottom edges outside.
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    // Shrunk by `d` pixels on every side; the size never goes below zero.
    PaneRect Inset(int d) const {
        return {x + d, y + d, std::max(0, w - 2 * d), std::max(0, h - 2 * d)};
    }

    friend bool operator==(const PaneRect&, const PaneRect&) = default;
};

}  // namespace nimbrel
