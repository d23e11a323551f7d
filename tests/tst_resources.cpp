// The compiled-in image catalogue: every entry is registered without any explicit initialisation, the
// pictures render at their nominal sizes with the colours the widgets are built around, and the
// application icon carries all of its images.

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QResource>
#include <QSvgRenderer>
#include <QtEndian>
#include <QtTest>

namespace {

QImage renderImage(const QString &path)
{
    QSvgRenderer renderer(path);
    QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(image.rect()));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

const int kIconSizes[] = {64, 48, 32, 16, 256, 64, 48, 32, 16};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_data();
    void catalogue();
    void listing();
    void pixels_data();
    void pixels();
    void iconDirectory();
    void iconImages();
    void hicolorIcons();
};

void TestResources::catalogue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("icon") << "icon" << QSize();
    QTest::newRow("background") << "background" << QSize(857, 600);
    QTest::newRow("head") << "head" << QSize(826, 31);
    for (const char *name : {"btn_normal", "btn_down", "popup_btn_normal", "popup_btn_down"})
        QTest::newRow(name) << name << QSize(113, 27);
    for (const char *name : {"row", "row_over", "row_down", "row_active"})
        QTest::newRow(name) << name << QSize(826, 40);
    QTest::newRow("row_error") << "row_error" << QSize(11, 11);
    for (int width : {28, 70, 100, 105})
        QTest::newRow(qPrintable(QString::number(width))) << QString::number(width) << QSize(width, 17);
    QTest::newRow("popup_form") << "popup_form" << QSize(376, 17);
    QTest::newRow("popup_bg") << "popup_bg" << QSize(857, 600);
    for (const char *name :
         {"cb_normal", "cb_over", "cb_down", "cb_checked", "cb_checked_over", "cb_checked_down"})
        QTest::newRow(name) << name << QSize(13, 13);
}

void TestResources::catalogue()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QString path = QStringLiteral(":/images/") + name;

    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(),
             name == QLatin1String("background") ? QResource::ZlibCompression : QResource::NoCompression);
    if (!size.isValid())
        return;
    const QSvgRenderer renderer(path);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.defaultSize(), size);
    QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), size));
}

void TestResources::listing()
{
    const QStringList entries = QDir(QStringLiteral(":/images")).entryList(QDir::AllEntries);
    QCOMPARE(entries.size(), 24);
    for (const QString &entry : entries)
        QVERIFY2(!entry.contains(QLatin1Char('.')), qPrintable(entry));

    // Paths without the slash after the colon resolve through the search paths, whose last is the root.
    for (const char *path : {":images/row", ":images/popup_form"}) {
        QVERIFY2(QFile::exists(QLatin1String(path)), path);
        QVERIFY2(QSvgRenderer(QLatin1String(path)).isValid(), path);
    }
}

void TestResources::pixels_data()
{
    // Probes are "x,y=#RRGGBB" (exact) or "x,y~#RRGGBB" (inside a gradient or the veil: within three
    // levels); #AARRGGBB where the image is not opaque.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("probes");

    QTest::newRow("background")
        << "background"
        << "5,5=#1C1C1C 843,300=#1C1C1C 400,531=#1C1C1C 400,300=#1B1B1B 400,20=#000000 "
           "17,300=#000000 842,300=#414141 400,530=#414141";
    QTest::newRow("head") << "head"
                          << "400,0~#404040 400,14~#2F2F2E 400,28=#1B1C1A 400,29=#0B0B0C 400,30=#111311";
    QTest::newRow("row") << "row"
                         << "400,0=#5A5A5A 400,1~#2F2F2F 400,38~#262626 400,39=#000000";
    QTest::newRow("row_over") << "row_over"
                              << "0,0=#626D5F 0,1~#3F4B3C 825,38~#30392D 825,39=#000000";
    QTest::newRow("row_active") << "row_active"
                                << "400,0=#94C189 400,1~#75A569 400,38~#4E7242 400,39=#000000";
    QTest::newRow("row_down") << "row_down"
                              << "400,0=#94C189 400,1~#B34E7242 400,38~#B375A569 400,39=#000000";
    QTest::newRow("row_error") << "row_error"
                               << "3,5=#B3372D 5,3=#FFFFFF 5,7=#B3372D 5,8=#FFFFFF 0,0=#00000000";
    for (const char *name : {"28", "70", "100", "105", "popup_form"}) {
        const int w = QSvgRenderer(QStringLiteral(":/images/") + QLatin1String(name)).defaultSize().width();
        QTest::newRow(name) << name
                            << QStringLiteral("%1,0=#000000 0,8=#000000 %2,8=#8B8B8B %1,16=#8B8B8B "
                                              "1,1=#E6E6E6 %3,15=#E6E6E6")
                                   .arg(w / 2)
                                   .arg(w - 1)
                                   .arg(w - 2);
    }
    QTest::newRow("popup_bg") << "popup_bg"
                              << "10,10~#80020202 163,300~#80020202 300,438~#80020202 300,300=#333333 "
                                 "703,300=#333333 300,166=#000000 300,167=#4C4C4C 300,396=#000000 "
                                 "300,397=#4C4C4C 685,145=#000000 687,147=#000000 684,147=#000000 "
                                 "686,149=#E5E5E5 691,146=#E5E5E5 685,140=#E5E5E5";
    QTest::newRow("btn_normal") << "btn_normal"
                                << "56,0=#FFFFFF 112,13=#000000 56,26=#000000 56,1~#DFDFDF 56,24~#BDBDBD";
    QTest::newRow("btn_down") << "btn_down"
                              << "56,0=#FFFFFF 112,13=#000000 56,2=#B4B4B4 56,20=#CCCCCC";
    QTest::newRow("popup_btn_normal")
        << "popup_btn_normal"
        << "56,0=#5E5E5E 112,13=#000000 56,26=#000000 56,1~#515151 56,23~#282828";
    QTest::newRow("popup_btn_down") << "popup_btn_down"
                                    << "56,0=#5E5E5E 56,1~#282828 56,23~#515151";
    QTest::newRow("cb_normal") << "cb_normal"
                               << "6,0=#000000 0,6=#000000 1,6=#787878 12,6=#787878 6,12=#787878 5,8=#FFFFFF";
    QTest::newRow("cb_over") << "cb_over"
                             << "0,6=#000000 12,6=#5E5E5E 5,8=#BFBFBF";
    QTest::newRow("cb_down") << "cb_down"
                             << "0,6=#000000 12,6=#5E5E5E 5,8=#808080";
    QTest::newRow("cb_checked") << "cb_checked"
                                << "12,6=#787878 3,3=#FFFFFF 5,8=#000000 6,7=#000000";
    QTest::newRow("cb_checked_over") << "cb_checked_over"
                                     << "12,6=#5E5E5E 3,3=#BFBFBF 5,8=#000000";
    QTest::newRow("cb_checked_down") << "cb_checked_down"
                                     << "12,6=#5E5E5E 3,3=#808080 5,8=#000000";
}

void TestResources::pixels()
{
    QFETCH(QString, name);
    QFETCH(QString, probes);

    const QImage image = renderImage(QStringLiteral(":/images/") + name);
    static const QRegularExpression probe(QStringLiteral("^(\\d+),(\\d+)([=~])(#[0-9A-F]+)$"));
    for (const QString &text : probes.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch m = probe.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        const QRgb actual = image.pixel(m.captured(1).toInt(), m.captured(2).toInt());
        const int tolerance = m.captured(3) == QLatin1String("~") ? 3 : 0;
        QVERIFY2(
            channelDistance(actual, QColor::fromString(m.captured(4)).rgba()) <= tolerance,
            qPrintable(text + QStringLiteral(": got ") + QColor::fromRgba(actual).name(QColor::HexArgb)));
    }
}

void TestResources::iconDirectory()
{
    QFile file(QStringLiteral(":/images/icon"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    const auto u16 = [](const char *at) { return int(qFromLittleEndian<quint16>(at)); };
    const auto u32 = [](const char *at) { return int(qFromLittleEndian<quint32>(at)); };
    QVERIFY(ico.size() > 6 + 9 * 16);
    QCOMPARE(u16(ico.constData() + 2), 1); // an icon, not a cursor
    QCOMPARE(u16(ico.constData() + 4), 9);

    // Each image as its directory entry and its own header describe it; the bitmaps must be exactly
    // header, palette, colour bits and AND mask.
    QStringList images;
    for (int i = 0; i < 9; ++i) {
        const char *entry = ico.constData() + 6 + 16 * i;
        const int bits = u16(entry + 6);
        QVERIFY(u32(entry + 12) + u32(entry + 8) <= ico.size());
        const QByteArray data = ico.mid(u32(entry + 12), u32(entry + 8));
        if (data.startsWith("\x89PNG\r\n\x1a\n")) {
            images << QStringLiteral("%1 PNG").arg(quint8(entry[0]) == 0 ? 256 : quint8(entry[0]));
            continue;
        }
        const int size = u32(data.constData() + 4);
        QCOMPARE(u32(data.constData()), 40); // BITMAPINFOHEADER
        QCOMPARE(u32(data.constData() + 8), 2 * size);
        QCOMPARE(u16(data.constData() + 14), bits);
        QCOMPARE(int(quint8(entry[0])), size);
        QCOMPARE(data.size(),
                 40 + (bits == 8 ? 1024 : 0) + size * size * bits / 8 + (size + 31) / 32 * 4 * size);
        images << QStringLiteral("%1 %2-bit").arg(size).arg(bits);
    }
    QCOMPARE(images, QStringList({"64 8-bit", "48 8-bit", "32 8-bit", "16 8-bit", "256 PNG", "64 32-bit",
                                  "48 32-bit", "32 32-bit", "16 32-bit"}));
}

void TestResources::iconImages()
{
    QImageReader reader(QStringLiteral(":/images/icon"));
    QCOMPARE(reader.imageCount(), 9);
    QList<QImage> images;
    for (int i = 0; i < 9; ++i) {
        QVERIFY(reader.jumpToImage(i));
        images.append(reader.read().convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(images.last().size(), QSize(kIconSizes[i], kIconSizes[i]));
    }

    // The palettised images must show the same picture as their full-colour twins: same transparent
    // corners through the AND mask, and colours within a palette step.
    for (int i = 0; i < 4; ++i) {
        const QImage &indexed = images.at(i);
        const QImage &full = images.at(i + 5);
        for (int y = 0; y < indexed.height(); ++y) {
            for (int x = 0; x < indexed.width(); ++x) {
                const QRgb a = indexed.pixel(x, y);
                const QRgb b = full.pixel(x, y);
                QCOMPARE(qAlpha(a) == 255, qAlpha(b) >= 128);
                if (qAlpha(b) == 255)
                    QVERIFY2(channelDistance(a, b) <= 4,
                             qPrintable(QStringLiteral("%1 px at %2,%3").arg(indexed.width()).arg(x).arg(y)));
            }
        }
    }

    const QList<QSize> available = QIcon(QStringLiteral(":/images/icon")).availableSizes();
    for (int size : {16, 32, 48, 64, 256})
        QVERIFY(available.contains(QSize(size, size)));
}

void TestResources::hicolorIcons()
{
    const QString buildDir = qEnvironmentVariable("FINDER_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("FINDER_BUILD_DIR is not set (run through ctest)");
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage png(
            QStringLiteral("%1/icons/hicolor/%2x%2/apps/gateway-finder.png").arg(buildDir).arg(size));
        QCOMPARE(png.size(), QSize(size, size));
        QVERIFY(png.hasAlphaChannel());
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
