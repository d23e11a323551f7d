// One wheel step with 4,096 gateways listed: the time from the wheel event to the rows refreshed
// and the window painted. The gateways are merged straight into the window, so no reply is needed,
// but the window still binds the gateway port: run it through scripts/bench (a private namespace).
// With QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on an X server with a D-Bus session, the AT-SPI bridge
// is active and gets every event the window sends.
#include "app/zorururoza.h"
#include "netnstest.h"
#include "protocol/gatewaysession.h"
#include "widgets/gatewaylist.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWheelEvent>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    NetnsTest::requirePrivateNetwork();
    const int steps = qMax(1, QCoreApplication::arguments().value(1, QStringLiteral("200")).toInt());

    // The window's diagnostics are written as usual but go nowhere; the figures go to the old stdout.
    FILE *report = fdopen(dup(STDOUT_FILENO), "w");
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);

    ZORURuroza window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the window was not shown");
    for (int i = 0; i < GatewaySession::MaxRecords; ++i) {
        const QString mac = QStringLiteral("02:47:%1:%2:00:01")
                                .arg(i >> 8, 2, 16, QLatin1Char('0'))
                                .arg(i & 255, 2, 16, QLatin1Char('0'))
                                .toUpper();
        window.addGatewayRecord(
            QStringLiteral("gw%1").arg(i), 0, mac, QStringLiteral("10.0.%1.%2").arg(i >> 8).arg(i & 255),
            QStringLiteral("255.255.0.0"), QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1"), false);
    }
    // The bridge comes up once the accessibility bus has been started for it.
    if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000))
            qFatal("the accessibility bridge did not come up");
    QTest::qWait(200);

    GatewayList *list = window.list();
    std::vector<double> ms;
    int direction = -1; // down first
    for (int i = 0; i < steps; ++i) {
        if (list->offset() == list->maxOffset())
            direction = 1;
        else if (list->offset() == 0)
            direction = -1;
        const QPointF at(400, 200);
        QWheelEvent turn(at, list->mapToGlobal(at), {}, {0, 120 * direction}, Qt::NoButton, {},
                         Qt::NoScrollPhase, false);
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(list, &turn);
        window.repaint();
        ms.push_back(clock.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());
    std::fprintf(
        report,
        "wheel step, %d gateways listed, accessibility %s: median %.2f ms, 90th percentile %.2f ms, max "
        "%.2f ms (%d steps of %d rows)\n",
        int(window.records().size()), QAccessible::isActive() ? "active" : "off", ms[ms.size() / 2],
        ms[ms.size() * 9 / 10], ms.back(), steps, QApplication::wheelScrollLines());
    std::fflush(report);
    return 0;
}
