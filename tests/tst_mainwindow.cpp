// The finder window against simulated gateways in other network namespaces: what the end-to-end
// suite on the real program cannot easily see — malformed datagrams, one active row, which reply
// acknowledges a change, the exclusive bind, and the command datagrams.
#include "app/zorururoza.h"
#include "lineedit/clineedit.h"
#include "netnstest.h"
#include "simulatorprocess.h"
#include "stdoutcapture.h"
#include "widgets/checkbox.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/messagebox.h"
#include "widgets/pushbutton.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using Row = GatewayInfoWidget;

namespace {

const QByteArray discoveryHex = "01" + QByteArray(118, '0');

PushButton *button(QWidget *window, const QString &caption)
{
    for (PushButton *b : window->findChildren<PushButton *>()) {
        if (b->caption() == caption)
            return b;
    }
    return nullptr;
}

QStringList macs(const ZORURuroza &window)
{
    QStringList out;
    for (const GatewayRecord *r : window.records())
        out << r->mac;
    return out;
}

int countOf(const QStringList &frames, const QByteArray &hex)
{
    return int(frames.count(QString::fromLatin1(hex)));
}

void typeInto(cLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, text);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void malformedDatagramsAreIgnored();
    void oneActiveRowAndInvalidInput();
    void otherGatewayIsNotTheAcknowledgement();
    void secondCopyShowsConnectionError();
    void commandDatagrams();

private:
    SimulatorProcess *simulator(int ns, const QStringList &args);
    ZORURuroza *openWindow();

    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    std::vector<std::unique_ptr<ZORURuroza>> windows;
};

void TestMainWindow::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(NetnsTest::gatewayNamespaces().size() >= 2);
}

void TestMainWindow::cleanup()
{
    windows.clear(); // releases the port before the next test
    sims.clear();
}

SimulatorProcess *TestMainWindow::simulator(int ns, const QStringList &args)
{
    auto sim = std::make_unique<SimulatorProcess>();
    if (!sim->start(NetnsTest::gatewayNamespaces().at(ns), args))
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

void TestMainWindow::malformedDatagramsAreIgnored()
{
    // Datagrams of other lengths and 60-byte frames of other kinds come before the replies; the
    // other kinds end a pass, and the replies behind them are read in the next one.
    QVERIFY(simulator(0, {"--count", "2", "--malformed"}));
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 2);
    QTest::qWait(300);
    QCOMPARE(macs(*window), QStringList({"02:47:46:00:00:01", "02:47:46:00:00:02"}));
}

void TestMainWindow::oneActiveRowAndInvalidInput()
{
    SimulatorProcess *sim = simulator(0, {"--count", "3"});
    QVERIFY(sim);
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE(window->records().size(), 3);
    const auto &rows = window->rows();

    QTest::mouseClick(rows.at(0), Qt::LeftButton, {}, {5, 5});
    QTest::mouseClick(rows.at(1), Qt::LeftButton, {}, {5, 5});
    QVERIFY(!rows.at(0)->isActive());
    QVERIFY(rows.at(1)->isActive());
    QTest::mouseClick(rows.at(2)->dhcpCheckBox(), Qt::LeftButton, {}, {6, 6});
    QVERIFY(rows.at(2)->isActive());
    QVERIFY(!rows.at(1)->isActive());

    // An invalid value blocks "Übernehmen": nothing printed, nothing sent.
    typeInto(rows.at(2)->editor(Row::Name), "a..b");
    const QByteArray out =
        captureStdout([&] { QTest::mouseClick(button(window, "Übernehmen"), Qt::LeftButton); });
    QVERIFY(out.isEmpty());
    QTest::qWait(300);
    for (const QString &frame : sim->receivedFrames())
        QVERIFY(!frame.startsWith("02"));
    QVERIFY(rows.at(2)->isActive());
    QVERIFY(!window->findChild<MessageBox *>());
}

void TestMainWindow::otherGatewayIsNotTheAcknowledgement()
{
    QVERIFY(simulator(0, {"--first-mac", "00:33:00:00:00:01", "--delay", "1200"}));
    ZORURuroza *window = openWindow();
    QVERIFY(window);
    QTRY_COMPARE_WITH_TIMEOUT(window->records().size(), 1, 5000);

    QTest::mouseClick(window->rows().at(0), Qt::LeftButton, {}, {5, 5});
    QTest::mouseClick(button(window, "Übernehmen"), Qt::LeftButton);

    // Another gateway answers a search from elsewhere while the acknowledgement is awaited.
    QVERIFY(simulator(1, {"--first-mac", "00:44:00:00:00:01", "--names", "other"}));
    QUdpSocket elsewhere;
    QVERIFY(elsewhere.bind(QHostAddress::AnyIPv4, 0));
    QByteArray discovery(60, '\0');
    discovery[0] = 0x01;
    elsewhere.writeDatagram(discovery, QHostAddress::Broadcast, 31337);

    QTRY_VERIFY(macs(*window).contains("00:44:00:00:00:01"));
    QVERIFY(!window->findChild<MessageBox *>());
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<MessageBox *>(), 5000);
}

void TestMainWindow::secondCopyShowsConnectionError()
{
    SimulatorProcess *sim = simulator(0, {"--count", "1"});
    QVERIFY(sim);
    ZORURuroza *first = openWindow();
    QVERIFY(first);
    QVERIFY(first->isSocketBound());
    QTRY_COMPARE(countOf(sim->receivedFrames(), discoveryHex), 1);

    ZORURuroza *second = nullptr;
    const QByteArray out = captureStdout([&] { second = openWindow(); });
    QVERIFY(second);
    QVERIFY(!out.contains("Es wurden")); // no search
    QVERIFY(!second->isSocketBound());
    auto *popup = second->findChild<MessageBox *>();
    QVERIFY(popup);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->geometry(), QRect(0, 0, 857, 600));
    QTest::qWait(300);
    QCOMPARE(countOf(sim->receivedFrames(), discoveryHex), 1);

    QTest::mouseClick(button(popup, "OK"), Qt::LeftButton);
    QVERIFY(!second->isVisible());
    QVERIFY(first->isVisible());

    // Any other program holding the port over IPv4 has the same effect.
    windows.clear();
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress::AnyIPv4, 31337));
    QVERIFY(!openWindow()->isSocketBound());
}

void TestMainWindow::commandDatagrams()
{
    SimulatorProcess *sim = simulator(0, {"--count", "0"});
    QVERIFY(sim);
    ZORURuroza *window = openWindow();
    QVERIFY(window);

    const char *commandSlots[] = {"slotHide", "slotMove", "slotMuteOff", "slotMuteOn",
                                  "slotPing", "slotQuit", "slotShow",    "slotSize"};
    for (const char *slot : commandSlots)
        QVERIFY(QMetaObject::invokeMethod(window, slot));
    for (const char *slot : {"changeGatewaySettings", "changesNotAccepted", "scanNetwork"})
        QVERIFY(window->metaObject()->indexOfSlot(QByteArray(slot) + "()") >= 0);

    const QStringList expected = {"31337 48494445",                // HIDE
                                  "31337 4d4f56457c31307c3230",    // MOVE|10|20
                                  "31337 4d7574654f6666",          // MuteOff
                                  "31337 4d7574654f6e",            // MuteOn
                                  "31337 50494e47",                // PING
                                  "31337 51554954",                // QUIT
                                  "31337 53484f57",                // SHOW
                                  "31337 53495a457c35307c313030"}; // SIZE|50|100
    QTRY_COMPARE(sim->receivedCommands(), expected);

    // A command datagram that reaches the gateway port is skipped, and reading goes on.
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::AnyIPv4, 0));
    QByteArray reply(60, '\0');
    reply[0] = char(0xF0);
    reply[7] = 0x0A;
    sender.writeDatagram("PING", QHostAddress::LocalHost, 31337);
    sender.writeDatagram(reply, QHostAddress::LocalHost, 31337);
    QTRY_COMPARE(macs(*window), QStringList({"0A:00:00:00:00:00"}));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
