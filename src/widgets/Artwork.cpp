#include "widgets/Artwork.h"

#include <QPixmapCache>

#include <map>
#include <set>
#include <utility>

#include "widgets/ResourcePath.h"

namespace nimbrel {

int ArtworkScale(qreal devicePixelRatio) {
    return devicePixelRatio > 1.0 ? 2 : 1;
}

QString ScaledArtworkName(const QString& name, int scale) {
    if (scale == 1) return name;
    const QString suffix = QStringLiteral("@%1x").arg(scale);
    // The extension's dot, if the file name (not a folder) has one.
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype fileStart = name.lastIndexOf('/') + 1;
    return dot > fileStart ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

QImage LoadPicture(const QString& path, qreal devicePixelRatio) {
    const int scale = ArtworkScale(devicePixelRatio);
    if (scale > 1) {
        QImage dense(ScaledArtworkName(path, scale));
        if (!dense.isNull()) {
            dense.setDevicePixelRatio(scale);
            return dense;
        }
    }
    // Without a dense file (an older resource folder, or one that does not read) the plain
    // picture is drawn enlarged: blurred, but at its place and size.
    QImage plain(path);
    plain.setDevicePixelRatio(1);
    return plain;
}

const QImage& SharedPicture(const QString& name, qreal devicePixelRatio) {
    // Node-based, so a reference handed out stays valid while later pictures are added.
    static std::map<std::pair<QString, int>, QImage> pictures;
    const auto key = std::make_pair(name, ArtworkScale(devicePixelRatio));
    auto it = pictures.find(key);
    if (it == pictures.end())
        it = pictures.emplace(key, LoadPicture(ResourcePath(name), devicePixelRatio)).first;
    return it->second;
}

QPixmap SharedPixmap(const QString& name, qreal devicePixelRatio) {
    const int scale = ArtworkScale(devicePixelRatio);
    const QString key = QStringLiteral("nimbrel-artwork/%1/").arg(scale) + name;
    // A missing picture is remembered apart: the pixmap cache keeps no null pixmaps, and a
    // missing file is not looked for again on every paint.
    static std::set<QString> missing;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap) || missing.count(key)) return pixmap;
    pixmap = QPixmap::fromImage(LoadPicture(ResourcePath(name), devicePixelRatio));
    if (pixmap.isNull())
        missing.insert(key);
    else
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

}  // namespace nimbrel
