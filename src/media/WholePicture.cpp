#include "media/WholePicture.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {

bool PublishWholePicture(const AVFrame& picture, PaneScaler& scaler, PanePicture& into,
                         PaneSurface& surface, const PaneOwner& owner) {
    const auto [drawWidth, drawHeight] = surface.DrawSize();
    if (drawWidth <= 0 || drawHeight <= 0) return false;
    const auto [w, h] =
        PaneScaler::StoredSize(drawWidth, drawHeight, 0, picture.width, picture.height);
    if (!scaler.Scale(picture, into.Resize(w, h))) return false;
    return surface.Publish(owner, into);
}

}  // namespace nimbrel
