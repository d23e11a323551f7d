// The real gateway-finder on a private X server, against simulated gateways in other network
// namespaces, driven through its window with xdotool and checked on the screen's pixels, on the
// simulators' frame logs, on its standard output and on its exit code. The expected pixels are drawn
// here by the program's own widgets and images.
#include "app/startup.h"
#include "app/zorururoza.h"
#include "finderwindow.h"
#include "netnstest.h"
#include "simulatorprocess.h"
#include "stdoutcapture.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/messagebox.h"
#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

using Row = GatewayInfoWidget;

namespace {

const QSize WindowSize(857, 600);
const int TimeoutMs = 20000; // the sanitizer build starts and paints slowly
const int QuietMs = 1000;    // how long to watch for something that must not happen
const QString DiscoveryHex = QStringLiteral("01") + QString(118, QLatin1Char('0'));
const QRect PopupPanel(168, 131, 532, 303); // the opaque middle of a popup
const QStringList Acknowledgement = {QStringLiteral("Einstellungen wurden erfolgreich gespeichert!")};

// Asks probe until it answers want or the time is up, and returns its last answer. Unlike QTRY_*,
// the time limit holds however long one probe takes.
template <typename T, typename Probe> T waitFor(Probe probe, const T &want)
{
    const QDeadlineTimer deadline(TimeoutMs);
    for (;; QTest::qWait(50)) {
        const T seen = probe();
        if (seen == want || deadline.hasExpired())
            return seen;
    }
}

// The same picture drawn by another process may round a channel differently.
bool looksLike(const QImage &actual, const QImage &expected)
{
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage b = expected.convertToFormat(QImage::Format_RGB32);
    const auto near = [](QRgb p, QRgb q) {
        return qAbs(qRed(p) - qRed(q)) <= 3 && qAbs(qGreen(p) - qGreen(q)) <= 3 &&
               qAbs(qBlue(p) - qBlue(q)) <= 3;
    };
    const auto *pixels = reinterpret_cast<const QRgb *>(a.constBits());
    return a.size() == b.size() && std::equal(pixels, pixels + a.width() * a.height(),
                                              reinterpret_cast<const QRgb *>(b.constBits()), near);
}

const QPoint PopupOk = PopupWidget::cancelButtonRect().center(); // a message popup's only button

struct Gateway
{
    QString name, mac, ip;
    bool dhcp = false;
};

// Waits until the twelve row slots show the gateways in order and then nothing; returns the first
// slot that still shows something else, or -1.
int waitForRows(FinderWindow *finder, const QList<Gateway> &gateways)
{
    QImage background(WindowSize, QImage::Format_RGB32);
    QPainter painter(&background);
    QSvgRenderer(QStringLiteral(":/images/background")).render(&painter);
    painter.end();
    QList<QImage> expected;
    for (const Gateway &g : gateways) {
        Row row;
        row.resize(ZORURuroza::rowRect(0).size());
        captureStdout([&] {
            row.setValues(g.name, "0", g.mac, g.ip, "255.255.255.0", "192.168.0.1", "192.168.0.1", g.dhcp);
        });
        expected << row.grab().toImage();
    }
    while (expected.size() < ZORURuroza::RowCount)
        expected << background.copy(ZORURuroza::rowRect(expected.size()));
    const auto firstWrongSlot = [&] {
        const QImage shot = finder->grab();
        for (int k = 0; k < ZORURuroza::RowCount; ++k) {
            if (!looksLike(shot.copy(ZORURuroza::rowRect(k)), expected.at(k)))
                return k;
        }
        return -1;
    };
    return waitFor(firstWrongSlot, -1);
}

// The error mark beside a field of the active row k: a red disc with a white bar.
bool showsErrorMark(const QImage &shot, int k, Row::Field field)
{
    const QPoint mark = ZORURuroza::rowRect(k).topLeft() + Row::errorMarkRect(field).topLeft().toPoint();
    return shot.pixel(mark + QPoint(2, 5)) == qRgb(0xB3, 0x37, 0x2D) &&
           shot.pixel(mark + QPoint(5, 4)) == qRgb(255, 255, 255);
}

bool showsPopup(FinderWindow *finder, const QStringList &lines, const QString &title)
{
    MessageBox popup(lines, title, nullptr);
    popup.resize(WindowSize);
    const QImage expected = popup.grab().toImage().copy(PopupPanel);
    return waitFor([&] { return looksLike(finder->grab().copy(PopupPanel), expected); }, true);
}

// A settings request: the fields before the host name in hex, then the name padded to 30 bytes.
QString settingsFrame(QString fields, const QByteArray &name)
{
    return fields.remove(QLatin1Char(' ')) + QString::fromLatin1(name.toHex().leftJustified(60, '0'));
}

QStringList settingsFrames(const SimulatorProcess *sim)
{
    return sim->receivedFrames().filter(QRegularExpression(QStringLiteral("^02")));
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void searchEditAndClose();
    void thirteenGatewaysAndSecondCopy();

private:
    SimulatorProcess *simulator(int ns, const QStringList &args);
    FinderWindow *startFinder();

    std::unique_ptr<XvfbServer> x;
    QTemporaryDir programDir;
    QString program;
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    std::vector<std::unique_ptr<FinderWindow>> finders;
};

void TestEndToEnd::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(NetnsTest::gatewayNamespaces().size() >= 3);
    Startup::setApplicationFont(); // the expected rows are drawn in the program's font
    x = std::make_unique<XvfbServer>();
    QString problem;
    QVERIFY2(x->start(&problem), qPrintable(problem));

    // A copy alone in its folder: no translation folder beside it, so the German edition runs.
    program = programDir.filePath(QStringLiteral("gateway-finder"));
    QVERIFY(QFile::copy(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), program));
}

void TestEndToEnd::cleanup()
{
    finders.clear(); // releases the gateway port before the next test
    sims.clear();
}

SimulatorProcess *TestEndToEnd::simulator(int ns, const QStringList &args)
{
    sims.push_back(std::make_unique<SimulatorProcess>());
    return sims.back()->start(NetnsTest::gatewayNamespaces().at(ns), args) ? sims.back().get() : nullptr;
}

FinderWindow *TestEndToEnd::startFinder()
{
    QProcessEnvironment env = x->clientEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), programDir.path());
    finders.push_back(std::make_unique<FinderWindow>(x.get()));
    return finders.back()->start(program, env) ? finders.back().get() : nullptr;
}

void TestEndToEnd::searchEditAndClose()
{
    SimulatorProcess *sim = simulator(0, {"--count", "2", "--names", "alt"});
    SimulatorProcess *early = simulator(1, {"--first-mac", "00:22:00:00:00:01", "--names", "frueh", "--ip", "192.168.0.150"});
    SimulatorProcess *late = simulator(2, {"--first-mac", "00:22:00:00:00:01", "--names", "spaet", "--ip",
                                           "192.168.0.200", "--delay", "2000"});
    QVERIFY(sim && early && late);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(finder->title(), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));

    // In MAC order; the later reply for the same MAC replaces the row in place.
    const Gateway alt1{"alt1", "02:47:46:00:00:01", "192.168.0.100"};
    const Gateway alt2{"alt2", "02:47:46:00:00:02", "192.168.0.101"};
    QCOMPARE(waitForRows(finder, {{"frueh", "00:22:00:00:00:01", "192.168.0.150"}, alt1, alt2}), -1);
    QCOMPARE(waitForRows(finder, {{"spaet", "00:22:00:00:00:01", "192.168.0.200"}, alt1, alt2}), -1);
    QVERIFY(finder->output().startsWith("gateway-finder\nQLocale: de_DE\nEs wurden 60 Bytes gesendet\n"));

    // A new search forgets the gateways that no longer answer.
    early->stop();
    late->stop();
    QVERIFY(finder->click(ZORURuroza::searchButtonRect().center()));
    QCOMPARE(waitForRows(finder, {alt1, alt2}), -1);
    QCOMPARE(sim->receivedFrames().count(DiscoveryHex), 2);

    // An invalid address is marked and keeps the changes from being sent.
    const auto edit = [&](Row::Field field, int erase, const QString &text) {
        return finder->click(ZORURuroza::rowRect(0).topLeft() + Row::editorRect(field).center()) &&
               finder->xdotool(QStringList{"key", "End"} + QStringList(erase, "BackSpace")) &&
               finder->xdotool({"type", text});
    };
    QVERIFY(finder->click(ZORURuroza::rowRect(0).topLeft() + QPoint(5, 5)));
    QVERIFY(edit(Row::Ip, 0, "9")); // 192.168.0.1009
    QVERIFY(waitFor([&] { return showsErrorMark(finder->grab(), 0, Row::Ip); }, true));
    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    QTest::qWait(QuietMs);
    QCOMPARE(settingsFrames(sim), QStringList());

    QVERIFY(edit(Row::Ip, 4, "150"));
    QVERIFY(edit(Row::Name, 4, "neu-1"));
    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    const QString changed =
        settingsFrame("02 024746000001 000000000000 00 c0a80096 ffffff00 c0a80001 c0a80001", "neu-1");
    QCOMPARE(waitFor([&] { return settingsFrames(sim); }, QStringList{changed}), QStringList{changed});
    QElapsedTimer sinceSent;
    sinceSent.start();

    // Two more searches follow, about 2 s and 4 s after the acknowledgement.
    QList<qint64> searches;
    while (sinceSent.elapsed() < 6500) {
        QTest::qWait(20);
        if (sim->receivedFrames().count(DiscoveryHex) > 2 + searches.size())
            searches << sinceSent.elapsed();
    }
    QCOMPARE(searches.size(), 2);
    const qint64 gap = searches.at(1) - searches.at(0);
    QVERIFY2(searches.at(0) > 1700 && searches.at(0) < 3000 && gap > 1700 && gap < 2500,
             qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(searches.at(0)).arg(gap)));
    // The popup stays until its OK; then the row shows the gateway's new values.
    QVERIFY(showsPopup(finder, Acknowledgement, "Meldung"));
    QVERIFY(finder->output().contains("\nName des Gateways: neu-1\n"));
    QVERIFY(finder->click(PopupOk));
    const Gateway neu1{"neu-1", "02:47:46:00:00:01", "192.168.0.150"};
    QCOMPARE(waitForRows(finder, {neu1, alt2}), -1);

    // Switching DHCP on sends the row's values with byte 13 set.
    QVERIFY(finder->click(ZORURuroza::rowRect(1).topLeft() + Row::dhcpBoxRect().center()));
    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    const QString dhcp =
        settingsFrame("02 024746000002 000000000000 01 c0a80065 ffffff00 c0a80001 c0a80001", "alt2");
    QCOMPARE(waitFor([&] { return settingsFrames(sim); }, QStringList{changed, dhcp}),
             QStringList({changed, dhcp}));
    QVERIFY(showsPopup(finder, Acknowledgement, "Meldung"));
    QVERIFY(finder->click(PopupOk));
    QCOMPARE(waitForRows(finder, {neu1, {"alt2", "02:47:46:00:00:02", "192.168.0.101", true}}), -1);

    QVERIFY(finder->click(ZORURuroza::closeButtonRect().center()));
    QCOMPARE(finder->exitCode(TimeoutMs), 0);
}

void TestEndToEnd::thirteenGatewaysAndSecondCopy()
{
    SimulatorProcess *sim = simulator(
        0, {"--count", "7", "--first-mac", "00:00:00:00:00:10", "--names", "b", "--ip", "192.168.0.110"});
    QVERIFY(sim && simulator(1, {"--count", "6", "--first-mac", "00:00:00:00:00:01"}));
    FinderWindow *first = startFinder();
    QVERIFY(first);
    // The first twelve in MAC order: the second simulator's six, then six of the first's seven.
    QList<Gateway> twelve;
    for (int n = 0; n < ZORURuroza::RowCount; ++n) {
        twelve.append(
            {(n < 6 ? QStringLiteral("sim-gw%1") : QStringLiteral("b%1")).arg(n % 6 + 1),
             QStringLiteral("00:00:00:00:00:%1").arg(n < 6 ? n + 1 : n + 10, 2, 16, QLatin1Char('0')),
             QStringLiteral("192.168.0.%1").arg(n < 6 ? 100 + n : 104 + n)});
    }
    QCOMPARE(waitForRows(first, twelve), -1);

    // A second copy cannot have the gateway port: it explains, searches nothing, and its OK ends it.
    FinderWindow *second = startFinder();
    QVERIFY(second);
    QVERIFY(
        showsPopup(second,
                   {"Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!", "",
                    "Mögliche Ursachen:", "", "1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet.",
                    "Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden.", "",
                    "2) Der ZAN-Dezezazudazi ist gestartet.",
                    "Lösung: Bitte den ZAN-Dezezazudazi beenden und den ZAN-IP-Gateway-Finder neu starten."},
                   "Verbindungsfehler"));
    QTest::qWait(QuietMs);
    QCOMPARE(second->output(), QByteArray("gateway-finder\nQLocale: de_DE\n"));
    QCOMPARE(sim->receivedFrames().count(DiscoveryHex), 1);
    QVERIFY(second->click(PopupOk));
    QCOMPARE(second->exitCode(TimeoutMs), 0);

    // The window's own close control ends the first copy the same way.
    QVERIFY(x->requestClose(first->id()));
    QCOMPARE(first->exitCode(TimeoutMs), 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
