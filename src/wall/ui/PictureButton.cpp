#include "wall/ui/PictureButton.h"

#include <QPainter>

#include "widgets/ResourcePath.h"

namespace nimbrel {

PictureButton::PictureButton(const char* normal, const char* pressed, Fallback fallback,
                             QWidget* parent)
    : QAbstractButton(parent),
      normal_(ResourcePath(normal)),
      pressed_(pressed && *pressed ? QImage(ResourcePath(pressed)) : QImage()),
      fallback_(std::move(fallback)) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize PictureButton::sizeHint() const {
    return normal_.isNull() ? QSize(40, 40) : normal_.size();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool down = isDown() || isChecked();
    const QImage& picture = down && !pressed_.isNull() ? pressed_ : normal_;
    if (!picture.isNull())
        painter.drawImage(rect(), picture);
    else if (fallback_)
        fallback_(painter, rect(), down);
}

}  // namespace nimbrel
