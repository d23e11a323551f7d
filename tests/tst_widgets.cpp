// The compiled-in images against their catalogue; the skinned button, the image check box, the
// log-in popup and the gateway row driven through real mouse and key events. The row: edit mode,
// validation marks, DHCP, commit and discard, and the host-name rule with its diagnostic lines.
#include "lineedit/clineedit.h"
#include "stdoutcapture.h"
#include "widgets/checkbox.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/loginwidget.h"
#include "widgets/pushbutton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

#include <functional>

using Row = GatewayInfoWidget;

namespace {

const QPoint surface(5, 5), backgroundProbe(810, 20); // points of the row not covered by a child

// The image alone, at the given size, over a colour (some images are translucent).
QImage rendered(const QString &image, QSize size, const QColor &under = Qt::black)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(under);
    QPainter painter(&picture);
    QSvgRenderer(image).render(&painter, QRectF(picture.rect()));
    return picture;
}

QRgb pixelOf(QWidget *w, QPoint p)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(p);
}

// Whether the widget shows the image at the probe, compared with the image rendered alone over the
// window's colour.
bool showsImage(QWidget *w, const char *image, QPoint probe)
{
    const QString path = ":/images/" + QString::fromLatin1(image);
    return pixelOf(w, probe) == rendered(path, w->size(), w->palette().color(QPalette::Window)).pixel(probe);
}

// The darkest and lightest grey in an area (its width a multiple of 4, so that the lines have no
// padding): anti-aliased text reaches its pen colour only in its cores.
std::pair<int, int> greys(QWidget *w, const QRect &area)
{
    const QImage image = w->grab().toImage().copy(area).convertToFormat(QImage::Format_Grayscale8);
    const auto [low, high] = std::minmax_element(image.constBits(), image.constBits() + image.sizeInBytes());
    return {*low, *high};
}

bool showsErrorMark(Row *row, Row::Field field)
{
    const QRect mark = Row::errorMarkRect(field).toRect();
    const QColor c(pixelOf(row, {mark.left() + 2, mark.center().y()})); // beside the exclamation mark
    return c.red() > 150 && c.green() < 90;                             // the red disc
}

void fill(Row *row, bool dhcp = false)
{
    row->setValues("gw-1", "0", "00:1A:2B:3C:4D:5E", "192.168.1.20", "255.255.255.0", "192.168.1.1",
                   "192.168.1.1", dhcp);
}

// Gives the editor focus by keyboard, which selects its whole text, then types over it.
void typeInto(cLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, text);
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

    QWidget *window = nullptr;
    Row *row = nullptr;

private slots:
    // Each case gets a gateway row in a window of its own.
    void init()
    {
        window = new QWidget;
        window->resize(860, 60);
        row = new Row(window);
        row->setGeometry(0, 0, 826, 40);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void cleanup() { delete window; }

    void resources()
    {
        // Path, size, and a place where the colour the catalogue describes shows. Paths without the slash
        // after the colon are found through the search paths, the last of them the root.
        const std::tuple<const char *, QSize, QPoint, QRgb> images[] = {
            {":/images/popup_bg", {857, 600}, {691, 146}, 0xE5E5E5}, // the close cross
            {":images/popup_bg", {857, 600}, {300, 300}, 0x333333},  // the panel
            {":images/popup_form", {376, 17}, {374, 15}, 0xE6E6E6},
            {":/images/cb_checked", {13, 13}, {5, 8}, 0x000000}};
        for (const auto &[path, size, pos, colour] : images) {
            const QSvgRenderer renderer(QString::fromLatin1(path));
            QVERIFY2(renderer.viewBox() == QRect(QPoint(0, 0), size) && renderer.defaultSize() == size, path);
            QVERIFY2((rendered(path, size).pixel(pos) & 0xFFFFFF) == colour, path);
        }
    }

    // The skinned button and check box, in one window.
    void buttons()
    {
        QWidget host;
        auto *button = new PushButton(":/images/btn_normal", ":/images/btn_down", "Suchen", &host);
        button->setGeometry(0, 0, 113, 27);
        auto *box = new CheckBox(&host);
        box->setGeometry(0, 40, 13, 13);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
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

    void hostNameRule()
    {
        // A name, whether it is valid, and the diagnostic lines its check prints.
        const std::tuple<QString, bool, QString> names[] = {
            {"a-b.cd", true, "3: a-b\n-1: cd\n"},
            {"abcdefghijklmno", true, "-1: abcdefghijklmno\n"},
            {"abcdefghijklmnop", false, ""},
            {"", false, ""},
            {"a.", false, ""},
            {"a..b", false, "1: a\n0: \n"},
            {"a-.b", false, "2: a-\n"},
            {"a.-b", false, "1: a\n-1: -b\n"}};
        for (const auto &[name, valid, lines] : names) {
            fill(row);
            QCOMPARE(QString::fromLatin1(captureStdout([&] { row->editor(Row::Name)->setText(name); })),
                     lines);
            QCOMPARE(row->isValid(), valid);
        }
    }

    void clickOpensEditorsAndMarksInvalidValues()
    {
        fill(row);
        QVERIFY(row->isValid()); // setValues validates every field through setText
        row->setConflict(true);
        QSignalSpy active(row, &Row::active);
        QTest::mouseClick(row, Qt::LeftButton, {}, surface);
        QVERIFY(row->isActive());
        QCOMPARE(active.count(), 1);
        for (int f = 0; f < Row::FieldCount; ++f)
            QCOMPARE(row->editor(Row::Field(f))->isVisible(), f != Row::Number);
        for (Row::Field f : {Row::Name, Row::Ip, Row::Subnet, Row::Gateway, Row::Nameserver})
            QVERIFY(!showsErrorMark(row, f));

        // Every address editor follows the address rule; the red mark wins over the shared-address one.
        for (Row::Field f : {Row::Subnet, Row::Gateway, Row::Nameserver, Row::Ip}) {
            typeInto(row->editor(f), "1.2.3");
            QVERIFY(!row->isValid());
            QVERIFY(showsErrorMark(row, f));
            row->editor(f)->setText("1.2..4");
            QVERIFY(row->isValid());
        }
        typeInto(row->editor(Row::Ip), "1.2.3.256");
        QVERIFY(showsErrorMark(row, Row::Ip));

        // Typing is limited to the host-name characters; a refused key leaves the text alone.
        typeInto(row->editor(Row::Name), "a_b-");
        QCOMPARE(row->editor(Row::Name)->text(), QStringLiteral("ab-"));
        QVERIFY(showsErrorMark(row, Row::Name));

        // A click on the surface ends edit mode without keeping the edits.
        QTest::mouseClick(row, Qt::LeftButton, {}, surface);
        QVERIFY(!row->isActive());
        QVERIFY(row->isValid());
        QCOMPARE(row->editor(Row::Ip)->text(), QStringLiteral("192.168.1.20"));
        QVERIFY(!row->editor(Row::Name)->isVisible());
    }

    void dhcpBoxAndCommit()
    {
        fill(row, true);
        QVERIFY(row->dhcpCheckBox()->isChecked());
        QVERIFY(!row->editor(Row::Ip)->isEnabled());
        fill(row, false);
        QSignalSpy active(row, &Row::active);
        QTest::mouseClick(row->dhcpCheckBox(), Qt::LeftButton, {}, {6, 6});
        QCOMPARE(active.count(), 1);
        QVERIFY(row->isActive() && row->dhcp());
        for (Row::Field f : {Row::Ip, Row::Subnet, Row::Gateway, Row::Nameserver, Row::Name})
            QCOMPARE(row->editor(f)->isEnabled(), f == Row::Name);

        // A click on a greyed-out editor belongs to the editor: the row stays in edit mode.
        QTest::mouseClick(row, Qt::LeftButton, {}, Row::editorRect(Row::Ip).center());
        QTest::mouseClick(row, Qt::LeftButton, {}, Row::editorRect(Row::Mac).center());
        QVERIFY(row->isActive() && row->dhcp());

        // Leaving by a click on the surface undoes the DHCP choice.
        QTest::mouseClick(row, Qt::LeftButton, {}, surface);
        QVERIFY(!row->dhcp() && !row->dhcpCheckBox()->isChecked() && row->editor(Row::Ip)->isEnabled());

        // Committing keeps what was typed and chosen; the MAC stays the gateway's.
        QTest::mouseClick(row, Qt::LeftButton, {}, surface);
        typeInto(row->editor(Row::Ip), "10.1.2.3");
        typeInto(row->editor(Row::Name), "neu-1");
        QTest::mouseClick(row->dhcpCheckBox(), Qt::LeftButton, {}, {6, 6});
        row->commitEdits();
        QVERIFY(!row->isActive() && row->dhcp());
        QCOMPARE(QStringList({row->ip(), row->gatewayName(), row->mac()}),
                 QStringList({"10.1.2.3", "neu-1", "00:1A:2B:3C:4D:5E"}));
        QVERIFY(showsImage(row, "row", backgroundProbe));
    }

    void backgroundsFollowPointer()
    {
        fill(row);
        const QPointF at(surface);
        QEnterEvent enter(at, at, at);
        QEvent leave(QEvent::Leave);
        const auto press = [&] { QTest::mousePress(row, Qt::LeftButton, {}, surface); };
        const auto release = [&] { QTest::mouseRelease(row, Qt::LeftButton, {}, surface); };
        const auto send = [&](QEvent *e) { return [this, e] { QApplication::sendEvent(row, e); }; };
        // Each step and the image the row shows after it; a click toggles edit mode.
        const std::pair<std::function<void()>, const char *> steps[] = {
            {send(&enter), "row_over"},   {send(&leave), "row"},        {press, "row_down"},
            {release, "row_active"},      {send(&enter), "row_active"}, {press, "row_down"},
            {send(&leave), "row_active"}, {press, "row_down"},          {release, "row"}};
        for (const auto &[step, image] : steps) {
            step();
            QVERIFY2(showsImage(row, image, backgroundProbe), image);
        }
        QVERIFY(!row->isActive());
        QTest::mouseDClick(row, Qt::LeftButton, {}, surface);
        QVERIFY(!row->isActive());
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
