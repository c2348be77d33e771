// What the wall needs to know of whatever occupies a pane (a live camera, later a playback):
// the page and slot it was given, -1 while it has none.
// Threading: page and slot are written under the canvas's lock and read from any thread.
#pragma once

#include <atomic>

namespace nimbrel {

struct PaneOwner {
    virtual ~PaneOwner() = default;
    std::atomic<int> m_nPage{-1};
    std::atomic<int> m_nSlot{-1};
};

}  // namespace nimbrel
