// The compiled-in images against their catalogue, and the skinned button, the image check box and
// the log-in popup driven through real events.
#include "lineedit/clineedit.h"
#include "widgets/checkbox.h"
#include "widgets/loginwidget.h"
#include "widgets/pushbutton.h"

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

// The darkest and lightest grey in an area (its width a multiple of 4, so that the lines have no
// padding): anti-aliased text reaches its pen colour only in its cores.
std::pair<int, int> greys(QWidget *w, const QRect &area)
{
    const QImage image = w->grab().toImage().copy(area).convertToFormat(QImage::Format_Grayscale8);
    const auto [low, high] = std::minmax_element(image.constBits(), image.constBits() + image.sizeInBytes());
    return {*low, *high};
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void resources()
    {
        // Path, size, and a place where the colour the catalogue describes shows. Paths without the slash
        // after the colon are found through the search paths, the last of them the root.
        const std::tuple<const char *, QSize, QPoint, QRgb> images[] = {
            {":/images/popup_bg", {857, 600}, {691, 146}, 0xE5E5E5}, // the close cross
            {":images/popup_bg", {857, 600}, {300, 300}, 0x333333},  // the panel
            {":images/row", {826, 40}, {400, 0}, 0x5A5A5A},
            {":/images/row_error", {11, 11}, {3, 5}, 0xB3372D},
            {":images/popup_form", {376, 17}, {374, 15}, 0xE6E6E6},
            {":/images/cb_checked", {13, 13}, {5, 8}, 0x000000}};
        for (const auto &[path, size, pos, colour] : images) {
            const QSvgRenderer renderer(QString::fromLatin1(path));
            QVERIFY2(renderer.viewBox() == QRect(QPoint(0, 0), size) && renderer.defaultSize() == size, path);
            QVERIFY2((rendered(path, size).pixel(pos) & 0xFFFFFF) == colour, path);
        }
        QImageReader icon(":/images/icon");
        QStringList widths;
        for (int i = 0; icon.jumpToImage(i); ++i)
            widths << QString::number(icon.read().width());
        QCOMPARE(widths.join(' '), "64 48 32 16 256 64 48 32 16");
    }

    // The skinned button and check box, in one window.
    void buttons()
    {
        QWidget window;
        auto *button = new PushButton(":/images/btn_normal", ":/images/btn_down", "Suchen", &window);
        button->setGeometry(0, 0, 113, 27);
        auto *box = new CheckBox(&window);
        box->setGeometry(0, 40, 13, 13);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint probe(6, 4), middle(50, 13);
        // The two looks differ at the probe; the caption is dark.
        QVERIFY(!showsImage(button, "btn_down", probe) &&
                qAbs(greys(button, {20, 5, 72, 17}).first - 51) < 8);
        QTest::mousePress(button, Qt::LeftButton, {}, middle);
        QVERIFY(showsImage(button, "btn_down", probe));
        // clicked() comes while the pressed image still shows; the released image follows.
        QList<bool> downWhenClicked;
        connect(button, &PushButton::clicked, this,
                [&] { downWhenClicked << showsImage(button, "btn_down", probe); });
        QTest::mouseRelease(button, Qt::LeftButton, {}, middle);
        QVERIFY(showsImage(button, "btn_normal", probe));
        // Pressed and left: the released image; let go outside, no click.
        QTest::mousePress(button, Qt::LeftButton, {}, middle);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        QVERIFY(showsImage(button, "btn_normal", probe));
        QTest::mouseRelease(button, Qt::LeftButton, {}, {200, 13});
        QCOMPARE(downWhenClicked, QList<bool>{true});
        button->setTextColor(QColor(229, 229, 229));
        QVERIFY(greys(button, {20, 5, 72, 17}).second > 225);

        QSignalSpy clicked(box, &CheckBox::clicked);
        const QPoint centre(6, 6);
        QEnterEvent enter(centre, centre, centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, centre, Qt::LeftButton, Qt::LeftButton, {}),
            release(QEvent::MouseButtonRelease, centre, centre, Qt::LeftButton, {}, {});
        // Leave (the pointer may start over the box), Enter, Press, Release, ticking and unticking.
        const std::pair<QEvent *, const char *> steps[] = {
            {&leave, "cb_normal"},         {&enter, "cb_over"},    {&press, "cb_down"},
            {&release, "cb_checked_over"}, {&leave, "cb_checked"}, {&enter, "cb_checked_over"},
            {&press, "cb_checked_down"},   {&release, "cb_over"},  {&leave, "cb_normal"}};
        for (const auto &[event, image] : steps) {
            QApplication::sendEvent(box, event);
            QVERIFY2(showsImage(box, image, centre), image);
        }
        QCOMPARE(QList<QVariantList>(clicked), QList<QVariantList>({{true}, {false}}));
        // setCheckedLook sets the look alone, whatever the pointer does.
        box->setCheckedLook(true);
        QVERIFY(showsImage(box, "cb_checked", centre) && !box->isChecked());
    }

    void loginWidget()
    {
        LoginWidget popup("Anmeldung", {"Zeile"}, "Login", ":/images/popup_bg", nullptr);
        popup.resize(857, 600);
        popup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QSignalSpy accepted(&popup, &LoginWidget::acceptChanges), cancelled(&popup, &PopupWidget::cancel);
        // Two clicks at each place, on whichever widget lies there: the corners of the close cross
        // (678..693 x 138..153), just outside it on each side, OK and Abbrechen.
        const std::tuple<QPoint, int, int> clicks[] = {
            {{678, 138}, 0, 2}, {{693, 153}, 0, 2}, {{677, 145}, 0, 0}, {{694, 145}, 0, 0},
            {{685, 137}, 0, 0}, {{685, 154}, 0, 0}, {{496, 416}, 2, 0}, {{627, 416}, 0, 2}};
        for (const auto &[pos, accepts, cancels] : clicks) {
            accepted.clear(), cancelled.clear();
            QWidget *target = popup.childAt(pos) ? popup.childAt(pos) : &popup;
            for (int i = 0; i < 2; ++i)
                QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(&popup, pos));
            QVERIFY2(accepted.count() == accepts && cancelled.count() == cancels,
                     qPrintable(QStringLiteral("at %1, %2").arg(pos.x()).arg(pos.y())));
        }
        // The popup never closes itself; its title is light.
        QVERIFY(popup.isVisible() && greys(&popup, QRect(182, 127, 484, 38)).second > 200);
        // The password is shown masked.
        auto *password = popup.findChild<cLineEdit *>(QStringLiteral("passwordEdit"));
        QTest::keyClicks(password, QStringLiteral("geheim"));
        QCOMPARE(password->displayText(), QStringLiteral("******"));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
