// Everything a video pane draws: the idle and failed pictures stretched over the drawing
// rectangle, the connecting animation, the live picture turned by the three-point mapping with
// its status line on a translucent strip and its icons, the health overlay, the selection frame
// and the border.
// Threading: UI thread only; the pictures are loaded once per pixel density and shared by all
// panes.
#pragma once

#include <QColor>
#include <QRect>
#include <QStringList>
#include <QTransform>

#include "media/PaneSurface.h"

class QPainter;

namespace nimbrel {

namespace pane_colours {
// The selection is a wide frame in the accent colour; the border of the other panes is a light
// tint of it, so that the selected pane stands out at a glance.
inline const QColor kBorder{176, 210, 240};
inline const QColor kSelection{64, 155, 225};
inline const QColor kStatusText{64, 128, 255};
// Behind the status line: dark enough for the blue text on any picture, light enough to see
// the picture through.
inline const QColor kStatusStrip{0, 0, 0, 150};
// The health overlay: light text on the same strip, a stall in a warning colour.
inline const QColor kHealthText{235, 235, 235};
inline const QColor kHealthWarning{255, 120, 60};
// Stand-ins for missing pictures.
inline const QColor kIdleFallback{34, 34, 34};
inline const QColor kFailedFallback{90, 30, 30};
inline const QColor kRecordFallback{230, 40, 40};
inline const QColor kDevAudioFallback{64, 155, 228};
inline const QColor kTalkFallback{94, 185, 255};
}  // namespace pane_colours

class PanePainter {
  public:
    static constexpr int kIconSize = 23;
    static constexpr int kSelectionWidth = 3;
    static constexpr int kHealthTop = 34;  // below the status line's strip

    // The health overlay's lines from (6, kHealthTop) down, each on a translucent strip as wide
    // as its text; with `lastIsWarning` the last line in the warning colour.
    static void Health(QPainter& p, const QRect& draw, const QStringList& lines,
                       bool lastIsWarning);

    // No camera, or a camera that is ready: CameraRect.bmp over the drawing rectangle.
    static void Idle(QPainter& p, const QRect& draw);
    // A failed view: CameraRect8.bmp.
    static void Failed(QPainter& p, const QRect& draw);
    // Connecting: the idle picture and a row of six bars, bar `step` mod 6 highlighted.
    static void Connecting(QPainter& p, const QRect& draw, int step);
    // The live picture filling the drawing rectangle (turned by its rotation; stretched smoothly
    // when it is smaller, as a stream smaller than its pane comes), the status line
    // at (6, 12), or (6, 4) when turned, on a translucent strip as wide as its text, and the
    // recording, device-audio and talk icons.
    static void Live(QPainter& p, const QRect& draw, const PanePicture& picture);
    // The selection frame, kSelectionWidth pixels along the edges of the client area (it covers
    // the border).
    static void Selection(QPainter& p, const QSize& client);
    // The one-pixel border of a pane that is not selected.
    static void Border(QPainter& p, const QSize& client);

    // Maps a picture of `width` × `height` onto `draw` so that its top-left, top-right and
    // bottom-left corners land where `rotation` quarter turns clockwise put them.
    static QTransform PlgTransform(const QRect& draw, int rotation, int width, int height);
};

}  // namespace nimbrel
