// A canvas of 800 × 800 (2 × 2 cells of 400 × 400) with cameras to open, and the helpers the
// canvas tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "wall/CCanvas.h"

namespace nimbrel {

class CanvasTest : public ::testing::Test {
  protected:
    void SetUp() override { canvas.PlacePanes(800, 800); }

    void Open(int first, int count) {
        for (int i = first; i < first + count; ++i) ASSERT_TRUE(canvas.AcquirePane(cams[i])) << i;
    }
    int Camera(const PaneOwner* owner) const {
        return owner ? static_cast<int>(owner - cams.data()) : -1;
    }
    PanePosition Position(int cam) const { return {cams[cam].m_nPage, cams[cam].m_nSlot}; }
    PaneState State(int pane) const { return canvas.Pane(pane).value(); }

    // The cameras of the shown panes in reading order of their cells (-1 for an empty pane).
    std::vector<int> Shown() const {
        auto panes = canvas.Panes();
        std::vector<const PaneState*> shown;
        for (const PaneState& pane : panes)
            if (pane.visible) shown.push_back(&pane);
        std::sort(shown.begin(), shown.end(), [](const PaneState* a, const PaneState* b) {
            return std::pair(a->cellRect.y, a->cellRect.x) <
                   std::pair(b->cellRect.y, b->cellRect.x);
        });
        std::vector<int> cameras;
        for (const PaneState* pane : shown) cameras.push_back(Camera(pane->owner));
        return cameras;
    }

    // Presses on the middle of `pane`, moves four times and lets go at (x, y).
    void Drag(int pane, int x, int y) {
        const PaneRect cell = State(pane).cellRect;
        ASSERT_TRUE(canvas.PressPane(pane, cell.x + cell.w / 2, cell.y + cell.h / 2));
        for (int i = 0; i < 4; ++i) canvas.MovePointer(x, y);
        canvas.ReleasePointer(x, y);
    }

    CCanvas canvas;
    std::array<PaneOwner, 70> cams;
};

}  // namespace nimbrel
