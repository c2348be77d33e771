// The main window's geometry: where the toolbar, the title-band buttons, the wall and the tree go
// for a client size, which border a point is on, and where a new window is placed.
// Threading: pure functions, callable from any thread.
#pragma once

#include <optional>

#include "app/MainControls.h"

namespace nimbrel {

struct LayoutRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int Right() const { return x + w; }   // exclusive
    int Bottom() const { return y + h; }  // exclusive
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

inline constexpr int kToolbarButtonWidth = 50;
inline constexpr int kToolbarButtonHeight = 40;
inline constexpr int kTitleButtonWidth = 30;
inline constexpr int kTitleButtonHeight = 20;
inline constexpr int kTitleBandHeight = 45;  // blue band; white below
inline constexpr int kResizeBorder = 5;
inline constexpr int kMinimumWidth = 900;
inline constexpr int kMinimumHeight = 500;

// The gap s between toolbar buttons: (width - 870) / 11.
int ToolbarSpacing(int clientWidth);
// The toolbar button's rectangle (stacked buttons share one); nothing for another id.
std::optional<LayoutRect> ToolbarButtonRect(int id, int clientWidth, int clientHeight);
// The page indicator ("2 / 3"): under the two paging buttons, across both, in the margin below
// the toolbar.
LayoutRect PageLabelRect(int clientWidth, int clientHeight);
// The title-band button's rectangle; nothing for another id.
std::optional<LayoutRect> TitleButtonRect(int id, int clientWidth);
// The device tree's width: 260 at first; the user may widen it by its splitter, as long as the
// wall keeps kMinimumWallWidth.
inline constexpr int kDefaultTreeWidth = 260;
inline constexpr int kMinimumWallWidth = 400;
// `wanted` within what a client `clientWidth` wide allows (never under the default).
int ClampTreeWidth(int wanted, int clientWidth);
// The video wall: (5, 50), (width - 275) × (height - 120) with the default tree; a wider tree
// takes its extra width from the wall.
LayoutRect CanvasRect(int clientWidth, int clientHeight, int treeWidth = kDefaultTreeWidth);
// The device tree: (width - 265, 50), 260 × (height - 55) with the default width.
LayoutRect TreeRect(int clientWidth, int clientHeight, int treeWidth = kDefaultTreeWidth);
// The splitter between the wall and the tree: the 5-pixel gap between them, as tall as the tree.
LayoutRect TreeSplitterRect(int clientWidth, int clientHeight, int treeWidth = kDefaultTreeWidth);

// The tour button: right of the record column, as far as the toolbar's spacing goes, but no
// further than the wall's right edge.
LayoutRect TourButtonRect(int clientWidth, int clientHeight, int treeWidth = kDefaultTreeWidth);
// The tour's countdown: right of the page indicator, in the same margin.
LayoutRect TourCountdownRect(int clientWidth, int clientHeight);

enum class WindowZone {
    Client,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};
// Which resize border (5 pixels) the point (x, y) of a w × h window is on.
WindowZone HitTestBorder(int x, int y, int w, int h);

// The first placement of the window in a work area of `workWidth` × `workHeight`: the wall gets
// the aspect 1280:720 with 275 pixels across and 120 down left for the tree, bars and margins.
// Position relative to the work area's top-left corner.
LayoutRect ComputeDefaultPlacement(int workWidth, int workHeight);

// The window rectangle stored in the account file (left, top, right, bottom).
struct StoredWindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
// Whether the stored rectangle is used as it is: right and bottom are not 0 and it lies wholly
// inside the work area (an empty or inverted one never does).
bool StoredRectUsable(const StoredWindowRect& stored, const LayoutRect& workArea);

}  // namespace nimbrel
