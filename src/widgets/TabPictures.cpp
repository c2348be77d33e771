#include "widgets/TabPictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "widgets/Palette.h"

namespace nimbrel {
namespace {

QPixmap Draw(const QString& text, const QSize& size, const QColor& face, const QColor& ink,
             const QFont& font, bool underline) {
    // Drawn for the densest screen, so that the text stays sharp there; a screen of lower density
    // scales it down, which costs no sharpness.
    const qreal ratio = std::max<qreal>(qGuiApp->devicePixelRatio(), 1);
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // Rounded at the top only: the tab stands on the body's edge.
    QPainterPath path;
    const QRectF r(0, 0, size.width(), size.height());
    path.addRoundedRect(r.adjusted(0, 0, 0, 6), 5, 5);
    p.setClipRect(r);
    p.fillPath(path, face);
    if (underline) {
        p.fillRect(QRectF(14, size.height() - 4, size.width() - 28, 2), ink);
    }
    p.setFont(font);
    p.setPen(ink);
    p.drawText(r, Qt::AlignCenter, text);
    return picture;
}

}  // namespace

TabPictureSet TabPictures(const QString& text, const QSize& size, bool current, const QFont& font) {
    if (current) {
        const QPixmap face = Draw(text, size, Qt::white, palette::kBlueDark, font, false);
        return {face, face, face};
    }
    const QColor light = palette::kBlueLight;
    return {Draw(text, size, light, Qt::white, font, false),
            Draw(text, size, palette::kBlueDark, Qt::white, font, false),
            Draw(text, size, light, Qt::white, font, true)};
}

}  // namespace nimbrel
