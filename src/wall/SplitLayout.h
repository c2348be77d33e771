// The six split layouts of the video wall (grid 1×1, 2×2, 3×3, 4×4 and the featured 3×3 and 4×4
// with one big cell), the chooser's command ids, and the cell geometry of a layout.
// Threading: constant data and pure functions, callable from any thread.
#pragma once

#include <array>
#include <vector>

#include "wall/PaneRect.h"

namespace nimbrel {

struct SplitLayout {
    static constexpr int kGrid = 0;
    static constexpr int kFeatured = 1;

    int commandId = 0;  // the chooser button that picks it
    int mode = kGrid;   // stored as FirstLarger
    int cols = 2;       // stored as xNums
    int rows = 2;       // stored as yNums

    // How many panes one page shows: cols × rows, or for a featured layout one big cell plus the
    // small cells down the right column and along the bottom row.
    int PanesPerPage() const;
    // The cells of a canvas `width` × `height` in layout order (PanesPerPage of them). Cells are
    // width / cols by height / rows; the remainder pixels on the right and bottom stay uncovered.
    std::vector<PaneRect> Cells(int width, int height) const;

    bool SameLayout(const SplitLayout& other) const {
        return mode == other.mode && cols == other.cols && rows == other.rows;
    }
};

// In the chooser's order: 1001, 1002, 1018 on its top row; 1020, 1021, 1022 below.
extern const std::array<SplitLayout, 6> kSplitLayouts;

// Grid 2×2, the layout of a new account and of stored values that name no layout.
const SplitLayout& DefaultSplitLayout();
// The layout with these values; nothing when they name none of the six.
const SplitLayout* FindSplitLayout(int mode, int cols, int rows);
// The layout of a chooser button; nothing for another command id.
const SplitLayout* SplitLayoutForCommand(int commandId);
// FindSplitLayout, falling back to DefaultSplitLayout.
const SplitLayout& ValidSplitLayout(int mode, int cols, int rows);

}  // namespace nimbrel
