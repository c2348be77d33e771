// A decoded picture shown whole in a surface of a window (the card's playback, the archive's
// player): converted once at the surface's drawing size, or kept at its own size where the area
// is larger (the window stretches it), and published as the occupant's.
// Threading: the thread that decodes (one at a time per scaler and picture).
#pragma once

#include "media/PaneScaler.h"
#include "media/PaneSurface.h"

struct AVFrame;

namespace nimbrel {

// False when nothing was shown: no drawing size yet, a failed conversion, or a surface that
// `owner` no longer occupies.
bool PublishWholePicture(const AVFrame& picture, PaneScaler& scaler, PanePicture& into,
                         PaneSurface& surface, const PaneOwner& owner);

}  // namespace nimbrel
