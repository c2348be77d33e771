#include "wall/ui/PanePainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "live/ConnectingAnimation.h"
#include "widgets/Artwork.h"

namespace nimbrel {
namespace {

const QFont& StatusFont() {
    static const QFont font = [] {
        QFont f;
        f.setFamilies({QStringLiteral("新宋体"), QStringLiteral("WenQuanYi Micro Hei Mono")});
        f.setStyleHint(QFont::Monospace);
        f.setPixelSize(12);
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

// The picture `name` in the files that suit the device `p` draws on.
const QImage& Picture(const QPainter& p, const char* name) {
    return SharedPicture(QString::fromLatin1(name), p.device()->devicePixelRatioF());
}

void Stretch(QPainter& p, const QRect& draw, const QImage& picture, const QColor& fallback) {
    if (picture.isNull())
        p.fillRect(draw, fallback);
    else
        p.drawImage(draw, picture);
}

void Icon(QPainter& p, int x, int y, const QImage& picture, const QColor& fallback) {
    const QRect at(x, y, PanePainter::kIconSize, PanePainter::kIconSize);
    if (!picture.isNull()) {
        p.drawImage(at, picture);
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fallback);
    p.drawEllipse(at);
    p.setBrush(Qt::NoBrush);
}

}  // namespace

void PanePainter::Idle(QPainter& p, const QRect& draw) {
    Stretch(p, draw, Picture(p, "CameraRect.bmp"), pane_colours::kIdleFallback);
}

void PanePainter::Failed(QPainter& p, const QRect& draw) {
    Stretch(p, draw, Picture(p, "CameraRect8.bmp"), pane_colours::kFailedFallback);
}

void PanePainter::Connecting(QPainter& p, const QRect& draw, int step) {
    Idle(p, draw);
    const ConnectingBars bars = ConnectingBarsFor(draw.width(), draw.height(), step);
    if (bars.width <= 0 || bars.height <= 0) return;
    for (int k = 0; k < ConnectingBars::kCount; ++k) {
        const QRect bar(draw.x() + bars.BarLeft(k), draw.y() + bars.top, bars.width, bars.height);
        p.fillRect(bar, QColor::fromRgba(k == bars.highlighted ? ConnectingBars::kHighlightColour
                                                               : ConnectingBars::kBarColour));
    }
}

QTransform PanePainter::PlgTransform(const QRect& draw, int rotation, int width, int height) {
    const double x = draw.x(), y = draw.y(), w = draw.width(), h = draw.height();
    // Where the picture's top-left, top-right and bottom-left corners go.
    QPointF tl(x, y), tr(x + w, y), bl(x, y + h);
    switch (rotation & 3) {
        case 1:  // a quarter turn clockwise: the top edge lands on the right side
            tl = {x + w, y}, tr = {x + w, y + h}, bl = {x, y};
            break;
        case 2:
            tl = {x + w, y + h}, tr = {x, y + h}, bl = {x + w, y};
            break;
        case 3:
            tl = {x, y + h}, tr = {x, y}, bl = {x + w, y + h};
            break;
        default:
            break;
    }
    const double sw = width > 0 ? width : 1, sh = height > 0 ? height : 1;
    return QTransform((tr.x() - tl.x()) / sw, (tr.y() - tl.y()) / sw, (bl.x() - tl.x()) / sh,
                      (bl.y() - tl.y()) / sh, tl.x(), tl.y());
}

void PanePainter::Live(QPainter& p, const QRect& draw, const PanePicture& picture) {
    const PaneOverlay& overlay = picture.overlay;
    const std::size_t needed = static_cast<std::size_t>(picture.stride) * picture.height;
    if (picture.width <= 0 || picture.height <= 0 || picture.stride < picture.width * 4 ||
        picture.bgrx.size() < needed) {
        Idle(p, draw);
        return;
    }
    // Blue, green, red, 255 in memory is the painter's native 32-bit format: no conversion.
    const QImage image(picture.bgrx.data(), picture.width, picture.height, picture.stride,
                       QImage::Format_RGB32);
    p.save();
    p.setClipRect(draw);
    p.setTransform(PlgTransform(draw, overlay.rotation, picture.width, picture.height));
    // A picture made at the drawing size is copied pixel for pixel; one smaller than the pane
    // (a stream shown larger than its own size) is stretched smoothly.
    const bool sideways = (overlay.rotation & 1) != 0;
    const bool fits = picture.width == (sideways ? draw.height() : draw.width()) &&
                      picture.height == (sideways ? draw.width() : draw.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform, !fits);
    p.drawImage(QPointF(0, 0), image);
    p.restore();

    const bool turned = (overlay.rotation & 3) != 0;
    const QString status = QString::fromStdString(overlay.statusText);
    if (!status.isEmpty()) {
        p.setFont(StatusFont());
        const QFontMetrics metrics(StatusFont());
        const QPoint at(6, turned ? 4 : 12);
        const QRect strip(at.x() - 4, at.y() - 2, metrics.horizontalAdvance(status) + 8,
                          metrics.height() + 4);
        p.fillRect(strip.intersected(draw), pane_colours::kStatusStrip);
        p.setPen(pane_colours::kStatusText);
        p.drawText(QRect(at, QSize(10000, 100)), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   status);
    }

    const int w = draw.width(), h = draw.height();
    if (overlay.recordIcon)
        Icon(p, w - 43, 10, Picture(p, "VideoRecord.png"), pane_colours::kRecordFallback);
    if (overlay.devAudioIcon)
        Icon(p, w / 5, h - 28, Picture(p, "DevAudio.png"), pane_colours::kDevAudioFallback);
    if (overlay.talkIcon)
        Icon(p, w / 4 * 3 - 28, h - 28, Picture(p, "LocalAudio.png"), pane_colours::kTalkFallback);
}

void PanePainter::Health(QPainter& p, const QRect& draw, const QStringList& lines,
                         bool lastIsWarning) {
    const QFont& font = StatusFont();
    const QFontMetrics metrics(font);
    p.save();
    p.setClipRect(draw);
    p.setFont(font);
    int y = draw.y() + kHealthTop;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QPoint at(draw.x() + 6, y);
        const QRect strip(at.x() - 4, at.y() - 2, metrics.horizontalAdvance(lines[i]) + 8,
                          metrics.height() + 4);
        p.fillRect(strip, pane_colours::kStatusStrip);
        const bool warning = lastIsWarning && i == lines.size() - 1;
        p.setPen(warning ? pane_colours::kHealthWarning : pane_colours::kHealthText);
        p.drawText(QRect(at, QSize(10000, 100)), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   lines[i]);
        y += metrics.height() + 4;
    }
    p.restore();
}

void PanePainter::Selection(QPainter& p, const QSize& client) {
    const int w = client.width(), h = client.height(), k = kSelectionWidth;
    const QColor c = pane_colours::kSelection;
    p.fillRect(0, 0, w, k, c);
    p.fillRect(0, h - k, w, k, c);
    p.fillRect(0, 0, k, h, c);
    p.fillRect(w - k, 0, k, h, c);
}

void PanePainter::Border(QPainter& p, const QSize& client) {
    // Filled strips rather than a drawn rectangle: a one-pixel line is centred on the pixel
    // edge, so on a denser screen it would straddle the border, thin on two sides and off the
    // edge on the others.
    const int w = client.width(), h = client.height();
    const QColor c = pane_colours::kBorder;
    p.fillRect(0, 0, w, 1, c);
    p.fillRect(0, h - 1, w, 1, c);
    p.fillRect(0, 0, 1, h, c);
    p.fillRect(w - 1, 0, 1, h, c);
}

}  // namespace nimbrel
