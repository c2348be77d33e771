// The pictures of a tab in a dialog's blue band, for a BitmapButton: the current tab is white
// and joins the white body below it, with blue text; the others are a lighter blue with white
// text. Each comes in the button's three states (normal, selected, focused).
// Threading: the UI thread.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace nimbrel {

struct TabPictureSet {
    QPixmap normal;
    QPixmap selected;
    QPixmap focused;
};

TabPictureSet TabPictures(const QString& text, const QSize& size, bool current, const QFont& font);

}  // namespace nimbrel
