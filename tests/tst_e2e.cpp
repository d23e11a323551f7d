// The real gateway-finder on a private X server (the test runs under xvfb-run, in a private D-Bus
// session), against simulated gateways in other network namespaces, driven through its window with
// xdotool and checked on the screen's pixels, on its standard output and on its exit code. The
// expected pixels are painted here from the design's images, colours and rectangles. What a screen
// reader makes of the window is tst_orca.py's business.
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const int TimeoutMs = 20000; // the sanitizer build starts and paints slowly
const QPoint Search(72, 565), Accept(646, 565), Close(787, 565), PopupOk(627, 416);

// The editors of a row in edit mode, x and width: name, MAC, IP, subnet, gateway, name server.
const std::pair<int, int> Editors[] = {{14, 123}, {152, 100}, {273, 105}, {398, 100}, {518, 105}, {643, 105}};

// A gateway's name, MAC, IP and the image of its DHCP box.
using Gateway = QStringList;
const Gateway Alt1{"alt1", "02:47:46:00:00:01", "192.168.0.100", "cb_normal"},
    Alt2{"alt2", "02:47:46:00:00:02", "192.168.0.101", "cb_normal"};

// The window as the design paints it: an image filling it, then images and text added.
struct Picture
{
    QImage image{857, 600, QImage::Format_RGB32};
    QPainter painter{&image};

    explicit Picture(const char *background) { image.fill(Qt::black), draw(background, image.rect()); }
    void draw(const char *name, QRectF at) { QSvgRenderer(":/images/" + QString(name)).render(&painter, at); }
    void pen(const char *family, int pixelSize, QRgb colour)
    {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(pixelSize);
        painter.setFont(font);
        painter.setPen(QColor(colour));
    }
};

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

    explicit Finder(const QString &program)
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
    // Waits until the window's pixels are near the picture's in every region (another process may
    // round a channel differently). Unlike QTRY_*, the time limit holds however long one grab takes.
    bool shows(const Picture &expected, const QList<QRect> &regions) const
    {
        const QDeadlineTimer deadline(TimeoutMs);
        for (;; QTest::qWait(50)) {
            const QImage shot = QGuiApplication::primaryScreen()->grabWindow(window.toULongLong()).toImage();
            bool same = shot.size() == expected.image.size();
            for (const QRect &r : regions)
                for (int y = r.top(); same && y <= r.bottom(); ++y)
                    for (int x = r.left(); same && x <= r.right(); ++x) {
                        const QRgb p = shot.pixel(x, y), q = expected.image.pixel(x, y);
                        same = qAbs(qRed(p) - qRed(q)) <= 3 && qAbs(qGreen(p) - qGreen(q)) <= 3 &&
                               qAbs(qBlue(p) - qBlue(q)) <= 3;
                    }
            if (same || deadline.hasExpired())
                return same;
        }
    }
    // Keys as the keyboard sends them to the window that has the focus.
    void keys(const QString &keys) const { xdotool(QStringList{"key", "--delay", "50"} + keys.split(' ')); }
    // Ends by itself, not by a crash, with status 0.
    bool ended()
    {
        return process.waitForFinished(TimeoutMs) && !process.exitStatus() && !process.exitCode();
    }
};

// The header with its seven column titles, and the twelve row slots: the gateways in order, each
// row's values in light grey cut at their column rectangles and its DHCP box, then the bare window;
// the buttons below.
bool showsRows(const Finder &finder, const QList<Gateway> &gateways)
{
    Picture expected("background");
    expected.draw("head", QRectF(17, 20, 826, 31));
    expected.pen("Arial", 11, 0x888888);
    const QStringList titles{"Hostname", "MAC-Adresse", "IP-Adresse", "Subnetmaske",
                             "Gateway",  "Nameserver",  "DHCP"};
    for (int i = 0; i < 7; ++i)
        expected.painter.drawText(QPointF(QList{33, 173, 293, 420, 540, 660, 785}.at(i), 41), titles.at(i));
    expected.pen("Arial", 11, 0xE5E5E5);
    expected.painter.translate(17, 11);
    for (const Gateway &g : gateways) {
        expected.painter.translate(0, 40);
        expected.draw("row", QRectF(0, 0, 826, 40));
        const QStringList texts = g.mid(0, 3) + QStringList{"255.255.255.0", "192.168.0.1", "192.168.0.1"};
        for (int i = 0; i < 6; ++i)
            expected.painter.drawText(QRect(QList{16, 156, 276, 403, 523, 643}.at(i), 0, i ? 100 : 123, 40),
                                      Qt::AlignVCenter, texts.at(i));
        expected.draw(qPrintable(g.at(3)), QRectF(768, 13, 13, 13));
    }
    expected.painter.resetTransform();
    for (int x : {16, 590, 731}) // the tops of "Suchen", "Übernehmen" and "Schließen", above their captions
        expected.draw("btn_normal", QRectF(x, 552, 113, 27));
    return finder.shows(expected, {QRect(17, 20, 826, 511), QRect(0, 540, 857, 18)});
}

// A message popup: title and lines on the panel, its only button in the place of "Abbrechen".
bool showsPopup(const Finder &finder, const QString &title, const QString &lines)
{
    Picture expected("popup_bg");
    expected.pen("Arial", 16, 0xE5E5E5);
    expected.painter.drawText(QRectF(182, 127, 485, 38), Qt::AlignLeft | Qt::AlignVCenter, title);
    expected.pen("Verdana", 11, 0x888888);
    for (int i = 0; i < lines.count('\n') + 1; ++i)
        expected.painter.drawText(QRectF(184, 188 + 16 * i, 503, 16), Qt::AlignLeft | Qt::AlignTop,
                                  lines.section('\n', i, i));
    expected.draw("popup_btn_normal", QRect(571, 403, 113, 27));
    // The panel above the buttons, and the button row up to the OK caption.
    return finder.shows(expected, {QRect(168, 131, 532, 265), QRect(430, 400, 170, 33)});
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searchEditAndClose();

private:
    QTemporaryDir dir;
    QString program;
};

void TestEndToEnd::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    // A copy alone in its folder: no translation folder beside it, so the German edition runs, and the
    // folder it lists holds just the program.
    program = dir.filePath(QStringLiteral("gateway-finder"));
    QVERIFY(QFile::copy(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), program));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    qputenv("LC_ALL", "de_DE.UTF-8");
    // The accessibility code runs, and must leave the window's look alone.
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
}

void TestEndToEnd::searchEditAndClose()
{
    SimulatorProcess sim, other;
    QVERIFY(sim.start(NetnsTest::gatewayNamespaces().at(0), {"--count", "2", "--names", "alt"}));
    QVERIFY(other.start(NetnsTest::gatewayNamespaces().at(1), {"--first-mac", "00:22:00:00:00:01", "--names",
                                                               "frueh", "--ip", "192.168.0.50", "--dhcp"}));
    Finder finder(program);
    QCOMPARE(xdotool({"getwindowname", finder.window}), QByteArray("ZAN-IP-Gateway Finder 1.1.2\n"));
    QVERIFY(showsRows(finder, {{"frueh", "00:22:00:00:00:01", "192.168.0.50", "cb_checked"}, Alt1, Alt2}));

    // "Suchen" searches again and forgets the gateways that no longer answer.
    other.stop();
    finder.click(Search);
    QVERIFY(showsRows(finder, {Alt1, Alt2}));

    // An invalid address is marked and keeps the changes from being sent. In edit mode each editor's
    // frame stands at its x, the active row's image right after it, the error mark beside the IP.
    const auto edit = [&](int editor, int erase, const QString &text) {
        finder.click({17 + Editors[editor].first + Editors[editor].second / 2, 71});
        xdotool(QStringList{"key", "End"} + QStringList(erase, "BackSpace"));
        xdotool({"type", text});
    };
    finder.click({22, 56});
    edit(2, 0, "9"); // IP 192.168.0.1009
    Picture editing("background");
    editing.draw("row_active", QRectF(17, 51, 826, 40));
    editing.draw("row_error", QRectF(17 + 381, 51 + 15, 11, 11));
    QList<QRect> columns{{17 + 386, 51, 1, 40}};
    for (const auto &[x, width] : Editors) {
        editing.draw(width == 100 ? "100" : "105", QRectF(17 + x, 51 + 12, width, 17));
        for (int at : {x, x + width - 1, x + width + 1})
            columns << QRect(17 + at, 51, 1, 40);
    }
    QVERIFY(finder.shows(editing, columns));
    finder.click(Accept);
    QTest::qWait(1000);
    // The requests that reached the simulator are the two searches.
    QCOMPARE(sim.receivedFrames().filter(QRegularExpression("^0[12]")).size(), 2);

    // Valid changes go out and are confirmed; after the popup's OK the row shows the gateway's new values.
    edit(2, 4, "150");
    edit(0, 4, "neu-1");
    finder.click(Accept);
    QVERIFY(showsPopup(finder, "Meldung", "Einstellungen wurden erfolgreich gespeichert!"));
    finder.click(PopupOk);
    QVERIFY(showsRows(finder, {{"neu-1", "02:47:46:00:00:01", "192.168.0.150", "cb_normal"}, Alt2}));

    // A second copy cannot have the gateway port: it explains, does not search, and its OK ends it.
    Finder second(program);
    QVERIFY(showsPopup(second, "Verbindungsfehler",
                       "Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!\n\n"
                       "Mögliche Ursachen:\n\n1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet.\n"
                       "Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden.\n\n"
                       "2) Der ZAN-Dezezazudazi ist gestartet.\nLösung: Bitte den ZAN-Dezezazudazi beenden "
                       "und den ZAN-IP-Gateway-Finder neu starten."));
    second.click(PopupOk);
    QVERIFY(second.ended());
    QCOMPARE(second.process.readAllStandardOutput(), QByteArray("gateway-finder\nQLocale: de_DE\n"));

    finder.click(Close);
    QVERIFY(finder.ended());
    const QByteArray printed = finder.process.readAllStandardOutput();
    QVERIFY(printed.startsWith("gateway-finder\nQLocale: de_DE\nEs wurden 60 Bytes gesendet\n"));
    QVERIFY(printed.contains("\nName des Gateways: neu-1\n"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
