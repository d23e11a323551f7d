#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QResource>
#include <QSvgRenderer>
#include <QTest>
#include <QtEndian>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size"); // empty for the icon
        for (const char *group :
             {"0x0 icon", "857x600 background popup_bg", "826x31 head",
              "113x27 btn_normal btn_down popup_btn_normal popup_btn_down",
              "826x40 row row_over row_down row_active", "11x11 row_error", "28x17 28", "70x17 70",
              "100x17 100", "105x17 105", "376x17 popup_form",
              "13x13 cb_normal cb_over cb_down cb_checked cb_checked_over cb_checked_down"}) {
            QStringList names = QString(group).split(' ');
            const QStringList size = names.takeFirst().split('x');
            for (const QString &name : names)
                QTest::newRow(qPrintable(name))
                    << ":/images/" + name << QSize(size[0].toInt(), size[1].toInt());
        }
        // Without the slash after the colon the path resolves through the search paths, whose last is the
        // root.
        QTest::newRow("relative row") << QStringLiteral(":images/row") << QSize(826, 40);
        QTest::newRow("relative popup_form") << QStringLiteral(":images/popup_form") << QSize(376, 17);
    }

    void catalogue()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QResource resource(path);
        QVERIFY(resource.isValid());
        QCOMPARE(resource.compressionAlgorithm(),
                 path.endsWith("/background") ? QResource::ZlibCompression : QResource::NoCompression);
        if (!size.isEmpty()) {
            const QSvgRenderer renderer(path);
            QVERIFY(renderer.isValid());
            QCOMPARE(renderer.defaultSize(), size);
            QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), size));
        }
    }

    void nothingElseListed() { QCOMPARE(QDir(":/images").entryList(QDir::AllEntries).size(), 24); }

    void pixels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("background canvas") << "background" << QPoint(5, 5) << QColor(0x1C1C1C);
        QTest::newRow("background panel") << "background" << QPoint(400, 300) << QColor(0x1B1B1B);
        QTest::newRow("row_active top line") << "row_active" << QPoint(400, 0) << QColor(0x94C189);
        QTest::newRow("row_error disc") << "row_error" << QPoint(3, 5) << QColor(0xB3372D);
        QTest::newRow("entry box right edge") << "105" << QPoint(104, 8) << QColor(0x8B8B8B);
        QTest::newRow("entry box fill") << "popup_form" << QPoint(374, 15) << QColor(0xE6E6E6);
        QTest::newRow("popup panel") << "popup_bg" << QPoint(300, 300) << QColor(0x333333);
        QTest::newRow("popup close cross") << "popup_bg" << QPoint(691, 146) << QColor(0xE5E5E5);
        QTest::newRow("check box fill") << "cb_over" << QPoint(5, 8) << QColor(0xBFBFBF);
        QTest::newRow("check mark") << "cb_checked" << QPoint(5, 8) << QColor(Qt::black);
    }

    void pixels()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, pos);
        QFETCH(QColor, colour);
        QSvgRenderer renderer(":/images/" + name);
        QImage image(renderer.defaultSize(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        QCOMPARE(image.pixelColor(pos), colour);
    }

    void icon()
    {
        QFile file(":/images/icon");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ico = file.readAll();
        QImageReader reader(file.fileName());
        QCOMPARE(reader.imageCount(), 9);
        QStringList images; // from the directory: width, and bits per pixel or PNG
        for (int i = 0; i < 9; ++i) {
            const char *entry = ico.constData() + 6 + 16 * i;
            const int width = quint8(entry[0]) ? quint8(entry[0]) : 256;
            const bool png = ico.mid(qFromLittleEndian<quint32>(entry + 12), 4) == "\x89PNG";
            images << QString::number(width) + ' ' +
                          (png ? "PNG" : QString::number(qFromLittleEndian<quint16>(entry + 6)));
            QVERIFY(reader.jumpToImage(i));
            QCOMPARE(reader.read().size(), QSize(width, width));
        }
        QCOMPARE(images.join(", "), "64 8, 48 8, 32 8, 16 8, 256 PNG, 64 32, 48 32, 32 32, 16 32");
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
