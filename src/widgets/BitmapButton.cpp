#include "widgets/BitmapButton.h"

#include <QPainter>

#include "widgets/ResourcePath.h"

namespace nimbrel {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void BitmapButton::SetPictureBase(const QString& base) {
    const auto load = [](const QString& name) {
        return QPixmap(ResourcePath(name.toUtf8().constData()));
    };
    SetPictures(load(base + ".png"), load(base + "Sel.png"), load(base + "Focus.png"));
}

void BitmapButton::SetPictures(const QPixmap& normal, const QPixmap& selected,
                               const QPixmap& focused) {
    normal_ = normal;
    selected_ = selected;
    focused_ = focused;
    updateGeometry();
    update();
}

void BitmapButton::SetSinglePicture(const QPixmap& picture) {
    SetPictures(picture, picture, picture);
}

BitmapButton::State BitmapButton::CurrentState() const {
    if (isDown() || (isCheckable() && isChecked())) return State::Selected;
    if (hasFocus() || hovered_) return State::Focused;
    return State::Normal;
}

const QPixmap& BitmapButton::Picture(State state) const {
    switch (state) {
        case State::Selected:
            return selected_.isNull() ? normal_ : selected_;
        case State::Focused:
            return focused_.isNull() ? normal_ : focused_;
        case State::Normal:
            break;
    }
    return normal_;
}

QSize BitmapButton::sizeHint() const {
    if (!normal_.isNull()) return normal_.deviceIndependentSize().toSize();
    return {50, 40};
}

void BitmapButton::paintEvent(QPaintEvent*) {
    const QPixmap& picture = Picture(CurrentState());
    if (picture.isNull()) return;  // a missing picture leaves the area as it is
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled()) painter.setOpacity(0.45);
    painter.drawPixmap(rect(), picture);
}

void BitmapButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    if (focusOnHover_ && isEnabled()) setFocus(Qt::MouseFocusReason);
    update();
    QAbstractButton::enterEvent(event);
}

void BitmapButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BitmapButton::focusInEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusInEvent(event);
}

void BitmapButton::focusOutEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusOutEvent(event);
}

}  // namespace nimbrel
