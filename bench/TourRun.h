// The wall's tour as a benchmarked user runs it: the tour steps the wall as the window's timer
// does, and each switch is timed from the page shown to every camera of the new page having
// published a picture made after it.
// Threading: the caller's thread (the cameras run on their own).
#pragma once

#include <chrono>
#include <vector>

#include "live/CCamera.h"
#include "wall/CCanvas.h"

namespace nimbrel::bench {

// Runs the wall's tour through `switches` switches, one every `interval`, and returns the time
// of each switch to live pictures in milliseconds (10 s for pictures that never came).
std::vector<double> RunTour(CCanvas& canvas, const std::vector<CCamera*>& cameras, int switches,
                            std::chrono::seconds interval);

}  // namespace nimbrel::bench
