#include "app/MainLayout.h"

#include <algorithm>

namespace nimbrel {

int ToolbarSpacing(int clientWidth) {
    return (clientWidth - 870) / 11;
}

std::optional<LayoutRect> ToolbarButtonRect(int id, int clientWidth, int clientHeight) {
    const int column = ToolbarColumn(id);
    if (column < 0) return std::nullopt;
    // Column k (from 0) sits at (k + 1) * s + k * 50.
    const int s = ToolbarSpacing(clientWidth);
    return LayoutRect{(column + 1) * s + column * kToolbarButtonWidth, clientHeight - 55,
                      kToolbarButtonWidth, kToolbarButtonHeight};
}

LayoutRect PageLabelRect(int clientWidth, int clientHeight) {
    const LayoutRect prev = *ToolbarButtonRect(kBtnPrevPage, clientWidth, clientHeight);
    const LayoutRect next = *ToolbarButtonRect(kBtnNextPage, clientWidth, clientHeight);
    return {prev.x, prev.Bottom(), next.Right() - prev.x, clientHeight - prev.Bottom() - 1};
}

LayoutRect TourButtonRect(int clientWidth, int clientHeight, int treeWidth) {
    const LayoutRect last = *ToolbarButtonRect(kBtnRecordOn, clientWidth, clientHeight);
    const LayoutRect wall = CanvasRect(clientWidth, clientHeight, treeWidth);
    const int spaced = last.Right() + ToolbarSpacing(clientWidth);
    const int x = std::max(last.Right() + 2, std::min(spaced, wall.Right() - kToolbarButtonWidth));
    return {x, last.y, kToolbarButtonWidth, kToolbarButtonHeight};
}

LayoutRect TourCountdownRect(int clientWidth, int clientHeight) {
    const LayoutRect page = PageLabelRect(clientWidth, clientHeight);
    return {page.Right(), page.y, 90, page.h};
}

std::optional<LayoutRect> TitleButtonRect(int id, int clientWidth) {
    int offset = 0;
    switch (id) {
        case kBtnClose:
            offset = 32;
            break;
        case kBtnMaximise:
        case kBtnRestore:
            offset = 62;
            break;
        case kBtnMinimise:
            offset = 92;
            break;
        case kBtnMenu:
            offset = 122;
            break;
        default:
            return std::nullopt;
    }
    return LayoutRect{clientWidth - offset, 4, kTitleButtonWidth, kTitleButtonHeight};
}

int ClampTreeWidth(int wanted, int clientWidth) {
    const int widest = std::max(kDefaultTreeWidth, clientWidth - 15 - kMinimumWallWidth);
    return std::clamp(wanted, kDefaultTreeWidth, widest);
}

LayoutRect CanvasRect(int clientWidth, int clientHeight, int treeWidth) {
    return {5, 50, clientWidth - treeWidth - 15, clientHeight - 120};
}

LayoutRect TreeRect(int clientWidth, int clientHeight, int treeWidth) {
    return {clientWidth - treeWidth - 5, 50, treeWidth, clientHeight - 55};
}

LayoutRect TreeSplitterRect(int clientWidth, int clientHeight, int treeWidth) {
    return {clientWidth - treeWidth - 10, 50, 5, clientHeight - 55};
}

WindowZone HitTestBorder(int x, int y, int w, int h) {
    const int b = kResizeBorder;
    if (x < b && y < b) return WindowZone::TopLeft;
    if (x <= b && y >= h - b) return WindowZone::BottomLeft;
    if (x > w - b && y < b) return WindowZone::TopRight;
    if (x >= w - b && y >= h - b) return WindowZone::BottomRight;
    if (x < b) return WindowZone::Left;
    if (x >= w - b) return WindowZone::Right;
    if (y <= b - 1) return WindowZone::Top;
    if (y > h - b) return WindowZone::Bottom;
    return WindowZone::Client;
}

LayoutRect ComputeDefaultPlacement(int workWidth, int workHeight) {
    const double a = (workWidth - 275) / 1280.0;
    const double b = (workHeight - 120) / 720.0;
    int x = 0, y = 0, w = 0, h = 0;
    if (b < a) {  // the height limits the wall
        h = workHeight - 180;
        w = h * 1280 / 720;
        x = (workWidth - 275 - w) / 2;
        y = 30;
    } else {  // the width limits it (also when both fit equally)
        w = workWidth - 375;
        h = w * 720 / 1280;
        x = 50;
        y = (workHeight - 120 - h) / 2;
    }
    return {x, y, w + 275, h + 120};
}

bool StoredRectUsable(const StoredWindowRect& r, const LayoutRect& work) {
    if (r.right == 0 || r.bottom == 0) return false;
    if (r.right <= r.left || r.bottom <= r.top) return false;
    return r.left >= work.x && r.top >= work.y && r.right <= work.Right() &&
           r.bottom <= work.Bottom();
}

}  // namespace nimbrel
