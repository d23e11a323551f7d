// The gateway row through real mouse and key events: edit mode, validation marks, DHCP, commit
// and discard, and the host-name rule with its diagnostic lines.
#include "lineedit/clineedit.h"
#include "stdoutcapture.h"
#include "widgets/checkbox.h"
#include "widgets/gatewayinfowidget.h"

#include <QPainter>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

#include <functional>

using Row = GatewayInfoWidget;

namespace {

const QPoint surface(5, 5); // a point of the row not covered by a child
const QPoint backgroundProbe(810, 20);

QRgb pixelOf(QWidget *w, QPoint p)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(p);
}

// The image as the row draws it over its parent's background (row_down is translucent).
bool showsBackground(Row *row, const QString &image)
{
    QImage reference(row->size(), QImage::Format_RGB32);
    reference.fill(row->palette().color(QPalette::Window));
    QPainter painter(&reference);
    QSvgRenderer(":/images/" + image).render(&painter, QRectF(reference.rect()));
    return pixelOf(row, backgroundProbe) == reference.pixel(backgroundProbe);
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

class TestGatewayRow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hostNameRule();
    void clickOpensEditorsAndMarksInvalidValues();
    void dhcpBoxAndCommit();
    void backgroundsFollowPointer();

private:
    QWidget *window = nullptr;
    Row *row = nullptr;
};

void TestGatewayRow::init()
{
    window = new QWidget;
    window->resize(860, 60);
    row = new Row(window);
    row->setGeometry(0, 0, 826, 40);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestGatewayRow::cleanup()
{
    delete window;
}

void TestGatewayRow::hostNameRule()
{
    // A name, whether it is valid, and the diagnostic lines its check prints.
    const struct
    {
        QString name;
        bool valid;
        QString lines;
    } names[] = {{"a-b.cd", true, "3: a-b\n-1: cd\n"},
                 {"abcdefghijklmno", true, "-1: abcdefghijklmno\n"},
                 {"abcdefghijklmnop", false, ""},
                 {"", false, ""},
                 {"a.", false, ""},
                 {"a..b", false, "1: a\n0: \n"},
                 {"a-.b", false, "2: a-\n"},
                 {"a.-b", false, "1: a\n-1: -b\n"}};
    for (const auto &n : names) {
        fill(row);
        QCOMPARE(QString::fromLatin1(captureStdout([&] { row->editor(Row::Name)->setText(n.name); })),
                 n.lines);
        QCOMPARE(row->isValid(), n.valid);
    }
}

void TestGatewayRow::clickOpensEditorsAndMarksInvalidValues()
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
        row->editor(f)->setText("1.2.x.4"); // a letter reads as 0
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

void TestGatewayRow::dhcpBoxAndCommit()
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
    QVERIFY(showsBackground(row, "row"));
}

void TestGatewayRow::backgroundsFollowPointer()
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
        QVERIFY2(showsBackground(row, image), image);
    }
    QVERIFY(!row->isActive());
    QTest::mouseDClick(row, Qt::LeftButton, {}, surface);
    QVERIFY(!row->isActive());
}

QTEST_MAIN(TestGatewayRow)
#include "tst_gatewayrow.moc"
