// Paints the application icon and writes it as a Windows ICO file (compiled in as ":/images/icon") and as
// PNG files for the desktop's hicolor theme. Runs at build time without a display, so it draws no text.
//
// Usage: make-icon <icon.ico> <hicolor directory> <png size>...

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <QtEndian>

#include <cstdio>

namespace {

const QColor kBrown(0x3d, 0x25, 0x16);
const QColor kWhite(0xff, 0xff, 0xff);
const QColor kGrey(0xd2, 0xd2, 0xd2);

// The artwork is laid out on a 256-pixel square and scaled to every size.
constexpr qreal kDesignSize = 256;

// Icon images in file order: palettised ones for old desktops, the large PNG, then full colour.
struct IconImage
{
    int size;
    int bitsPerPixel;
    bool png;
};
const IconImage kIconImages[] = {
    {64, 8, false},  {48, 8, false},  {32, 8, false},  {16, 8, false},  {256, 32, true},
    {64, 32, false}, {48, 32, false}, {32, 32, false}, {16, 32, false},
};

QImage paintIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kDesignSize, size / kDesignSize);

    p.setPen(Qt::NoPen);
    p.setBrush(kBrown);
    p.drawRoundedRect(QRectF(0, 0, kDesignSize, kDesignSize), 20, 20);

    // Eye at the top left: a white almond with a pupil in the background colour and a glint.
    QPainterPath eye;
    eye.moveTo(18, 56);
    eye.quadTo(66, 8, 114, 56);
    eye.quadTo(66, 104, 18, 56);
    p.setBrush(kWhite);
    p.drawPath(eye);
    p.setBrush(kBrown);
    p.drawEllipse(QPointF(66, 56), 17, 17);
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(60, 50), 5, 5);

    // Magnifying glass: the rim, then the handle growing out of it towards the bottom right.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGrey, 22));
    p.drawEllipse(QPointF(146, 146), 66, 66);
    p.setPen(QPen(kGrey, 32, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(196, 196), QPointF(234, 234));
    return image;
}

// Palette of the 8-bit images: black first (the colour under masked pixels), the artwork's colours, and
// even ramps between every two of them for the anti-aliased edges.
QList<QRgb> iconPalette()
{
    const QList<QColor> colours{kBrown, kWhite, kGrey};
    QList<QRgb> table{qRgb(0, 0, 0)};
    for (const QColor &c : colours)
        table.append(c.rgb());
    const int pairs = int(colours.size() * (colours.size() - 1) / 2);
    const int steps = (256 - int(table.size())) / pairs + 1;
    for (int i = 0; i < colours.size(); ++i) {
        for (int j = i + 1; j < colours.size(); ++j) {
            const QColor &a = colours.at(i);
            const QColor &b = colours.at(j);
            for (int s = 1; s < steps; ++s) {
                const auto mix = [&](int x, int y) { return x + (y - x) * s / steps; };
                table.append(qRgb(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())));
            }
        }
    }
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    return table;
}

void put8(QByteArray &out, int v)
{
    out.append(char(v));
}

void put16(QByteArray &out, int v)
{
    char b[2];
    qToLittleEndian(quint16(v), b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

bool isMasked(QRgb pixel)
{
    return qAlpha(pixel) < 128;
}

// One icon image as a bottom-up DIB: BITMAPINFOHEADER (with doubled height), palette, colour bits, AND mask.
QByteArray iconBitmap(const QImage &art, int bitsPerPixel)
{
    const QImage image = art.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int colourStride = (w * bitsPerPixel / 8 + 3) & ~3;
    const int maskStride = (w + 31) / 32 * 4;
    const QList<QRgb> palette = bitsPerPixel == 8 ? iconPalette() : QList<QRgb>();
    const QImage indexed = bitsPerPixel == 8
                               ? image.convertToFormat(QImage::Format_RGB32)
                                     .convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither)
                               : QImage();

    QByteArray out;
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(2 * h));
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, 0);
    put32(out, quint32((colourStride + maskStride) * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, quint32(palette.size()));
    put32(out, 0);
    for (QRgb c : palette) {
        put8(out, qBlue(c));
        put8(out, qGreen(c));
        put8(out, qRed(c));
        put8(out, 0);
    }

    for (int y = h - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray line;
        for (int x = 0; x < w; ++x) {
            if (bitsPerPixel == 8) {
                put8(line, isMasked(row[x]) ? 0 : indexed.pixelIndex(x, y));
            } else {
                put8(line, qBlue(row[x]));
                put8(line, qGreen(row[x]));
                put8(line, qRed(row[x]));
                put8(line, qAlpha(row[x]));
            }
        }
        line.resize(colourStride, '\0');
        out.append(line);
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray line(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (isMasked(row[x]))
                line[x / 8] = char(line.at(x / 8) | (0x80 >> (x % 8)));
        }
        out.append(line);
    }
    return out;
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray iconFile()
{
    QList<QByteArray> images;
    for (const IconImage &entry : kIconImages) {
        const QImage art = paintIcon(entry.size);
        images.append(entry.png ? pngBytes(art) : iconBitmap(art, entry.bitsPerPixel));
    }

    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, int(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (int i = 0; i < images.size(); ++i) {
        const IconImage &entry = kIconImages[i];
        put8(out, entry.size % 256);
        put8(out, entry.size % 256);
        put8(out, 0);
        put8(out, 0);
        put16(out, 1);
        put16(out, entry.bitsPerPixel);
        put32(out, quint32(images.at(i).size()));
        put32(out, offset);
        offset += quint32(images.at(i).size());
    }
    for (const QByteArray &image : images)
        out.append(image);
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make-icon <icon.ico> <hicolor directory> <png size>...\n");
        return 2;
    }
    const QString icoPath = QString::fromLocal8Bit(argv[1]);
    if (!writeFile(icoPath, iconFile())) {
        std::fprintf(stderr, "make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    const QDir hicolor(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!ok || size <= 0 || !hicolor.mkpath(dir) ||
            !paintIcon(size).save(hicolor.filePath(dir + QStringLiteral("/gateway-finder.png")), "PNG")) {
            std::fprintf(stderr, "make-icon: cannot write the %s pixel PNG icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
