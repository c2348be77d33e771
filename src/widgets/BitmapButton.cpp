#include "widgets/BitmapButton.h"

#include <QPainter>

#include "widgets/Artwork.h"

namespace nimbrel {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

namespace {

std::size_t Slot(BitmapButton::State state) {
    return static_cast<std::size_t>(state);
}

}  // namespace

void BitmapButton::SetPictureBase(const QString& base) {
    files_ = {base + ".png", base + "Sel.png", base + "Focus.png"};
    pictures_ = {};
    updateGeometry();
    update();
}

void BitmapButton::SetSinglePictureFile(const QString& name) {
    files_ = {name, name, name};
    pictures_ = {};
    updateGeometry();
    update();
}

void BitmapButton::SetPictures(const QPixmap& normal, const QPixmap& selected,
                               const QPixmap& focused) {
    files_ = {};
    pictures_ = {normal, selected, focused};
    updateGeometry();
    update();
}

BitmapButton::State BitmapButton::CurrentState() const {
    if (isDown() || (isCheckable() && isChecked())) return State::Selected;
    if (hasFocus() || hovered_) return State::Focused;
    return State::Normal;
}

QPixmap BitmapButton::Picture(State state) const {
    // Looked up at each paint: the button's screen, and so the file that suits it, may change.
    const auto at = [this](State s) {
        const QString& file = files_[Slot(s)];
        return file.isEmpty() ? pictures_[Slot(s)] : SharedPixmap(file, devicePixelRatioF());
    };
    const QPixmap picture = at(state);
    return picture.isNull() && state != State::Normal ? at(State::Normal) : picture;
}

QSize BitmapButton::sizeHint() const {
    // The picture's size on the screen, whatever its pixel density.
    const QPixmap normal = Picture(State::Normal);
    if (!normal.isNull()) return normal.deviceIndependentSize().toSize();
    return {50, 40};
}

void BitmapButton::paintEvent(QPaintEvent*) {
    const QPixmap picture = Picture(CurrentState());
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
