#include "wall/SplitLayout.h"

#include <algorithm>

namespace nimbrel {

const std::array<SplitLayout, 6> kSplitLayouts{{
    {1001, SplitLayout::kGrid, 1, 1},
    {1002, SplitLayout::kGrid, 2, 2},
    {1018, SplitLayout::kGrid, 3, 3},
    {1020, SplitLayout::kGrid, 4, 4},
    {1021, SplitLayout::kFeatured, 3, 3},
    {1022, SplitLayout::kFeatured, 4, 4},
}};

int SplitLayout::PanesPerPage() const {
    if (mode == kFeatured) return cols * rows - (cols - 1) * (rows - 1) + 1;
    return cols * rows;
}

std::vector<PaneRect> SplitLayout::Cells(int width, int height) const {
    std::vector<PaneRect> cells;
    if (cols <= 0 || rows <= 0) return cells;
    const int w = std::max(0, width) / cols;
    const int h = std::max(0, height) / rows;
    const auto at = [&](int p) { return PaneRect{(p % cols) * w, (p / cols) * h, w, h}; };
    cells.reserve(static_cast<std::size_t>(PanesPerPage()));
    if (mode != kFeatured) {
        for (int p = 0; p < cols * rows; ++p) cells.push_back(at(p));
        return cells;
    }
    // The big cell covers the top-left (cols − 1) × (rows − 1) positions. The small ones run
    // down the right column from the top, then along the bottom row from the left.
    cells.push_back({0, 0, (cols - 1) * w, (rows - 1) * h});
    int p = cols - 1;
    for (int k = cols - 2; p < cols * rows; --k) {
        cells.push_back(at(p));
        p += k > 0 ? cols : 1;
    }
    return cells;
}

const SplitLayout& DefaultSplitLayout() {
    return kSplitLayouts[1];
}

const SplitLayout* FindSplitLayout(int mode, int cols, int rows) {
    for (const SplitLayout& layout : kSplitLayouts)
        if (layout.mode == mode && layout.cols == cols && layout.rows == rows) return &layout;
    return nullptr;
}

const SplitLayout* SplitLayoutForCommand(int commandId) {
    for (const SplitLayout& layout : kSplitLayouts)
        if (layout.commandId == commandId) return &layout;
    return nullptr;
}

const SplitLayout& ValidSplitLayout(int mode, int cols, int rows) {
    const SplitLayout* layout = FindSplitLayout(mode, cols, rows);
    return layout ? *layout : DefaultSplitLayout();
}

}  // namespace nimbrel
