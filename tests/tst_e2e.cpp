// The real gateway-finder on a private X server, against simulated gateways in other network
// namespaces, driven through its window with xdotool and checked on the screen's pixels, on the
// simulators' frame logs, on its standard output and on its exit code. The expected pixels are drawn
// here by the same widgets and images, so a look is compared whole: texts, marks and backgrounds.
#include "app/zorururoza.h"
#include "finderwindow.h"
#include "netnstest.h"
#include "pixelcompare.h"
#include "simulatorprocess.h"
#include "stdoutcapture.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/messagebox.h"
#include "widgets/popupwidget.h"
#include "widgets/pushbutton.h"
#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using Row = GatewayInfoWidget;

namespace {

const QSize ScreenSize(1024, 768);
const QSize WindowSize(857, 600);
const int ScreenTimeoutMs = 20000; // the sanitizer build starts and paints slowly
const int QuietMs = 1000;          // how long to watch for something that must not happen
const int ExitTimeoutMs = 15000;

const QString discoveryHex = QStringLiteral("01") + QString(118, QLatin1Char('0'));

// Asks probe until it answers want or the time is up, and returns its last answer. Unlike QTRY_*,
// the time limit holds however long one probe takes.
template <typename T, typename Probe> T waitFor(Probe probe, const T &want, int timeoutMs = ScreenTimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    T seen = probe();
    while (!(seen == want) && !deadline.hasExpired()) {
        QTest::qWait(50);
        seen = probe();
    }
    return seen;
}

template <typename Probe> bool waitUntil(Probe probe, int timeoutMs = ScreenTimeoutMs)
{
    return waitFor(probe, true, timeoutMs);
}

// Where the pointer goes, in window coordinates.
QPoint rowSurface(int k)
{
    return ZORURuroza::rowRect(k).topLeft() + QPoint(5, 5);
}

QPoint endOfEditor(int k, Row::Field field)
{
    const QRect editor = Row::editorRect(field);
    return ZORURuroza::rowRect(k).topLeft() + QPoint(editor.right() - 3, editor.center().y());
}

QPoint dhcpBox(int k)
{
    return ZORURuroza::rowRect(k).topLeft() + Row::dhcpBoxRect().center();
}

QPoint popupOkButton()
{
    return PopupWidget::cancelButtonRect().center(); // the message popup's only button stands there
}

QImage svgImage(const QString &resource, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    QSvgRenderer(resource).render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

using PixelCompare::looksLike;

// A strip at the right end of a row, clear of texts, editors and the check box.
const QRect lookStrip(790, 0, 36, 40);

// The look of each of the twelve row slots, told by the strip at its right end.
QStringList rowLooks(const QImage &shot)
{
    static const QImage background = svgImage(QStringLiteral(":/images/background"), WindowSize);
    static const QStringList looks = {QStringLiteral("row"), QStringLiteral("row_over"),
                                      QStringLiteral("row_active"), QStringLiteral("row_down")};
    QStringList out;
    for (int k = 0; k < ZORURuroza::RowCount; ++k) {
        const QRect row = ZORURuroza::rowRect(k);
        const QImage seen = shot.copy(lookStrip.translated(row.topLeft()));
        QString name = looksLike(seen, background.copy(lookStrip.translated(row.topLeft())))
                           ? QStringLiteral("empty")
                           : QStringLiteral("?");
        for (const QString &look : looks) {
            if (looksLike(seen, svgImage(QStringLiteral(":/images/") + look, row.size()).copy(lookStrip)))
                name = look;
        }
        out << name;
    }
    return out;
}

QStringList shownRows(int count, const QStringList &firstLooks = {})
{
    QStringList out = firstLooks;
    while (out.size() < ZORURuroza::RowCount)
        out << (out.size() < count ? QStringLiteral("row") : QStringLiteral("empty"));
    return out;
}

struct Gateway
{
    QString name;
    QString mac;
    QString ip;
    bool dhcp = false;
    QString subnet = QStringLiteral("255.255.255.0");
    QString gateway = QStringLiteral("192.168.0.1");
    QString nameserver = QStringLiteral("192.168.0.1");
};

// A resting row showing the gateway, as the row widget draws it.
QImage rowShowing(const Gateway &g)
{
    Row row;
    row.resize(ZORURuroza::rowRect(0).size());
    captureStdout([&] {
        row.setValues(g.name, QStringLiteral("0"), g.mac, g.ip, g.subnet, g.gateway, g.nameserver, g.dhcp);
    });
    return row.grab().toImage();
}

QImage rowOf(const QImage &shot, int k)
{
    return shot.copy(ZORURuroza::rowRect(k));
}

// The validated fields of an active row that show the error mark beside them.
QStringList markedFields(const QImage &shot, int k)
{
    static const std::pair<Row::Field, QString> fields[] = {{Row::Name, QStringLiteral("name")},
                                                            {Row::Ip, QStringLiteral("ip")},
                                                            {Row::Subnet, QStringLiteral("subnet")},
                                                            {Row::Gateway, QStringLiteral("gateway")},
                                                            {Row::Nameserver, QStringLiteral("nameserver")}};
    const QImage plain = svgImage(QStringLiteral(":/images/row_active"), ZORURuroza::rowRect(0).size());
    QImage marked = plain;
    {
        QPainter painter(&marked);
        QSvgRenderer mark(QStringLiteral(":/images/row_error"));
        for (const auto &field : fields)
            mark.render(&painter, Row::errorMarkRect(field.first));
    }
    QStringList out;
    for (const auto &[field, name] : fields) {
        const QRect area = Row::errorMarkRect(field).toAlignedRect();
        const QImage seen = shot.copy(area.translated(ZORURuroza::rowRect(k).topLeft()));
        if (looksLike(seen, marked.copy(area)))
            out << name;
        else if (!looksLike(seen, plain.copy(area)))
            out << name + QStringLiteral("?");
    }
    return out;
}

// The opaque panel of a popup, inside its rounded corners: it hides whatever lies beneath.
const QRect popupPanel(168, 131, 532, 303);

QImage popupShowing(const QStringList &lines, const QString &title)
{
    MessageBox popup(lines, title, nullptr);
    popup.resize(WindowSize);
    return popup.grab().toImage().copy(popupPanel);
}

bool showsPopupPanel(const QImage &shot)
{
    const QRect margin(popupPanel.left(), 200, 12, 180); // left of the popup's texts
    QImage plain(margin.size(), QImage::Format_RGB32);
    plain.fill(QColor(0x33, 0x33, 0x33));
    return looksLike(shot.copy(margin), plain);
}

// A button of the window, inside its rounded corners.
QImage buttonShowing(const QString &caption, bool pressed)
{
    PushButton button(QStringLiteral(":/images/btn_normal"), QStringLiteral(":/images/btn_down"), caption);
    button.resize(ZORURuroza::searchButtonRect().size());
    if (pressed)
        QTest::mousePress(&button, Qt::LeftButton);
    return button.grab().toImage().copy(QRect(QPoint(3, 3), button.size() - QSize(6, 6)));
}

QImage buttonOf(const QImage &shot, const QRect &button)
{
    return shot.copy(button.adjusted(3, 3, -3, -3));
}

QStringList settingsFrames(const QStringList &frames)
{
    QStringList out;
    for (const QString &frame : frames) {
        if (frame.startsWith(QLatin1String("02")))
            out << frame;
    }
    return out;
}

QString hostNameHex(const QByteArray &name)
{
    return QString::fromLatin1(name.toHex() + QByteArray(2 * (30 - name.size()), '0'));
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void startAndFirstSearch();
    void thirteenGatewaysTwelveRows();
    void duplicateMacUpdatesInPlace();
    void searchClearsAndRefills();
    void settingsChange();
    void dhcpChange();
    void invalidInputBlocksAccept();
    void secondCopyShowsConnectionError();
    void closing_data();
    void closing();

private:
    SimulatorProcess *simulator(int ns, const QStringList &args);
    FinderWindow *startFinder();

    std::unique_ptr<XvfbServer> x;
    QTemporaryDir programDir;
    QTemporaryDir runtimeDir;
    QString program;
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    std::vector<std::unique_ptr<FinderWindow>> finders;
};

void TestEndToEnd::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(NetnsTest::gatewayNamespaces().size() >= 3);

    x = std::make_unique<XvfbServer>();
    QString problem;
    QVERIFY2(x->start(ScreenSize, &problem), qPrintable(problem));

    // A copy alone in its folder: no translation folder beside it, so the German edition runs.
    QVERIFY(programDir.isValid() && runtimeDir.isValid());
    program = programDir.filePath(QStringLiteral("gateway-finder"));
    QVERIFY(QFile::copy(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
}

void TestEndToEnd::cleanup()
{
    finders.clear(); // releases the gateway port before the next test
    sims.clear();
}

SimulatorProcess *TestEndToEnd::simulator(int ns, const QStringList &args)
{
    auto sim = std::make_unique<SimulatorProcess>();
    if (!sim->start(NetnsTest::gatewayNamespaces().at(ns), args))
        return nullptr;
    sims.push_back(std::move(sim));
    return sims.back().get();
}

FinderWindow *TestEndToEnd::startFinder()
{
    QProcessEnvironment env = x->clientEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("LANGUAGE"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    auto finder = std::make_unique<FinderWindow>(x.get());
    QString problem;
    if (!finder->start(program, env, &problem)) {
        qWarning("%s", qPrintable(problem));
        return nullptr;
    }
    finders.push_back(std::move(finder));
    return finders.back().get();
}

void TestEndToEnd::startAndFirstSearch()
{
    SimulatorProcess *two = simulator(0, {"--count", "2", "--first-mac", "00:1A:00:00:00:05"});
    SimulatorProcess *one =
        simulator(1, {"--first-mac", "00:0B:00:00:00:01", "--names", "erster", "--ip", "10.0.0.7", "--dhcp"});
    QVERIFY(two && one);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(finder->title(), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));
    QCOMPARE(finder->geometry().size(), WindowSize);
    QVERIFY(finder->movePointerAway());

    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(3)), shownRows(3));
    const QImage shot = finder->grab();
    QVERIFY(looksLike(rowOf(shot, 0), rowShowing({"erster", "00:0B:00:00:00:01", "10.0.0.7", true})));
    QVERIFY(looksLike(rowOf(shot, 1), rowShowing({"sim-gw1", "00:1A:00:00:00:05", "192.168.0.100"})));
    QVERIFY(looksLike(rowOf(shot, 2), rowShowing({"sim-gw2", "00:1A:00:00:00:06", "192.168.0.101"})));
    QVERIFY(looksLike(buttonOf(shot, ZORURuroza::searchButtonRect()), buttonShowing("Suchen", false)));
    QVERIFY(looksLike(buttonOf(shot, ZORURuroza::acceptButtonRect()), buttonShowing("Übernehmen", false)));
    QVERIFY(looksLike(buttonOf(shot, ZORURuroza::closeButtonRect()), buttonShowing("Schließen", false)));

    // A resting row lights up under the pointer.
    QVERIFY(finder->movePointer(ZORURuroza::rowRect(1).center()));
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(3, {"row", "row_over"})),
             shownRows(3, {"row", "row_over"}));

    // The translation folder's stand-in (the program's own folder) is listed, then the locale code.
    QVERIFY2(finder->output().startsWith("gateway-finder\nQLocale: de_DE\nEs wurden 60 Bytes gesendet\n"),
             finder->output().constData());
    QCOMPARE(finder->output().count("Es wurden"), 1);
    // Each simulator also hears the other's replies.
    QCOMPARE(one->receivedFrames().count(discoveryHex), 1);
    QCOMPARE(two->receivedFrames().count(discoveryHex), 1);
}

void TestEndToEnd::thirteenGatewaysTwelveRows()
{
    QVERIFY(simulator(0, {"--count", "7", "--first-mac", "00:00:00:00:00:10"}));
    QVERIFY(simulator(1, {"--count", "6", "--first-mac", "00:00:00:00:00:01"}));
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QVERIFY(finder->movePointerAway());

    // In MAC order: the six of the second simulator, then six of the seven of the first.
    const QImage last = rowShowing({"sim-gw6", "00:00:00:00:00:15", "192.168.0.105"});
    QVERIFY(waitUntil([&] { return looksLike(rowOf(finder->grab(), 11), last); }));
    const QImage shot = finder->grab();
    QCOMPARE(rowLooks(shot), shownRows(12));
    QVERIFY(looksLike(rowOf(shot, 0), rowShowing({"sim-gw1", "00:00:00:00:00:01", "192.168.0.100"})));
    QVERIFY(looksLike(rowOf(shot, 5), rowShowing({"sim-gw6", "00:00:00:00:00:06", "192.168.0.105"})));
    QVERIFY(looksLike(rowOf(shot, 6), rowShowing({"sim-gw1", "00:00:00:00:00:10", "192.168.0.100"})));
}

void TestEndToEnd::duplicateMacUpdatesInPlace()
{
    QVERIFY(simulator(0, {"--first-mac", "00:22:00:00:00:01", "--names", "frueh"}));
    QVERIFY(simulator(1, {"--first-mac", "00:22:00:00:00:01", "--names", "spaet", "--ip", "192.168.0.200",
                          "--delay", "1500"}));
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QVERIFY(finder->movePointerAway());

    const QImage early = rowShowing({"frueh", "00:22:00:00:00:01", "192.168.0.100"});
    const QImage late = rowShowing({"spaet", "00:22:00:00:00:01", "192.168.0.200"});
    QVERIFY(waitUntil([&] { return looksLike(rowOf(finder->grab(), 0), early); }));
    QCOMPARE(rowLooks(finder->grab()), shownRows(1));
    QVERIFY(waitUntil([&] { return looksLike(rowOf(finder->grab(), 0), late); }));
    QCOMPARE(rowLooks(finder->grab()), shownRows(1));
}

void TestEndToEnd::searchClearsAndRefills()
{
    SimulatorProcess *sim = simulator(0, {"--count", "2", "--delay", "1500"});
    QVERIFY(sim);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QVERIFY(finder->movePointerAway());
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(2)), shownRows(2));

    const QRect search = ZORURuroza::searchButtonRect();
    QVERIFY(finder->press(search.center()));
    const QImage pressed = buttonShowing("Suchen", true);
    QVERIFY(waitUntil([&] { return looksLike(buttonOf(finder->grab(), search), pressed); }));
    QCOMPARE(sim->receivedFrames().size(), 1); // a button acts when it is released
    QVERIFY(finder->release());

    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(0)), shownRows(0));
    QVERIFY(looksLike(buttonOf(finder->grab(), search), buttonShowing("Suchen", false)));
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(2)), shownRows(2));
    QCOMPARE(sim->receivedFrames(), QStringList({discoveryHex, discoveryHex}));
    QCOMPARE(finder->output().count("Es wurden 60 Bytes gesendet\n"), 2);
}

void TestEndToEnd::settingsChange()
{
    SimulatorProcess *sim = simulator(0, {"--count", "2", "--names", "alt"});
    QVERIFY(sim);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(2)), shownRows(2));

    QVERIFY(finder->click(rowSurface(0)));
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(2, {"row_active"})),
             shownRows(2, {"row_active"}));
    QVERIFY(finder->click(endOfEditor(0, Row::Ip)));
    QVERIFY(finder->keys({"End", "BackSpace", "BackSpace", "BackSpace"}));
    QVERIFY(finder->type("150"));
    QVERIFY(finder->click(endOfEditor(0, Row::Name)));
    QVERIFY(finder->keys({"End", "BackSpace", "BackSpace", "BackSpace", "BackSpace"}));
    QVERIFY(finder->type("neu-1"));
    QCOMPARE(markedFields(finder->grab(), 0), QStringList());

    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    const QString expected = QStringLiteral("02"
                                            "024746000001"
                                            "000000000000"
                                            "00"
                                            "c0a80096"
                                            "ffffff00"
                                            "c0a80001"
                                            "c0a80001") +
                             hostNameHex("neu-1");
    QCOMPARE(waitFor([&] { return settingsFrames(sim->receivedFrames()); }, QStringList{expected}),
             QStringList{expected});
    QElapsedTimer sinceSent;
    sinceSent.start();

    const QImage acknowledged = popupShowing({"Einstellungen wurden erfolgreich gespeichert!"}, "Meldung");
    QVERIFY(waitUntil([&] { return looksLike(finder->grab().copy(popupPanel), acknowledged); }));
    QVERIFY2(finder->output().contains("\nName des Gateways: neu-1\n"), finder->output().constData());

    // Two more searches follow, about 2 s and 4 s after the acknowledgement.
    QList<qint64> searches;
    int seen = int(sim->receivedFrames().count(discoveryHex));
    QCOMPARE(seen, 1);
    while (sinceSent.elapsed() < 6500) {
        QTest::qWait(20);
        const int now = int(sim->receivedFrames().count(discoveryHex));
        for (; seen < now; ++seen)
            searches << sinceSent.elapsed();
    }
    QCOMPARE(searches.size(), 2);
    QVERIFY2(searches.at(0) > 1700 && searches.at(0) < 3000, QByteArray::number(searches.at(0)));
    QVERIFY2(searches.at(1) - searches.at(0) > 1700 && searches.at(1) - searches.at(0) < 2500,
             QByteArray::number(searches.at(1)));

    // The popup stays until its OK; then the list shows the gateway's new values.
    QVERIFY(showsPopupPanel(finder->grab()));
    QVERIFY(finder->click(popupOkButton()));
    QVERIFY(finder->movePointerAway());
    QVERIFY(waitUntil([&] { return !showsPopupPanel(finder->grab()); }));
    const QImage changed = rowShowing({"neu-1", "02:47:46:00:00:01", "192.168.0.150"});
    QVERIFY(waitUntil([&] { return looksLike(rowOf(finder->grab(), 0), changed); }));
    const QImage shot = finder->grab();
    QCOMPARE(rowLooks(shot), shownRows(2));
    QVERIFY(looksLike(rowOf(shot, 1), rowShowing({"alt2", "02:47:46:00:00:02", "192.168.0.101"})));
}

void TestEndToEnd::dhcpChange()
{
    SimulatorProcess *sim = simulator(0, {"--count", "1"});
    QVERIFY(sim);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(1)), shownRows(1));

    QVERIFY(finder->click(dhcpBox(0)));
    QVERIFY(finder->movePointerAway());
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(1, {"row_active"})),
             shownRows(1, {"row_active"}));
    const QRect box = Row::dhcpBoxRect().translated(ZORURuroza::rowRect(0).topLeft());
    QVERIFY(looksLike(finder->grab().copy(box), svgImage(":/images/cb_checked", box.size())));

    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    const QString expected = QStringLiteral("02"
                                            "024746000001"
                                            "000000000000"
                                            "01"
                                            "c0a80064"
                                            "ffffff00"
                                            "c0a80001"
                                            "c0a80001") +
                             hostNameHex("sim-gw");
    QCOMPARE(waitFor([&] { return settingsFrames(sim->receivedFrames()); }, QStringList{expected}),
             QStringList{expected});

    const QImage acknowledged = popupShowing({"Einstellungen wurden erfolgreich gespeichert!"}, "Meldung");
    QVERIFY(waitUntil([&] { return looksLike(finder->grab().copy(popupPanel), acknowledged); }));
    QVERIFY(finder->click(popupOkButton()));
    QVERIFY(finder->movePointerAway());
    const QImage changed = rowShowing({"sim-gw", "02:47:46:00:00:01", "192.168.0.100", true});
    QVERIFY(waitUntil([&] { return looksLike(rowOf(finder->grab(), 0), changed); }));
}

void TestEndToEnd::invalidInputBlocksAccept()
{
    SimulatorProcess *sim = simulator(0, {"--count", "1"});
    QVERIFY(sim);
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(1)), shownRows(1));

    QVERIFY(finder->click(rowSurface(0)));
    QVERIFY(finder->click(endOfEditor(0, Row::Ip)));
    QVERIFY(finder->keys({"End"}));
    QVERIFY(finder->type("9")); // 192.168.0.1009
    QCOMPARE(waitFor([&] { return markedFields(finder->grab(), 0); }, QStringList{"ip"}), QStringList{"ip"});

    QVERIFY(finder->click(ZORURuroza::acceptButtonRect().center()));
    QTest::qWait(QuietMs);
    QCOMPARE(settingsFrames(sim->receivedFrames()), QStringList());
    const QImage shot = finder->grab();
    QVERIFY(!showsPopupPanel(shot));
    QCOMPARE(markedFields(shot, 0), QStringList{"ip"});
    QCOMPARE(rowLooks(shot), shownRows(1, {"row_active"}));
    QVERIFY(!finder->output().contains("Name des Gateways"));
}

void TestEndToEnd::secondCopyShowsConnectionError()
{
    SimulatorProcess *sim = simulator(0, {"--count", "1"});
    QVERIFY(sim);
    FinderWindow *first = startFinder();
    QVERIFY(first);
    QVERIFY(first->movePointerAway());
    QCOMPARE(waitFor([&] { return rowLooks(first->grab()); }, shownRows(1)), shownRows(1));

    FinderWindow *second = startFinder();
    QVERIFY(second);
    const QImage connectionError = popupShowing(
        {"Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!", "",
         "Mögliche Ursachen:", "", "1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet.",
         "Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden.", "",
         "2) Der ZAN-Dezezazudazi ist gestartet.",
         "Lösung: Bitte den ZAN-Dezezazudazi beenden und den ZAN-IP-Gateway-Finder neu starten."},
        "Verbindungsfehler");
    QVERIFY(waitUntil([&] { return looksLike(second->grab().copy(popupPanel), connectionError); }));
    QCOMPARE(second->title(), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));
    QTest::qWait(QuietMs);
    QCOMPARE(second->output(), QByteArray("gateway-finder\nQLocale: de_DE\n")); // no search
    QCOMPARE(sim->receivedFrames(), QStringList{discoveryHex});

    QVERIFY(second->click(popupOkButton()));
    QVERIFY(second->waitForExit(ExitTimeoutMs));
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(first->isRunning());
    QCOMPARE(waitFor([&] { return rowLooks(first->grab()); }, shownRows(1)), shownRows(1));
}

void TestEndToEnd::closing_data()
{
    QTest::addColumn<bool>("closeControl");
    QTest::newRow("window's close control") << true;
    QTest::newRow("Schließen") << false;
}

void TestEndToEnd::closing()
{
    QFETCH(bool, closeControl);
    QVERIFY(simulator(0, {"--count", "1"}));
    FinderWindow *finder = startFinder();
    QVERIFY(finder);
    QCOMPARE(waitFor([&] { return rowLooks(finder->grab()); }, shownRows(1)), shownRows(1));

    if (closeControl)
        QVERIFY(finder->requestClose());
    else
        QVERIFY(finder->click(ZORURuroza::closeButtonRect().center()));
    QVERIFY(finder->waitForExit(ExitTimeoutMs));
    QCOMPARE(finder->exitCode(), 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
