// The compiled-in images against their catalogue, and the skinned button, the image check box and
// the log-in popup driven through real events.
#include "lineedit/clineedit.h"
#include "widgets/checkbox.h"
#include "widgets/loginwidget.h"
#include "widgets/pushbutton.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <QtEndian>

namespace {

QImage rendered(const QString &image, QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    QSvgRenderer(image).render(&painter, QRectF(picture.rect()));
    return picture;
}

// Whether the widget shows the image at the probe, compared with the image rendered alone.
bool showsImage(QWidget *w, const char *image, QPoint probe)
{
    const QImage shown = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return shown.pixel(probe) == rendered(":/images/" + QString::fromLatin1(image), w->size()).pixel(probe);
}

// The extreme greys in an area: anti-aliased text reaches its pen colour only in its cores.
std::pair<int, int> greys(QWidget *w, const QRect &area)
{
    const QImage image = w->grab().toImage();
    int low = 255, high = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            low = std::min(low, qGray(image.pixel(x, y))), high = std::max(high, qGray(image.pixel(x, y)));
    return {low, high};
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void images_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pos"); // where the colour the catalogue describes shows
        QTest::addColumn<QColor>("colour");
        const auto row = [](const char *path, int w, int h, QPoint pos, QRgb colour) {
            QTest::newRow(path) << QString::fromLatin1(path) << QSize(w, h) << pos << QColor(colour);
        };
        // Paths without the slash after the colon are found through the search paths, the last the root.
        row(":/images/background", 857, 600, {400, 300}, 0x1B1B1B);
        row(":/images/head", 826, 31, {400, 29}, 0x0B0B0C);
        row(":/images/popup_bg", 857, 600, {691, 146}, 0xE5E5E5); // the close cross
        row(":images/popup_bg", 857, 600, {300, 300}, 0x333333);  // the panel
        row(":images/row", 826, 40, {400, 0}, 0x5A5A5A);
        row(":/images/row_active", 826, 40, {400, 0}, 0x94C189);
        row(":/images/row_error", 11, 11, {3, 5}, 0xB3372D);
        row(":/images/row_warning", 11, 11, {3, 9}, 0xF0A020);
        row(":/images/28", 28, 17, {27, 8}, 0x8B8B8B);
        row(":/images/70", 70, 17, {35, 8}, 0xE6E6E6);
        row(":/images/100", 100, 17, {0, 8}, 0x000000);
        row(":/images/105", 105, 17, {104, 8}, 0x8B8B8B);
        row(":images/popup_form", 376, 17, {374, 15}, 0xE6E6E6);
        row(":/images/cb_over", 13, 13, {5, 8}, 0xBFBFBF);
        row(":/images/cb_checked", 13, 13, {5, 8}, 0x000000);
    }

    void images()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(QPoint, pos);
        QFETCH(QColor, colour);
        const QSvgRenderer renderer(path);
        QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), size));
        QCOMPARE(renderer.defaultSize(), size);
        QCOMPARE(rendered(path, size).pixelColor(pos), colour);
    }

    void catalogue()
    {
        QCOMPARE(QDir(":/images").entryList(QDir::AllEntries).size(), 25);
        // The icon's directory: width, and bits per pixel or PNG.
        QFile file(":/images/icon");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ico = file.readAll();
        QImageReader reader(file.fileName());
        QCOMPARE(reader.imageCount(), 9);
        QStringList images;
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

    void pushButton()
    {
        PushButton button(":/images/btn_normal", ":/images/btn_down", "Suchen");
        button.resize(113, 27);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        const QPoint probe(6, 4);
        const QRect caption(20, 5, 73, 17);
        QVERIFY(!showsImage(&button, "btn_down", probe));      // the two looks differ here
        QVERIFY(qAbs(greys(&button, caption).first - 51) < 8); // dark caption
        QTest::mouseMove(&button, {50, 13});
        QVERIFY(showsImage(&button, "btn_normal", probe)); // no hover look
        QTest::mousePress(&button, Qt::LeftButton, {}, {50, 13});
        QVERIFY(showsImage(&button, "btn_down", probe));
        // clicked() comes while the pressed image still shows; the released image follows.
        bool downWhenClicked = false;
        connect(&button, &PushButton::clicked, this,
                [&] { downWhenClicked = showsImage(&button, "btn_down", probe); });
        QTest::mouseRelease(&button, Qt::LeftButton, {}, {50, 13});
        QVERIFY(downWhenClicked);
        QVERIFY(showsImage(&button, "btn_normal", probe));
        button.setTextColor(QColor(229, 229, 229));
        QVERIFY(greys(&button, caption).second > 225);
        QVERIFY(button.QPushButton::text().isEmpty()); // the caption is the button's own
    }

    void checkBoxLooksFollowThePointer()
    {
        CheckBox box;
        box.resize(13, 13);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy clicked(&box, &CheckBox::clicked);
        const QPoint middle(6, 6);
        QEnterEvent enter(middle, middle, middle);
        QEvent leave(QEvent::Leave);
        const auto step = [&](char event) {
            if (event == 'E' || event == 'L')
                QApplication::sendEvent(&box, event == 'E' ? static_cast<QEvent *>(&enter) : &leave);
            else if (event == 'P')
                QTest::mousePress(&box, Qt::LeftButton, {}, middle);
            else if (event == 'R')
                QTest::mouseRelease(&box, Qt::LeftButton, {}, middle);
        };
        // Enter, Press, Release and Leave, ticking and unticking.
        const std::pair<char, const char *> steps[] = {
            {' ', "cb_normal"},       {'E', "cb_over"},    {'P', "cb_down"},
            {'R', "cb_checked_over"}, {'L', "cb_checked"}, {'E', "cb_checked_over"},
            {'P', "cb_checked_down"}, {'R', "cb_over"},    {'L', "cb_normal"}};
        for (const auto &[event, image] : steps) {
            step(event);
            QVERIFY2(showsImage(&box, image, middle), image);
        }
        QCOMPARE(clicked.count(), 2);
        QVERIFY(clicked.at(0).at(0).toBool() && !clicked.at(1).at(0).toBool());
        // setCheckedLook sets the look alone, whatever the pointer does.
        box.setCheckedLook(true);
        QVERIFY(!box.isChecked());
        QVERIFY(showsImage(&box, "cb_checked", middle));
    }

    // Each row clicks twice at a popup position, on whichever widget lies there; the close cross spans
    // 678..693 x 138..153.
    void loginClicks_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("accepts");
        QTest::addColumn<int>("cancels");
        QTest::newRow("cross, top left") << QPoint(678, 138) << 0 << 2;
        QTest::newRow("cross, bottom right") << QPoint(693, 153) << 0 << 2;
        QTest::newRow("left of the cross") << QPoint(677, 145) << 0 << 0;
        QTest::newRow("right of the cross") << QPoint(694, 145) << 0 << 0;
        QTest::newRow("above the cross") << QPoint(685, 137) << 0 << 0;
        QTest::newRow("below the cross") << QPoint(685, 154) << 0 << 0;
        QTest::newRow("OK") << QPoint(496, 416) << 2 << 0;
        QTest::newRow("Abbrechen") << QPoint(627, 416) << 0 << 2;
    }

    void loginClicks()
    {
        QFETCH(QPoint, pos);
        QWidget window;
        auto *popup = new LoginWidget("Anmeldung", {"Zeile"}, "Login", ":/images/popup_bg", &window);
        popup->setGeometry(0, 0, 857, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy accepted(popup, &LoginWidget::acceptChanges), cancelled(popup, &PopupWidget::cancel);
        QWidget *target = popup->childAt(pos) ? popup->childAt(pos) : popup;
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(popup, pos));
        QTEST(int(accepted.count()), "accepts");
        QTEST(int(cancelled.count()), "cancels");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the popup never closes itself
        QVERIFY(window.findChild<LoginWidget *>() && popup->isVisible());
        QVERIFY(greys(popup, QRect(182, 127, 485, 38)).second > 200); // the light title
        // The password is kept as typed and shown masked.
        auto *password = popup->findChild<cLineEdit *>(QStringLiteral("passwordEdit"));
        QTest::keyClicks(password, QStringLiteral("geheim"));
        QCOMPARE(password->text(), QStringLiteral("geheim"));
        QCOMPARE(password->displayText(), QStringLiteral("******"));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
