#include "devices/ui/DeviceTreePainter.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

#include "widgets/Artwork.h"

namespace nimbrel {
namespace {

QFont TreeFont(int weight) {
    QFont font;
    // The face the tree is designed for, then a CJK-capable face for "[内网]".
    font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(18);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

void FillGradient(QPainter& p, const QRect& r, const QColor& bottom) {
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, bottom);
    p.fillRect(r, gradient);
}

// Text placed by its top-left corner, as the row layout gives the positions.
void TextAt(QPainter& p, int x, int y, const QString& text, const QFont& font,
            const QColor& colour) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRect(x, y, 10000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

// Room kept free at the column's right edge.
constexpr int kRightMargin = 6;

QString Elided(const QString& text, const QFont& font, int width) {
    return QFontMetrics(font).elidedText(text, Qt::ElideRight, std::max(0, width));
}

// A small triangle in place of a missing expand/collapse picture: pointing down when expanded.
void DrawToggleFallback(QPainter& p, const QRect& box, bool expanded) {
    const QPoint c = box.center();
    QPolygon triangle;
    if (expanded)
        triangle << QPoint(c.x() - 5, c.y() - 3) << QPoint(c.x() + 5, c.y() - 3)
                 << QPoint(c.x(), c.y() + 3);
    else
        triangle << QPoint(c.x() - 3, c.y() - 5) << QPoint(c.x() - 3, c.y() + 5)
                 << QPoint(c.x() + 3, c.y());
    p.setPen(Qt::NoPen);
    p.setBrush(tree_colours::kHeaderText);
    p.drawPolygon(triangle);
    p.setBrush(Qt::NoBrush);
}

// The picture file `name` in the files that suit the device `p` draws on.
const QImage& Picture(const QPainter& p, const char* name) {
    return SharedPicture(QString::fromLatin1(name), p.device()->devicePixelRatioF());
}

// A play triangle in a white ring, so that it stands out on any thumbnail.
void DrawPlayingMark(QPainter& p, const QRect& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(tree_colours::kPlayingEdge);
    p.drawRect(box);
    const QRect inner = box.adjusted(2, 2, -2, -2);
    p.setBrush(tree_colours::kPlaying);
    p.drawRect(inner);
    const QPoint c = inner.center();
    QPolygon triangle;
    triangle << QPoint(c.x() - 3, c.y() - 4) << QPoint(c.x() - 3, c.y() + 4)
             << QPoint(c.x() + 4, c.y());
    p.setBrush(tree_colours::kPlayingEdge);
    p.drawPolygon(triangle);
    p.restore();
}

}  // namespace

DeviceTreePainter::DeviceTreePainter()
    : headerFont_(HeaderFont()), nameFont_(TreeFont(400)), stateFont_(TreeFont(700)) {}

QString DeviceTreePainter::HeaderText(const std::string& name, int online, int total) {
    return QStringLiteral("%1  [%2/%3]").arg(QString::fromStdString(name)).arg(online).arg(total);
}

void DeviceTreePainter::Paint(QPainter& p, const Scene& scene, const DeviceTreeModel& model,
                              const DeviceList& list, const DeviceThumbnails& thumbnails) {
    p.fillRect(QRect(QPoint(0, 0), scene.client), tree_colours::kBackground);
    const std::vector<TreeGroup> groups = model.Groups();
    const int width = scene.client.width();
    for (const TreeRow& row : model.Rows()) {
        const int top = row.top - scene.scroll;
        if (top >= scene.client.height()) break;  // the first row below the client area
        if (top + row.height <= 0) continue;
        const TreeItemRef ref = TreeItemRef::Of(row, groups);
        const bool hot = scene.hot && *scene.hot == ref;
        if (row.kind == TreeRow::Kind::Group) {
            if (row.groupSlot < 0 || row.groupSlot >= static_cast<int>(groups.size())) continue;
            PaintHeader(p, top, width, groups[static_cast<std::size_t>(row.groupSlot)],
                        model.Counts(row.groupSlot), hot);
        } else if (const DeviceRecord* device = list.At(row.deviceIndex)) {
            const bool selected = scene.selected && *scene.selected == ref;
            const bool playing = scene.playing && row.deviceIndex >= 0 &&
                                 row.deviceIndex < static_cast<int>(scene.playing->size()) &&
                                 (*scene.playing)[static_cast<std::size_t>(row.deviceIndex)];
            PaintDevice(p, top, width, row.deviceIndex, *device, selected, hot, playing,
                        thumbnails);
        }
    }
}

void DeviceTreePainter::PaintHeader(QPainter& p, int top, int width, const TreeGroup& group,
                                    std::pair<int, int> counts, bool hot) {
    const int h = DeviceTreeModel::kHeaderHeight;
    if (hot) FillGradient(p, QRect(0, top, width, h), tree_colours::kHeaderHotBottom);
    const QRect box(0, top, h, h);
    const QImage& picture = Picture(p, group.expanded ? "expand.bmp" : "collapse.bmp");
    if (picture.isNull())
        DrawToggleFallback(p, box, group.expanded);
    else
        p.drawImage(box, picture);
    // A long name gives way to "…"; the count always shows.
    const int x = box.right() + 1 + 3;
    const QString count = QStringLiteral("  [%1/%2]").arg(counts.first).arg(counts.second);
    const int countWidth = QFontMetrics(headerFont_).horizontalAdvance(count);
    const QString name = Elided(QString::fromStdString(DeviceTreeModel::ShownName(group)),
                                headerFont_, width - kRightMargin - x - countWidth);
    TextAt(p, x, top + 3, name + count, headerFont_, tree_colours::kHeaderText);
}

void DeviceTreePainter::PaintDevice(QPainter& p, int top, int width, int deviceIndex,
                                    const DeviceRecord& device, bool selected, bool hot,
                                    bool playing, const DeviceThumbnails& thumbnails) {
    const QRect row(0, top, width, DeviceTreeModel::kDeviceHeight);
    if (selected)
        p.fillRect(row, tree_colours::kDeviceSelected);
    else if (hot)
        FillGradient(p, row, tree_colours::kDeviceHotBottom);

    const QRect thumb(QPoint(kThumbnailX, top + kThumbnailY), kThumbnailSize);
    // The lock picture wins over a downloaded one: a locked device shows nothing of its view.
    if (device.lock.load() == 1)
        DrawThumbnail(p, thumb, nullptr, Picture(p, "cameraThumnailLock.bmp"),
                      tree_colours::kLockThumbnailFallback);
    else
        DrawThumbnail(p, thumb, Downloaded(deviceIndex, thumbnails),
                      Picture(p, "cameraThumnail.bmp"), tree_colours::kThumbnailFallback);
    if (playing) DrawPlayingMark(p, PlayingMarkRect(top));

    const int room = width - kRightMargin - kTextX;
    TextAt(p, kTextX, top + kNameY, Elided(QString::fromStdString(device.Name()), nameFont_, room),
           nameFont_, tree_colours::kDeviceName);
    const bool online = device.IsOnline();
    const QString state = online ? QCoreApplication::translate("DeviceTreePainter", "[Онлайн]")
                                 : QCoreApplication::translate("DeviceTreePainter", "[Оффлайн]");
    const bool lan = online && device.onLan.load() == 1;
    const QString lanMark = QCoreApplication::translate("DeviceTreePainter", "[内网]");
    // "[Онлайн]" is wider than the short label the column was laid out for: the LAN mark
    // follows it, and both shrink together when the column (less its scroll bar) is too narrow.
    QFont font = stateFont_;
    const auto needed = [&] {
        const QFontMetrics m(font);
        return m.horizontalAdvance(state) + (lan ? 4 + m.horizontalAdvance(lanMark) : 0);
    };
    while (needed() > room && font.pixelSize() > kSmallestStateFont)
        font.setPixelSize(font.pixelSize() - 1);
    TextAt(p, kTextX, top + kStateY, Elided(state, font, room), font,
           online ? tree_colours::kOnline : tree_colours::kOffline);
    if (lan) {
        const int stateEnd = kTextX + QFontMetrics(font).horizontalAdvance(state) + 4;
        const int x = std::max(
            std::min(kLanX, width - kRightMargin - QFontMetrics(font).horizontalAdvance(lanMark)),
            stateEnd);
        TextAt(p, x, top + kStateY, Elided(lanMark, font, width - kRightMargin - x), font,
               tree_colours::kOnline);
    }
}

const QImage* DeviceTreePainter::Downloaded(int deviceIndex, const DeviceThumbnails& thumbnails) {
    const DeviceThumbnails::Bytes bytes = thumbnails.Png(deviceIndex);
    if (!bytes) {
        decoded_.erase(deviceIndex);
        return nullptr;
    }
    Decoded& entry = decoded_[deviceIndex];
    if (entry.bytes != bytes) {
        entry.bytes = bytes;
        entry.image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()), "PNG");
    }
    return entry.image.isNull() ? nullptr : &entry.image;
}

void DeviceTreePainter::DrawThumbnail(QPainter& p, const QRect& at, const QImage* picture,
                                      const QImage& file, const QColor& fallback) {
    if (picture)
        p.drawImage(at, *picture);
    else if (!file.isNull())
        p.drawImage(at, file);
    else
        p.fillRect(at, fallback);
}

QImage DeviceTreePainter::DragImage(int deviceIndex, const DeviceRecord& device,
                                    const DeviceThumbnails& thumbnails, qreal devicePixelRatio) {
    // Drawn at the screen's density, so that it is as sharp as the row it shows.
    const qreal ratio = std::max<qreal>(devicePixelRatio, 1);
    QImage image(kDragImageSize * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(tree_colours::kDragBackground);
    QPainter p(&image);
    PaintDevice(p, 0, kDragImageSize.width(), deviceIndex, device, false, false, false, thumbnails);
    p.setPen(tree_colours::kOnline);
    p.drawRect(QRect(QPoint(0, 0), kDragImageSize).adjusted(0, 0, -1, -1));
    return image;
}

QRect DeviceTreePainter::PlayingMarkRect(int top) {
    return QRect(kThumbnailX + 3,
                 top + kThumbnailY + kThumbnailSize.height() - kPlayingMarkSize - 3,
                 kPlayingMarkSize, kPlayingMarkSize);
}

QFont DeviceTreePainter::HeaderFont() {
    return TreeFont(400);
}

}  // namespace nimbrel
