// The finder window against simulated gateways in other network namespaces, two networks of the
// finder among them: what the end-to-end suite on the real program cannot easily see — malformed
// datagrams, late replies while a row is edited, which reply acknowledges a change, popups holding
// the keyboard, shared addresses, and the command datagrams.
#include "app/zorururoza.h"
#include "journal/changejournal.h"
#include "lineedit/clineedit.h"
#include "netnstest.h"
#include "simulatorprocess.h"
#include "stdoutcapture.h"
#include "widgets/checkbox.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/gatewaylist.h"
#include "widgets/messagebox.h"
#include "widgets/scrollbar.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QWheelEvent>

#include <memory>

using Row = GatewayInfoWidget;

namespace {

const QString discoveryHex = "01" + QString(118, '0');

// The MACs the visible rows show, top to bottom.
QStringList shownMacs(const ZORURuroza &window)
{
    QStringList out;
    for (const Row *row : window.rows()) {
        if (!row->isHidden())
            out << row->mac();
    }
    return out;
}

QStringList settingsFrames(const SimulatorProcess *sim)
{
    return sim->receivedFrames().filter(QRegularExpression("^02"));
}

// A discovery request from another program on the finder's host: every gateway answers it.
void searchFromElsewhere()
{
    QUdpSocket elsewhere;
    elsewhere.writeDatagram("\x01" + QByteArray(59, '\0'), QHostAddress::Broadcast, 31337);
}

QColor pixel(Row *row, QPointF p)
{
    return row->grab().toImage().pixelColor(p.toPoint());
}

// The amber warning mark, at the place of the IP address's validation mark.
bool showsWarningMark(Row *row)
{
    const QColor c = pixel(row, Row::errorMarkRect(Row::Ip).topLeft() + QPointF(3.5, 8.5));
    return c.red() > 200 && c.green() > 120 && c.green() < 190 && c.blue() < 80;
}

// The red disc of an invalid value, beside its exclamation mark.
bool showsRedMark(Row *row, Row::Field field)
{
    const QColor c = pixel(row, Row::errorMarkRect(field).topLeft() + QPointF(2.5, 5.5));
    return c.red() > 150 && c.green() < 90;
}

// The DHCP box's tick: black on the box's white face.
bool showsTick(Row *row)
{
    return pixel(row, Row::dhcpBoxRect().topLeft() + QPoint(5, 8)).value() < 60;
}

// The lines of every message popup over the window, oldest first.
QList<QStringList> messages(const ZORURuroza *window)
{
    QList<QStringList> out;
    for (const MessageBox *box : window->findChildren<MessageBox *>())
        out << box->messageLines();
    return out;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void editingSurvivesLateReplies();
    void confirmationAndItsAbsence();
    void settingsGoWhereMeant();
    void thirtyGateways();
    void everyNetworkOfThePc();
    void commandSlots();

private:
    SimulatorProcess *simulator(const QString &ns, const QStringList &args);
    ZORURuroza *openWindow();

    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    std::vector<std::unique_ptr<ZORURuroza>> windows;
    QTemporaryDir journalDir;
};

void TestMainWindow::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(QDir(journalDir.path()).mkdir("journal"));
    qputenv("GATEWAY_FINDER_JOURNAL", journalDir.filePath("journal/changes.jsonl").toLocal8Bit());
    QVERIFY(NetnsTest::gatewayNamespaces().size() >= 2 &&
            qEnvironmentVariable("GF_NETNS_SECOND_GATEWAYS").size());
}

void TestMainWindow::cleanup()
{
    windows.clear(); // releases the port before the next test
    sims.clear();
}

SimulatorProcess *TestMainWindow::simulator(const QString &ns, const QStringList &args)
{
    auto sim = std::make_unique<SimulatorProcess>();
    if (!sim->start(ns, args))
        return nullptr;
    sims.push_back(std::move(sim));
    return sims.back().get();
}

ZORURuroza *TestMainWindow::openWindow()
{
    windows.push_back(std::make_unique<ZORURuroza>());
    ZORURuroza *window = windows.back().get();
    window->resize(857, 600);
    window->show();
    return QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

void TestMainWindow::editingSurvivesLateReplies()
{
    const QStringList ns = NetnsTest::gatewayNamespaces();
    // The edited gateway shares its address with the first of twenty that answer late.
    SimulatorProcess *edited =
        simulator(ns.at(0), {"--first-mac", "00:50:00:00:00:01", "--names", "edit", "--ip", "192.168.0.100"});
    QVERIFY(edited);
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 1);
    Row *row = window->rows().at(0);
    QVERIFY(!showsWarningMark(row));

    QTest::mouseClick(row, Qt::LeftButton, {}, {5, 5});
    cLineEdit *name = row->editor(Row::Name);
    name->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClicks(name, "x");
    QTest::keyClick(name, Qt::Key_Left);
    QTest::keyClick(name, Qt::Key_Left, Qt::ShiftModifier);
    searchFromElsewhere(); // the edited gateway is the only record, the last one, behind the first row
    QTest::qWait(200);

    // Twenty gateways with smaller MACs, and the edited one again, answer a search from elsewhere.
    QVERIFY(simulator(ns.at(1), {"--count", "20", "--first-mac", "00:10:00:00:00:01"}));
    searchFromElsewhere();
    QTRY_COMPARE(window->records().size(), 21);
    QTest::qWait(200);

    QVERIFY(row->isActive());
    QCOMPARE(row->mac(), QStringLiteral("00:50:00:00:00:01"));
    QCOMPARE(name->text(), QStringLiteral("editx"));
    QCOMPARE(name->cursorPosition(), 3);
    QCOMPARE(name->anchorPosition(), 4);
    QVERIFY(name->hasFocus());
    QStringList expected = {"00:50:00:00:00:01"};
    for (int i = 1; i <= 11; ++i)
        expected << QStringLiteral("00:10:00:00:00:%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    QCOMPARE(shownMacs(*window), expected);
    // The shared address is marked on both rows; the edited row's mark stands while its IP is unchanged.
    QVERIFY(showsWarningMark(window->rows().at(1)));
    QVERIFY(!showsWarningMark(window->rows().at(2)));
    QVERIFY(showsWarningMark(row));

    // The settings go to the edited gateway, with the typed name; then the rows are in MAC order.
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClick(name, Qt::Key_Backspace);
    cLineEdit *ip = row->editor(Row::Ip);
    QTest::keyClick(ip, Qt::Key_End);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(ip, Qt::Key_Backspace);
    QTest::keyClicks(ip, "250");
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges")); // "Übernehmen"
    QTRY_COMPARE(settingsFrames(edited).size(), 1);
    // Kind, MAC, DHCP off, 192.168.0.250, the other addresses as they were, "edit".
    const QString frame = "0200500000000100000000000000c0a800faffffff00c0a80001c0a8000165646974";
    QCOMPARE(settingsFrames(edited).at(0), frame + QString(52, '0'));
    QCOMPARE(shownMacs(*window).first(), QStringLiteral("00:10:00:00:00:01"));

    // After the confirmation and the first re-scan, the address is no longer shared.
    QTRY_VERIFY(window->findChild<MessageBox *>());
    QTRY_COMPARE_WITH_TIMEOUT(edited->receivedFrames().count(discoveryHex), 4, 5000);
    QTRY_COMPARE(window->records().size(), 21);
    QTest::qWait(200);
    for (Row *r : window->rows())
        QVERIFY(!showsWarningMark(r));

    // A second confirmation between the two re-scans is followed by two re-scans of its own.
    QVERIFY(QMetaObject::invokeMethod(window, "changeGatewaySettings"));
    QTRY_COMPARE(window->findChildren<MessageBox *>().size(), 2);
    const qsizetype searches = edited->receivedFrames().count(discoveryHex);
    QTRY_COMPARE_WITH_TIMEOUT(edited->receivedFrames().count(discoveryHex), searches + 2, 6000);
    QTest::qWait(2500);
    QCOMPARE(edited->receivedFrames().count(discoveryHex), searches + 2);
}

void TestMainWindow::confirmationAndItsAbsence()
{
    const QStringList ns = NetnsTest::gatewayNamespaces();
    SimulatorProcess *slow = simulator(ns.at(0), {"--first-mac", "00:60:00:00:00:01", "--delay", "3500"});
    QVERIFY(slow);
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE_WITH_TIMEOUT(window->records().size(), 1, 6000);
    QTest::mouseClick(window->rows().at(0), Qt::LeftButton, {}, {5, 5});
    QElapsedTimer sent;
    sent.start();
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges")); // "Übernehmen"

    // Another gateway's reply while the confirmation is awaited is an ordinary one.
    QVERIFY(simulator(ns.at(1), {"--first-mac", "00:70:00:00:00:01"}));
    searchFromElsewhere();
    QTRY_VERIFY(shownMacs(*window).contains("00:70:00:00:00:01"));
    QVERIFY(!window->findChild<MessageBox *>());

    // About three seconds without a confirmation bring the notice; the late one still counts.
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<MessageBox *>(), 3500);
    QVERIFY2(sent.elapsed() >= 3000, QByteArray::number(sent.elapsed()));
    QCOMPARE(window->findChildren<MessageBox *>().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(window->findChildren<MessageBox *>().size(), 2, 3000);

    // The popups hold the keyboard: Tab and Space press OK, not "Suchen" or a DHCP box beneath.
    const qsizetype searches = slow->receivedFrames().count(discoveryHex);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTRY_COMPARE(window->findChildren<MessageBox *>().size(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_COMPARE(window->findChildren<MessageBox *>().size(), 0);
    QCOMPARE(slow->receivedFrames().count(discoveryHex), searches);
    QVERIFY(!window->rows().at(0)->dhcp());

    // A second change while the first one's re-scans are due: a re-scan within its 3 s does not end
    // the wait, so a confirmation still comes (the notice may come first).
    QTRY_VERIFY(!window->rows().at(0)->isHidden());
    QTest::mouseClick(window->rows().at(0), Qt::LeftButton, {}, {5, 5});
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges"));
    QTRY_VERIFY_WITH_TIMEOUT(messages(window).contains({"Einstellungen wurden erfolgreich gespeichert!"}),
                             6000);
}

void TestMainWindow::settingsGoWhereMeant()
{
    const QStringList ns = NetnsTest::gatewayNamespaces();
    // Three gateways (192.168.0.100 to .102) that confirm settings but keep their values.
    SimulatorProcess *sim =
        simulator(ns.at(0), {"--count", "3", "--first-mac", "00:40:00:00:00:01", "--keep-settings"});
    QVERIFY(sim);
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 3);
    const QList<Row *> rows = window->rows();
    const auto tick = [](Row *row) { QTest::mouseClick(row->dhcpCheckBox(), Qt::LeftButton); };

    // A box ticked while another row is edited: its own row is edited, and shows the tick.
    QTest::mouseClick(rows.at(2), Qt::LeftButton, {}, {5, 5});
    tick(rows.at(1));
    QVERIFY(rows.at(1)->isActive() && !rows.at(2)->isActive() && showsTick(rows.at(1)));

    // A late reply lays the rows out around the edited one; a tick in another row brings back MAC
    // order, with the ticked gateway edited where it belongs.
    QVERIFY(simulator(ns.at(1), {"--first-mac", "00:30:00:00:00:01", "--ip", "10.0.0.1"}));
    searchFromElsewhere();
    const QString b = "00:30:00:00:00:01", a1 = "00:40:00:00:00:01", a2 = "00:40:00:00:00:02",
                  a3 = "00:40:00:00:00:03";
    QTRY_COMPARE(shownMacs(*window), QStringList({b, a2, a1, a3}));
    tick(rows.at(2));
    QCOMPARE(shownMacs(*window), QStringList({b, a1, a2, a3}));
    QVERIFY(rows.at(1)->isActive() && showsTick(rows.at(1)) && !showsTick(rows.at(2)));
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges"));
    // To 00:40:00:00:00:01: DHCP on, the addresses as reported, "sim-gw1".
    const QString head = "02004000000001000000000000", tail = "ffffff00c0a80001c0a8000173696d2d6777";
    QTRY_COMPARE(settingsFrames(sim), QStringList{head + "01c0a80064" + tail + "31" + QString(46, '0')});

    // It confirms but keeps DHCP off: what it reports after the last re-scan says so.
    QTRY_COMPARE_WITH_TIMEOUT(messages(window).size(), 2, 8000);
    QCOMPARE(messages(window).at(1),
             QStringList({"Das Gateway meldet andere Werte als gesendet:", "DHCP: aus statt an"}));
    // On record before it left, and its outcome after the last re-scan.
    const QList<JournalRecord> records =
        ChangeJournal(qEnvironmentVariable("GATEWAY_FINDER_JOURNAL")).read().records;
    QVERIFY(records.size() >= 2);
    const JournalRecord &intent = records.at(records.size() - 2), &outcome = records.last();
    QVERIFY(intent.source == "window" && intent.mac == a1 && !intent.before.dhcp && intent.sent.dhcp);
    QVERIFY(outcome.id == intent.id && outcome.outcome == "mismatch" && !outcome.reported.dhcp);
    // A gateway outside the PC's networks says so, to the pointer and to a screen reader.
    const QString unreachable = "Von diesem PC aus nicht erreichbar: keine Schnittstelle im Netz 10.0.0.0/24";
    QCOMPARE(rows.at(0)->toolTip(), unreachable);
    QVERIFY(GatewayList::itemDescription(rows.at(0)).endsWith(", " + unreachable));

    // A letter in an address is an error: the red mark, and nothing is sent.
    QCOMPARE(rows.at(2)->mac(), a2);
    QTest::mouseClick(rows.at(2), Qt::LeftButton, {}, {5, 5});
    cLineEdit *ip = rows.at(2)->editor(Row::Ip);
    ip->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(ip, Qt::Key_End);
    QTest::keyClicks(ip, "O");
    QVERIFY(showsRedMark(rows.at(2), Row::Ip));
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges"));
    // Then the address of the gateway below: both rows are marked as soon as it is sent.
    QTest::keyClick(ip, Qt::Key_Backspace);
    QTest::keyClick(ip, Qt::Key_Backspace);
    QTest::keyClicks(ip, "2");
    QVERIFY(!showsRedMark(rows.at(2), Row::Ip) && !showsWarningMark(rows.at(3)));
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges"));
    QVERIFY(showsWarningMark(rows.at(2)) && showsWarningMark(rows.at(3)));
    QTRY_COMPARE(settingsFrames(sim).size(), 2);
    QCOMPARE(settingsFrames(sim).at(1),
             "0200400000000200000000000000c0a80066" + tail + "32" + QString(46, '0'));

    // A journal that cannot be written: a popup says so, and nothing is sent.
    QVERIFY(QDir(journalDir.filePath("journal")).removeRecursively());
    QFile blocking(journalDir.filePath("journal"));
    QVERIFY(blocking.open(QIODevice::WriteOnly));
    QTest::mouseClick(rows.at(3), Qt::LeftButton, {}, {5, 5});
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges"));
    QTRY_VERIFY(messages(window).contains({"Das Änderungsprotokoll konnte nicht geschrieben werden.",
                                           "Die Einstellungen wurden nicht gesendet."}));
    QTest::qWait(300);
    QCOMPARE(settingsFrames(sim).size(), 2);
    QVERIFY(blocking.remove() && QDir(journalDir.path()).mkdir("journal"));
}

// The simulator's gateway n, from 1: its MAC.
QString simMac(int n)
{
    return QStringLiteral("02:47:46:00:00:%1").arg(n, 2, 16, QLatin1Char('0')).toUpper();
}

void TestMainWindow::thirtyGateways()
{
    SimulatorProcess *sim = simulator(NetnsTest::gatewayNamespaces().at(0), {"--count", "30"});
    ZORURuroza *window = sim ? openWindow() : nullptr;
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 30);
    QCOMPARE(window->countText(), QStringLiteral("30 Gateways"));
    const auto first = [&] { return shownMacs(*window).first(); };
    // The wheel over the rows (the list gets it from them) moves by the desktop's setting and stops
    // with the last gateway at the bottom.
    const auto wheel = [&](int notches) {
        QWheelEvent turn({5, 205}, window->list()->mapToGlobal(QPointF(5, 205)), {}, {0, -120 * notches},
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->list(), &turn);
    };
    wheel(1);
    QCOMPARE(first(), simMac(1 + QApplication::wheelScrollLines()));
    wheel(20);
    QCOMPARE(shownMacs(*window).size(), 12);
    QCOMPARE(shownMacs(*window).last(), simMac(30));
    QCOMPARE(window->countText(), QStringLiteral("19–30 von 30 Gateways"));
    // The scroll bar: its thumb dragged to the top, then a click on the track below it moves a page.
    ScrollBar *bar = window->list()->scrollBar();
    QVERIFY(bar->isVisible() && bar->geometry() == QRect(843, 51, 14, 480));
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->thumbRect().center());
    QTest::mouseMove(bar, {7, bar->thumbRect().center().y() - 480});
    QTest::mouseRelease(bar, Qt::LeftButton, {}, {7, 0});
    QCOMPARE(first(), simMac(1));
    QTest::mouseClick(bar, Qt::LeftButton, {}, {7, 470});
    QCOMPARE(first(), simMac(13));
    QCOMPARE(window->countText(), QStringLiteral("13–24 von 30 Gateways"));

    // The edited row keeps its gateway and text while the others scroll around it.
    Row *row = window->rows().at(2);
    QTest::mouseClick(row, Qt::LeftButton, {}, {5, 5});
    row->editor(Row::Name)->setText("neu-15");
    wheel(1);
    QCOMPARE(shownMacs(*window).mid(0, 4), QStringList({simMac(17), simMac(18), simMac(15), simMac(19)}));
    QVERIFY(row->isActive());
    QCOMPARE(row->editor(Row::Name)->text(), QStringLiteral("neu-15"));
    wheel(-1);
    // Sent from below the first twelve; the re-scans after the confirmation keep the view.
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges")); // "Übernehmen"
    QTRY_COMPARE(settingsFrames(sim).size(), 1);
    QVERIFY(settingsFrames(sim).at(0).startsWith("0202474600000f"));
    QTRY_COMPARE_WITH_TIMEOUT(sim->receivedFrames().count(discoveryHex), 3, 6000);
    QTRY_COMPARE(window->records().size(), 30);
    QCOMPARE(first(), simMac(13));
    QCOMPARE(window->rows().at(2)->gatewayName(), QStringLiteral("neu-15"));
    // A user's search starts again at the top.
    QVERIFY(QMetaObject::invokeMethod(window, "scanNetwork"));
    QTRY_COMPARE(window->records().size(), 30);
    QCOMPARE(first(), simMac(1));
}

void TestMainWindow::everyNetworkOfThePc()
{
    // The finder's default route leads to the first network; the second has no route of its own.
    // Datagrams of other lengths and 60-byte frames of other kinds come before the first network's
    // replies; the other kinds end a pass, and the replies behind them are read in the next one.
    SimulatorProcess *first =
        simulator(NetnsTest::gatewayNamespaces().at(0), {"--first-mac", "00:30:00:00:00:01", "--count", "2",
                                                         "--ip", NetnsTest::finderAddress(), "--malformed"});
    const QString secondNs = qEnvironmentVariable("GF_NETNS_SECOND_GATEWAYS").split(' ').first();
    SimulatorProcess *second = simulator(secondNs, {"--first-mac", "00:20:00:00:00:01", "--count", "2"});
    QVERIFY(first && second);
    ZORURuroza *window = nullptr;
    QCOMPARE(captureStdout([&] { window = openWindow(); }),
             QByteArray("Es wurden 60 Bytes gesendet\nEs wurden 60 Bytes gesendet\n"));
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 4);
    QTest::qWait(300);
    QCOMPARE(shownMacs(*window), QStringList({"00:20:00:00:00:01", "00:20:00:00:00:02", "00:30:00:00:00:01",
                                              "00:30:00:00:00:02"}));
    QCOMPARE(first->receivedFrames(), QStringList({discoveryHex}));
    // The gateway that reports the finder's own address is marked, its neighbour is not.
    QVERIFY(showsWarningMark(window->rows().at(2)));
    QVERIFY(!showsWarningMark(window->rows().at(3)));
    QCOMPARE(second->receivedFrames(), QStringList({discoveryHex}));

    // Settings for a gateway of the second network go there only, and its confirmation counts.
    QTest::mouseClick(window->rows().at(1), Qt::LeftButton, {}, {5, 5});
    QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges")); // "Übernehmen"
    QTRY_VERIFY(window->findChild<MessageBox *>());
    QCOMPARE(settingsFrames(second).size(), 1);
    QVERIFY(settingsFrames(second).at(0).startsWith("02002000000002"));
    QVERIFY(settingsFrames(first).isEmpty());

    // A network that goes away costs only its own frame. Settings for a gateway that was on it do
    // not leave by another one: it is searched for, and the user hears that it was not found.
    QTest::mouseClick(window->rows().at(0), Qt::LeftButton, {}, {5, 5});
    QCOMPARE(QProcess::execute("ip", {"link", "set", "eth1", "down"}), 0);
    QCOMPARE(captureStdout([&] { QVERIFY(QMetaObject::invokeMethod(window, "gatewayAcceptChanges")); }),
             QByteArray("-1: sim-gw1\nName des Gateways: sim-gw1\nEs wurden 60 Bytes gesendet\n"));
    QTRY_COMPARE(shownMacs(*window), QStringList({"00:30:00:00:00:01", "00:30:00:00:00:02"}));
    QTRY_COMPARE_WITH_TIMEOUT(messages(window).size(), 2, 3000);
    QCOMPARE(messages(window).at(1).at(0), QStringLiteral("Das Gateway wurde nicht gefunden."));
    QCOMPARE(settingsFrames(second).size(), 1);
    QVERIFY(settingsFrames(first).isEmpty());
    QCOMPARE(QProcess::execute("ip", {"link", "set", "eth1", "up"}), 0);
}

void TestMainWindow::commandSlots()
{
    SimulatorProcess *sim = simulator(NetnsTest::gatewayNamespaces().at(0), {"--count", "0"});
    QVERIFY(sim);
    ZORURuroza *window = openWindow();
    QVERIFY(window && window->isSocketBound());
    QTRY_COMPARE(sim->receivedFrames(), QStringList({discoveryHex}));

    // Each command slot sends its text from the gateway port, to port 55555.
    const std::pair<const char *, QByteArray> commands[] = {
        {"slotHide", "HIDE"},     {"slotMove", "MOVE|10|20"}, {"slotMuteOff", "MuteOff"},
        {"slotMuteOn", "MuteOn"}, {"slotPing", "PING"},       {"slotQuit", "QUIT"},
        {"slotShow", "SHOW"},     {"slotSize", "SIZE|50|100"}};
    QStringList expected;
    for (const auto &[slot, text] : commands) {
        QVERIFY(QMetaObject::invokeMethod(window, slot));
        expected << "31337 " + text.toHex();
    }
    QTRY_COMPARE(sim->receivedCommands(), expected);

    // A second copy gets no port and sends nothing, also when its slots are called by name.
    ZORURuroza *second = openWindow();
    QVERIFY(second && !second->isSocketBound());
    QVERIFY(QMetaObject::invokeMethod(second, "scanNetwork") &&
            QMetaObject::invokeMethod(second, "slotPing"));
    QTest::qWait(300);
    QCOMPARE(sim->receivedFrames().size() + sim->receivedCommands().size(), expected.size() + 1);
    QVERIFY(QMetaObject::invokeMethod(window, "changesNotAccepted"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
