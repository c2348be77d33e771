// The user's side of a benchmarked wall: a viewer thread that reads each pane's picture as the
// window paints it, and paging through the wall with the time each page takes to show live
// pictures.
// Threading: Viewer runs a thread of its own; TurnEveryPage runs on the caller's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "live/CCamera.h"
#include "wall/CCanvas.h"

namespace nimbrel::bench {

// Stands in for the wall's window: on a pane's wake-up it reads the pane's picture in place
// under the surface's lock, as the pane widget paints it.
class Viewer {
  public:
    explicit Viewer(CCanvas& canvas);
    ~Viewer();
    uint64_t Taken() const { return taken_; }

  private:
    void Run();

    CCanvas& canvas_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::atomic<uint64_t> pending_{0};
    std::atomic<uint64_t> taken_{0};
    unsigned checksum_ = 0;  // keeps the reads from being optimised away
    std::thread thread_;
};

// Turns through every page of the wall once, back to the first, and returns how long each turn
// took until every camera of the new page had published a picture made after it; a second of
// play between turns. A turn whose pictures do not all come within 10 s counts as 10 s.
std::vector<double> TurnEveryPage(CCanvas& canvas, const std::vector<CCamera*>& cameras);

}  // namespace nimbrel::bench
