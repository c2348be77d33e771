#include "widgets/FlatButton.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/Palette.h"

namespace nimbrel {

FlatButton::FlatButton(const QString& text, Scheme scheme, QWidget* parent)
    : QPushButton(text, parent), scheme_(scheme) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QFont f = font();
    f.setPixelSize(14);
    setFont(f);
}

void FlatButton::SetColourScheme(Scheme scheme) {
    scheme_ = scheme;
    update();
}

QSize FlatButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return {qMax(96, text.width() + 36), 34};
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    const bool lit = hasFocus() || underMouse();
    QColor face, border, ink;
    switch (scheme_) {
        case Scheme::Primary:
            face = pressed ? palette::kBlueDark : lit ? palette::kBlueLight : palette::kBlue;
            border = face;
            ink = Qt::white;
            break;
        case Scheme::Secondary:
            face = pressed ? palette::kBluePale : lit ? palette::kBlueWash : QColor(Qt::white);
            border = lit || pressed ? palette::kBlue : palette::kLine;
            ink = lit || pressed ? palette::kBlueDark : palette::kInk;
            break;
        case Scheme::OnBlue:
            face = pressed ? palette::kBluePale : lit ? QColor(Qt::white) : QColor(250, 252, 255);
            border = face;
            ink = palette::kBlueDark;
            break;
    }
    if (!isEnabled()) {
        face = face.lighter(115);
        ink.setAlpha(120);
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.fillPath(path, face);
    p.setPen(border);
    p.drawPath(path);
    if (hasFocus() && scheme_ != Scheme::Secondary) {
        p.setPen(QPen(scheme_ == Scheme::Primary ? QColor(255, 255, 255, 150) : palette::kBlue, 1,
                      Qt::DotLine));
        p.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 3, 3);
    }
    p.setPen(ink);
    p.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace nimbrel
