// nimbrel-artwork: turns the program's SVG artwork into the pictures it loads from "res/" beside
// the executable. A manifest names each picture: its file, its SVG source, its size, and for
// buttons the colour scheme whose state frames (normal, selected, focused) surround the glyph.
//
//   picture OUT SVG W H [bg=#rrggbb] [key=value ...]   one picture; {{key}} in the SVG is replaced
//   button  BASE GLYPH W H SCHEME                      BASE.png, BASESel.png, BASEFocus.png
//   pair    BASE GLYPH W H SCHEME                      BASE.png, BASEDown.png
//           (BASE may end in ".bmp" to make BMP files instead)
//   single  OUT GLYPH W H SCHEME                       the normal state only
//
// A ".bmp" picture is flattened onto its background (white unless bg= says otherwise).
// Every picture is made twice: at its size, and at twice its size as "NAME@2x.EXT" for screens of
// twice the pixel density. The larger one is drawn from the SVG at that size (frames, borders and
// strokes scale with it), so it is as sharp as the smaller one rather than an enlarged copy.
// Usage: nimbrel-artwork MANIFEST SVG_DIR OUT_DIR
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

namespace {

struct StateStyle {
    QColor face;    // transparent: no frame
    QColor border;  // transparent: no border
    QColor ink;     // the glyph's colour ({{fg}})
};

struct Scheme {
    int radius = 0;
    double glyphSize = 24;  // pixels the 24-unit glyph is drawn at
    double strokeWidth = 1.8;
    StateStyle normal, selected, focused;
};

const QColor kBlue(64, 155, 228);

QMap<QString, Scheme> Schemes() {
    QMap<QString, Scheme> s;
    // Toolbar buttons on the white area under the wall.
    s["toolbar"] = {6,
                    24,
                    1.8,
                    {Qt::transparent, Qt::transparent, QColor(74, 85, 99)},
                    {kBlue, kBlue, Qt::white},
                    {QColor(234, 244, 253), QColor(181, 216, 245), kBlue}};
    // Title-band buttons on the blue band.
    s["title"] = {3,
                  14,
                  2.2,
                  {Qt::transparent, Qt::transparent, Qt::white},
                  {QColor(36, 118, 190), Qt::transparent, Qt::white},
                  {QColor(255, 255, 255, 56), Qt::transparent, Qt::white}};
    s["titleclose"] = {3,
                       14,
                       2.2,
                       {Qt::transparent, Qt::transparent, Qt::white},
                       {QColor(194, 59, 64), Qt::transparent, Qt::white},
                       {QColor(229, 72, 77), Qt::transparent, Qt::white}};
    // The layout chooser's buttons on its white popup.
    s["chooser"] = {4,
                    28,
                    1.6,
                    {Qt::white, QColor(213, 220, 228), QColor(138, 150, 163)},
                    {QColor(234, 244, 253), kBlue, kBlue},
                    {QColor(246, 250, 254), QColor(181, 216, 245), kBlue}};
    return s;
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString Fill(QString svg, const QMap<QString, QString>& values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        svg.replace("{{" + it.key() + "}}", it.value());
    return svg;
}

bool Render(const QString& svg, QPainter& painter, const QRectF& where) {
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid()) return false;
    renderer.render(&painter, where);
    return true;
}

bool Save(QImage image, const QString& path, const QColor& background) {
    if (path.endsWith(".bmp", Qt::CaseInsensitive)) {
        QImage flat(image.size(), QImage::Format_RGB888);
        flat.fill(background);
        QPainter p(&flat);
        p.drawImage(0, 0, image);
        p.end();
        return flat.save(path, "BMP");
    }
    return image.save(path, "PNG");
}

// The pixel densities every picture is made for.
constexpr int kScales[] = {1, 2};
constexpr int kMaxSide = 4096;

// "Split1x1.bmp" at scale 2 is "Split1x1@2x.bmp".
QString ScaledName(const QString& name, int scale) {
    if (scale == 1) return name;
    const int dot = name.lastIndexOf('.');
    const QString suffix = QString("@%1x").arg(scale);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

// A transparent picture of `w` × `h` units at `scale` pixels per unit.
QImage Canvas(int w, int h, int scale) {
    QImage image(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage ButtonState(const QString& glyphSvg, int w, int h, int scale, const Scheme& scheme,
                   const StateStyle& style, const QMap<QString, QString>& extra, bool* ok) {
    QImage image = Canvas(w, h, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    if (style.face.alpha() > 0 || style.border.alpha() > 0) {
        QPainterPath frame;
        frame.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), scheme.radius, scheme.radius);
        p.fillPath(frame, style.face);
        if (style.border.alpha() > 0) {
            p.setPen(QPen(style.border, 1));
            p.drawPath(frame);
        }
    }
    QMap<QString, QString> values = extra;
    values["fg"] = style.ink.name(QColor::HexRgb);
    values["sw"] = QString::number(scheme.strokeWidth);
    const double g = scheme.glyphSize;
    *ok = Render(Fill(glyphSvg, values), p, QRectF((w - g) / 2.0, (h - g) / 2.0, g, g));
    return image;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "nimbrel-artwork: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) return Fail("usage: nimbrel-artwork MANIFEST SVG_DIR OUT_DIR");
    const QDir svgDir(QString::fromLocal8Bit(argv[2]));
    const QDir outDir(QString::fromLocal8Bit(argv[3]));
    if (!QDir().mkpath(outDir.path())) return Fail("cannot make " + outDir.path());

    QFile manifest(QString::fromLocal8Bit(argv[1]));
    if (!manifest.open(QIODevice::ReadOnly)) return Fail("cannot read the manifest");
    const QMap<QString, Scheme> schemes = Schemes();
    QTextStream in(&manifest);
    int lineNumber = 0, written = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        const QString where = QString("line %1: ").arg(lineNumber);
        if (words.size() < 5) return Fail(where + "too few words");
        const QString kind = words[0], out = words[1];
        const QString svg = ReadText(svgDir.filePath(words[2]));
        if (svg.isEmpty()) return Fail(where + "cannot read " + words[2]);
        const int w = words[3].toInt(), h = words[4].toInt();
        // Bounded so that the largest scale's picture stays a sane allocation.
        if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return Fail(where + "bad size");
        QMap<QString, QString> values;
        QString schemeName;
        for (int i = 5; i < words.size(); ++i) {
            const int eq = words[i].indexOf('=');
            if (eq > 0)
                values[words[i].left(eq)] = words[i].mid(eq + 1);
            else
                schemeName = words[i];
        }
        const QColor background(values.value("bg", "#ffffff"));

        if (kind == "picture") {
            for (const int scale : kScales) {
                QImage image = Canvas(w, h, scale);
                QPainter p(&image);
                p.setRenderHint(QPainter::Antialiasing);
                if (!Render(Fill(svg, values), p, QRectF(0, 0, w * scale, h * scale)))
                    return Fail(where + "bad SVG " + words[2]);
                p.end();
                const QString name = ScaledName(out, scale);
                if (!Save(image, outDir.filePath(name), background))
                    return Fail(where + "cannot write " + name);
                ++written;
            }
            continue;
        }
        if (!schemes.contains(schemeName))
            return Fail(where + "unknown scheme '" + schemeName + "'");
        const Scheme& scheme = schemes[schemeName];
        struct Output {
            QString name;
            const StateStyle* style;
        };
        // BASE may carry the extension of its files ("Split1x1.bmp"); PNG otherwise.
        QString base = out, extension = ".png";
        if (const int dot = out.lastIndexOf('.'); dot > 0) {
            base = out.left(dot);
            extension = out.mid(dot);
        }
        QList<Output> outputs;
        if (kind == "button")
            outputs = {{base + extension, &scheme.normal},
                       {base + "Sel" + extension, &scheme.selected},
                       {base + "Focus" + extension, &scheme.focused}};
        else if (kind == "pair")
            outputs = {{base + extension, &scheme.normal},
                       {base + "Down" + extension, &scheme.selected}};
        else if (kind == "single")
            outputs = {{out, &scheme.normal}};
        else
            return Fail(where + "unknown kind '" + kind + "'");
        for (const Output& o : outputs)
            for (const int scale : kScales) {
                bool ok = false;
                const QImage image = ButtonState(svg, w, h, scale, scheme, *o.style, values, &ok);
                if (!ok) return Fail(where + "bad SVG " + words[2]);
                const QString name = ScaledName(o.name, scale);
                if (!Save(image, outDir.filePath(name), background))
                    return Fail(where + "cannot write " + name);
                ++written;
            }
    }
    std::printf("nimbrel-artwork: %d pictures in %s\n", written, qPrintable(outDir.path()));
    return 0;
}
