// The program's pictures for the pixel density of the screen they are drawn on. The build makes
// each picture twice: "name.ext" at its size and "name@2x.ext" at twice its size; a device whose
// pixel ratio is above 1 gets the larger one, so that pictures stay sharp on dense screens.
// Threading: LoadPicture on any thread; SharedPicture and SharedPixmap on the UI thread only.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace nimbrel {

// The scale of the picture files that suit a device of `devicePixelRatio`: 2 above 1, else 1.
int ArtworkScale(qreal devicePixelRatio);

// The file name of `name` at `scale`: "Split1x1.bmp" at 2 is "Split1x1@2x.bmp" (in the same
// folder when `name` is a path).
QString ScaledArtworkName(const QString& name, int scale);

// Reads the picture file at `path` ("…/res/ToolStop.png") for a device of `devicePixelRatio`:
// its "@2x" file when the ratio is above 1 and that file reads, the file at `path` otherwise.
// The picture's device pixel ratio says which one it is, so that its deviceIndependentSize() is
// the same for either. Null when no file reads.
QImage LoadPicture(const QString& path, qreal devicePixelRatio);

// LoadPicture's picture of the file `name` in the resource folder ("ToolStop.png"), read once
// per name and scale and kept for the run: for pictures drawn on every paint.
const QImage& SharedPicture(const QString& name, qreal devicePixelRatio);
// The same as a pixmap, kept in the toolkit's pixmap cache (small pictures: the cache may drop
// them, and they are read again).
QPixmap SharedPixmap(const QString& name, qreal devicePixelRatio);

}  // namespace nimbrel
