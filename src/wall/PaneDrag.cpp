#include "wall/PaneDrag.h"

namespace nimbrel {
namespace {

// One axis of the follow position: the distance from the cursor to the near edge is kept, the
// pane never starts before the canvas, and once its far edge reaches the canvas's end it is held
// against that end.
int FollowEdge(int cursor, int toNear, int toFar, int size, int canvas) {
    int edge = cursor - toNear;
    if (edge < 0) edge = 0;
    if (cursor + toFar >= canvas) edge = canvas - size;
    return edge;
}

}  // namespace

void PaneDrag::Start(int pane, const PaneRect& window, int x, int y) {
    Reset();
    pane_ = pane;
    toLeft_ = x - window.x;
    toTop_ = y - window.y;
    toRight_ = window.x + window.w - x;
    toBottom_ = window.y + window.h - y;
}

bool PaneDrag::Move() {
    if (!Active()) return false;
    if (moves_ == 3) moving_ = true;
    if (moves_ < 3) ++moves_;
    return moving_;
}

PaneRect PaneDrag::FollowRect(int x, int y, const PaneRect& cell, int width, int height) const {
    return {FollowEdge(x, toLeft_, toRight_, cell.w, width),
            FollowEdge(y, toTop_, toBottom_, cell.h, height), cell.w, cell.h};
}

}  // namespace nimbrel
