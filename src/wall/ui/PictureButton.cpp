#include "wall/ui/PictureButton.h"

#include <QPainter>

#include "widgets/Artwork.h"

namespace nimbrel {

PictureButton::PictureButton(const char* normal, const char* pressed, Fallback fallback,
                             QWidget* parent)
    : QAbstractButton(parent),
      normal_(QString::fromUtf8(normal)),
      pressed_(pressed ? QString::fromUtf8(pressed) : QString()),
      fallback_(std::move(fallback)) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

QPixmap PictureButton::Picture(bool down) const {
    // Looked up at each paint: the button's screen, and so the file that suits it, may change.
    const qreal ratio = devicePixelRatioF();
    if (down && !pressed_.isEmpty())
        if (QPixmap picture = SharedPixmap(pressed_, ratio); !picture.isNull()) return picture;
    return SharedPixmap(normal_, ratio);
}

QSize PictureButton::sizeHint() const {
    // The picture's size on the screen, whatever its pixel density.
    const QPixmap picture = Picture(false);
    return picture.isNull() ? QSize(40, 40) : picture.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool down = isDown() || isChecked();
    const QPixmap picture = Picture(down);
    if (!picture.isNull())
        painter.drawPixmap(rect(), picture);
    else if (fallback_)
        fallback_(painter, rect(), down);
}

}  // namespace nimbrel
