// Turns a decoded picture into pixels to show: 32-bit BGRX (the painter's native format, so
// painting needs no conversion) straight at a pane's drawing size (or smaller, see StoredSize) in
// one conversion (no full-size intermediate), or 24-bit BGR at full size for a snapshot. The
// conversion set-up is kept for as long as the picture's size and format and the target size stay
// the same.
// Threading: one thread at a time (the camera's display tick).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "media/BgrxTarget.h"

struct AVFrame;
struct SwsContext;

namespace nimbrel {

class PaneScaler {
  public:
    PaneScaler() = default;
    ~PaneScaler() { Reset(); }
    PaneScaler(const PaneScaler&) = delete;
    PaneScaler& operator=(const PaneScaler&) = delete;

    // The size to convert a sourceWidth × sourceHeight picture to for a drawing rectangle of
    // drawWidth × drawHeight when the viewer turns the picture by `rotation` quarter turns
    // clockwise while painting: after a quarter or three-quarter turn the stored picture must
    // be drawHeight wide and drawWidth high. The conversion never enlarges: a side the drawing
    // is larger than the picture keeps the picture's length and the viewer stretches it, so a
    // pane larger than its stream (full screen) holds pictures of the stream's size, not of
    // the screen's.
    static std::pair<int, int> StoredSize(int drawWidth, int drawHeight, int rotation,
                                          int sourceWidth, int sourceHeight);

    // Converts `picture` to target.width × target.height BGRX (4 bytes a pixel, the fourth 255),
    // rows top-down. When the width is odd and the stride has room for one more pixel, one more
    // column is converted (an even width converts about three times faster) and falls into the
    // row's spare bytes. False, with nothing written, when the picture cannot be converted or
    // the target's rows do not lie inside its buffer.
    bool Scale(const AVFrame& picture, const BgrxTarget& target);

    // The picture at its own size, rows top-down with no gaps (width × height × 3 bytes).
    bool ConvertFullSize(const AVFrame& picture, std::vector<uint8_t>& bgr);

    // Frees the conversion set-ups (the view stopped).
    void Reset();

  private:
    struct Conversion {
        SwsContext* context = nullptr;
        int sourceWidth = 0;
        int sourceHeight = 0;
        int sourceFormat = -1;
        int fullRange = 0;
        int matrix = 0;
        int width = 0;
        int height = 0;
        int targetFormat = -1;
    };

    static SwsContext* Prepare(Conversion& conversion, const AVFrame& picture, int width,
                               int height, int targetFormat);
    static void Free(Conversion& conversion);

    Conversion pane_;      // pane-size pictures, every frame
    Conversion snapshot_;  // full-size pictures, on request
};

}  // namespace nimbrel
