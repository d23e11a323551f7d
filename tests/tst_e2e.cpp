// The real gateway-finder on a private X server (the test runs under xvfb-run), against simulated
// gateways in other network namespaces, driven through its window with xdotool and checked on the
// screen's pixels, on the simulators' frame logs, on its standard output and on its exit code. The
// expected pixels are painted here from the design's images, colours and rectangles.
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const int TimeoutMs = 20000; // the sanitizer build starts and paints slowly
const int QuietMs = 1000;    // how long to watch for something that must not happen
const QString DiscoveryHex = QStringLiteral("01") + QString(118, QLatin1Char('0'));
const QPoint Search(72, 565), Accept(646, 565), Close(787, 565), PopupOk(627, 416);
const QStringList Acknowledgement = {QStringLiteral("Einstellungen wurden erfolgreich gespeichert!")};

QRect rowRect(int k)
{
    return {17, 51 + 40 * k, 826, 40};
}

// The editors of a row in edit mode: x, width and image (name, MAC, IP, subnet, gateway, name server).
struct Editor
{
    int x, width;
    const char *image;
};
const Editor Editors[] = {{14, 123, "105"},  {152, 100, "100"}, {273, 105, "105"},
                          {398, 100, "100"}, {518, 105, "105"}, {643, 105, "105"}};
enum { Name, Mac, Ip };

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
    const auto near = [](QRgb p, QRgb q) {
        return qAbs(qRed(p) - qRed(q)) <= 3 && qAbs(qGreen(p) - qGreen(q)) <= 3 &&
               qAbs(qBlue(p) - qBlue(q)) <= 3;
    };
    const auto *pixels = reinterpret_cast<const QRgb *>(actual.constBits());
    return actual.size() == expected.size() &&
           std::equal(pixels, pixels + actual.width() * actual.height(),
                      reinterpret_cast<const QRgb *>(expected.constBits()), near);
}

void render(QPainter &painter, const QString &image, const QRectF &at)
{
    QSvgRenderer(QStringLiteral(":/images/") + image).render(&painter, at);
}

QImage picture(QSize size, const QString &image)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    render(painter, image, QRectF(picture.rect()));
    return picture;
}

void pen(QPainter &painter, const char *family, int pixelSize, QRgb colour)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(QColor(colour));
}

QByteArray xdotool(const QStringList &args)
{
    QProcess client;
    client.start(QStringLiteral("xdotool"), args);
    client.waitForFinished(TimeoutMs);
    return client.readAllStandardOutput();
}

// One run of the real program, handled through its window: clicks and keys at window coordinates,
// what the screen shows and what it prints.
struct Finder
{
    QProcess process;
    QString window;
    QByteArray out;

    ~Finder()
    {
        process.kill();
        process.waitForFinished();
    }
    void start(const QString &program)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, {});
        const QString pid = QString::number(process.waitForStarted() ? process.processId() : 0);
        window = QString::fromLatin1(
            xdotool({"search", "--sync", "--onlyvisible", "--pid", pid}).split('\n').first());
        xdotool({"mousemove", "0", "0"});
    }
    // Clicks at a window position and puts the pointer back at the screen's corner.
    void click(QPoint at) const
    {
        xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click",
                 "1", "mousemove", "0", "0"});
    }
    QImage grab() const
    {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window.toULongLong());
        return shot.toImage().convertToFormat(QImage::Format_RGB32);
    }
    QByteArray output() { return out += process.readAllStandardOutput(); }
    bool endsWell()
    {
        return process.waitForFinished(TimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
};

struct Gateway
{
    QString name, mac, ip;
    bool dhcp = false;
};

// A resting row: its values in light grey on the row image, columns cut at their rectangles, and
// the DHCP box at the right end.
QImage rowPicture(const Gateway &g)
{
    QImage row = picture({826, 40}, QStringLiteral("row"));
    QPainter painter(&row);
    pen(painter, "Arial", 11, 0xE5E5E5);
    const std::pair<QRect, QString> texts[] = {
        {{16, 0, 123, 40}, g.name},         {{156, 0, 100, 40}, g.mac},
        {{276, 0, 100, 40}, g.ip},          {{403, 0, 100, 40}, QStringLiteral("255.255.255.0")},
        {{523, 0, 100, 40}, "192.168.0.1"}, {{643, 0, 100, 40}, "192.168.0.1"}};
    for (const auto &[rect, text] : texts)
        painter.drawText(rect, Qt::AlignVCenter, text);
    render(painter, g.dhcp ? QStringLiteral("cb_checked") : QStringLiteral("cb_normal"),
           QRect(768, 13, 13, 13));
    return row;
}

// Waits until the header shows the column titles and the twelve row slots show the gateways in
// order and then the bare window; returns the first slot that still shows something else (12 for
// the header), or -1.
int waitForRows(Finder *finder, const QList<Gateway> &gateways)
{
    QImage window = picture({857, 600}, QStringLiteral("background"));
    QPainter painter(&window);
    render(painter, QStringLiteral("head"), QRectF(17, 20, 826, 31));
    pen(painter, "Arial", 11, 0x888888);
    const std::pair<int, const char *> titles[] = {
        {33, "Hostname"}, {173, "MAC-Adresse"}, {293, "IP-Adresse"}, {420, "Subnetmaske"},
        {540, "Gateway"}, {660, "Nameserver"},  {785, "DHCP"}};
    for (const auto &[x, title] : titles)
        painter.drawText(QPointF(x, 41), QString::fromLatin1(title));
    const auto firstWrongSlot = [&] {
        const QImage shot = finder->grab();
        for (int k = 0; k < 12; ++k) {
            const QImage expected =
                k < gateways.size() ? rowPicture(gateways.at(k)) : window.copy(rowRect(k));
            if (!looksLike(shot.copy(rowRect(k)), expected))
                return k;
        }
        return looksLike(shot.copy(17, 20, 826, 31), window.copy(17, 20, 826, 31)) ? -1 : 12;
    };
    return waitFor(firstWrongSlot, -1);
}

// Row 0 in edit mode with its IP marked invalid: each editor's frame at its x, the active row's
// image right after it, and the error mark beside the IP editor.
bool showsEditorsWithIpMarked(const QImage &shot)
{
    QImage expected = picture({826, 40}, QStringLiteral("row_active"));
    QPainter painter(&expected);
    QList<int> columns{386};
    for (const Editor &e : Editors) {
        render(painter, QString::fromLatin1(e.image), QRect(e.x, 12, e.width, 17));
        columns << e.x << e.x + e.width - 1 << e.x + e.width + 1;
    }
    render(painter, QStringLiteral("row_error"), QRectF(381, 15, 11, 11));
    const QImage row = shot.copy(rowRect(0));
    return std::all_of(columns.cbegin(), columns.cend(),
                       [&](int x) { return looksLike(row.copy(x, 0, 1, 40), expected.copy(x, 0, 1, 40)); });
}

// A message popup: title and lines on the panel, its only button in the place of "Abbrechen".
bool showsPopup(Finder *finder, const QString &title, const QStringList &lines)
{
    QImage expected = picture({857, 600}, QStringLiteral("popup_bg"));
    QPainter painter(&expected);
    pen(painter, "Arial", 16, 0xE5E5E5);
    painter.drawText(QRectF(182, 127, 485, 38), Qt::AlignLeft | Qt::AlignVCenter, title);
    pen(painter, "Verdana", 11, 0x888888);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRectF(184, 188 + 16 * i, 503, 16), Qt::AlignLeft | Qt::AlignTop, lines.at(i));
    render(painter, QStringLiteral("popup_btn_normal"), QRect(571, 403, 113, 27));
    // The panel above the buttons, and the button row up to the OK caption.
    const QRect panel(168, 131, 532, 265), buttons(430, 400, 170, 33);
    return waitFor(
        [&] {
            const QImage shot = finder->grab();
            return looksLike(shot.copy(panel), expected.copy(panel)) &&
                   looksLike(shot.copy(buttons), expected.copy(buttons));
        },
        true);
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

// The gateways of the first simulator from alt<first> to alt<last>.
QList<Gateway> alts(int first, int last)
{
    QList<Gateway> gateways;
    for (int n = first; n <= last; ++n)
        gateways.append({QString::asprintf("alt%d", n), QString::asprintf("02:47:46:00:00:%02X", n),
                         QString::asprintf("192.168.0.%d", 99 + n)});
    return gateways;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void searchEditAndClose();
};

void TestEndToEnd::searchEditAndClose()
{
    NetnsTest::requirePrivateNetwork();
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // A copy alone in its folder: no translation folder beside it, so the German edition runs.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("gateway-finder"));
    QVERIFY(QFile::copy(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), program));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    qputenv("LC_ALL", "de_DE.UTF-8");
    SimulatorProcess sim, early, late;
    const QStringList ns = NetnsTest::gatewayNamespaces();
    QVERIFY(sim.start(ns.at(0), {"--count", "12", "--names", "alt"}));
    QVERIFY(early.start(ns.at(1),
                        {"--first-mac", "00:22:00:00:00:01", "--names", "frueh", "--ip", "192.168.0.50"}));
    QVERIFY(late.start(ns.at(2), {"--first-mac", "00:22:00:00:00:01", "--names", "spaet", "--ip",
                                  "192.168.0.200", "--delay", "2000"}));
    Finder finder;
    finder.start(program);
    QCOMPARE(xdotool({"getwindowname", finder.window}), QByteArray("ZAN-IP-Gateway Finder 1.1.2\n"));

    // The first twelve of thirteen in MAC order; the later reply for a MAC replaces its row in place.
    QCOMPARE(
        waitForRows(&finder, QList<Gateway>{{"frueh", "00:22:00:00:00:01", "192.168.0.50"}} + alts(1, 11)),
        -1);
    QCOMPARE(
        waitForRows(&finder, QList<Gateway>{{"spaet", "00:22:00:00:00:01", "192.168.0.200"}} + alts(1, 11)),
        -1);
    QVERIFY(finder.output().startsWith("gateway-finder\nQLocale: de_DE\nEs wurden 60 Bytes gesendet\n"));

    // A new search forgets the gateways that no longer answer.
    early.stop();
    late.stop();
    finder.click(Search);
    QCOMPARE(waitForRows(&finder, alts(1, 12)), -1);
    QCOMPARE(sim.receivedFrames().count(DiscoveryHex), 2);

    // An invalid address is marked and keeps the changes from being sent.
    const auto edit = [&](int editor, int erase, const QString &text) {
        finder.click(rowRect(0).topLeft() + QPoint(Editors[editor].x + Editors[editor].width / 2, 20));
        xdotool(QStringList{"key", "End"} + QStringList(erase, "BackSpace"));
        xdotool({"type", text});
    };
    finder.click(rowRect(0).topLeft() + QPoint(5, 5));
    edit(Ip, 0, "9"); // 192.168.0.1009
    QVERIFY(waitFor([&] { return showsEditorsWithIpMarked(finder.grab()); }, true));
    finder.click(Accept);
    QTest::qWait(QuietMs);
    QCOMPARE(settingsFrames(&sim), QStringList());

    edit(Ip, 4, "150");
    edit(Name, 4, "neu-1");
    finder.click(Accept);
    const QString changed =
        settingsFrame("02 024746000001 000000000000 00 c0a80096 ffffff00 c0a80001 c0a80001", "neu-1");
    QCOMPARE(waitFor([&] { return settingsFrames(&sim); }, QStringList{changed}), QStringList{changed});
    QElapsedTimer sinceSent;
    sinceSent.start();

    // Two more searches follow, about 2 s and 4 s after the acknowledgement.
    QList<qint64> searches;
    while (sinceSent.elapsed() < 6500) {
        QTest::qWait(20);
        if (sim.receivedFrames().count(DiscoveryHex) > 2 + searches.size())
            searches << sinceSent.elapsed();
    }
    QCOMPARE(searches.size(), 2);
    const qint64 gap = searches.at(1) - searches.at(0);
    QVERIFY2(searches.at(0) > 1700 && searches.at(0) < 3000 && gap > 1700 && gap < 2500,
             qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(searches.at(0)).arg(gap)));
    // The popup stays until its OK; then the row shows the gateway's new values.
    QVERIFY(showsPopup(&finder, "Meldung", Acknowledgement));
    QVERIFY(finder.output().contains("\nName des Gateways: neu-1\n"));
    finder.click(PopupOk);
    QList<Gateway> shown = QList<Gateway>{{"neu-1", "02:47:46:00:00:01", "192.168.0.150"}} + alts(2, 12);
    QCOMPARE(waitForRows(&finder, shown), -1);

    // Switching DHCP on sends the row's values with byte 13 set.
    finder.click(rowRect(1).topLeft() + QPoint(774, 19));
    finder.click(Accept);
    const QString dhcp =
        settingsFrame("02 024746000002 000000000000 01 c0a80065 ffffff00 c0a80001 c0a80001", "alt2");
    QCOMPARE(waitFor([&] { return settingsFrames(&sim); }, QStringList{changed, dhcp}),
             QStringList({changed, dhcp}));
    QVERIFY(showsPopup(&finder, "Meldung", Acknowledgement));
    finder.click(PopupOk);
    shown[1].dhcp = true;
    QCOMPARE(waitForRows(&finder, shown), -1);

    // A second copy cannot have the gateway port: it explains, sends nothing, and its OK ends it.
    Finder second;
    second.start(program);
    QVERIFY(showsPopup(
        &second, "Verbindungsfehler",
        {"Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!", "",
         "Mögliche Ursachen:", "", "1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet.",
         "Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden.", "",
         "2) Der ZAN-Dezezazudazi ist gestartet.",
         "Lösung: Bitte den ZAN-Dezezazudazi beenden und den ZAN-IP-Gateway-Finder neu starten."}));
    QTest::qWait(QuietMs);
    QCOMPARE(second.output(), QByteArray("gateway-finder\nQLocale: de_DE\n"));
    second.click(PopupOk);
    QVERIFY(second.endsWell());

    finder.click(Close);
    QVERIFY(finder.endsWell());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
