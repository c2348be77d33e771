// The simulator's default clip as a pane shows it: every picture decoded and converted to a
// pane's size the way a camera does, to compare the pictures cameras publish against.
// Threading: any thread.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "media/PaneSurface.h"

namespace nimbrel::test {

using PictureSize = std::pair<int, int>;

// The rows of a pane picture without the spare bytes at their ends.
std::string PictureRows(const PanePicture& picture);

// Calls `seen(size, place, rows)` for every picture of the clip (place: its frame's index in the
// clip) converted to each of `sizes`; returns the number of frames in the clip.
int ConvertTheClip(const std::vector<PictureSize>& sizes,
                   const std::function<void(PictureSize, int, std::string)>& seen);

}  // namespace nimbrel::test
