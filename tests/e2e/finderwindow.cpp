#include "finderwindow.h"

#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QTest>

namespace {

const int WindowTimeoutMs = 30000; // the sanitizer build starts slowly
const int StopTimeoutMs = 5000;
const int TypeDelayMs = 25;
const QString Xdotool = QStringLiteral("xdotool");

QStringList pointerAt(quint32 window, QPoint at)
{
    return {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
            QString::number(at.x()), QString::number(at.y())};
}

} // namespace

FinderWindow::FinderWindow(const XvfbServer *server, QObject *parent)
    : QObject(parent), server(server), process(new QProcess(this))
{
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

FinderWindow::~FinderWindow()
{
    if (!isRunning())
        return;
    process->terminate();
    if (!process->waitForFinished(StopTimeoutMs)) {
        process->kill();
        process->waitForFinished();
    }
}

bool FinderWindow::start(const QString &program, const QProcessEnvironment &environment, QString *problem)
{
    process->setProcessEnvironment(environment);
    process->start(program, {});
    if (!process->waitForStarted()) {
        *problem = QStringLiteral("%1 does not start: %2").arg(program, process->errorString());
        return false;
    }
    if (!findWindow(WindowTimeoutMs)) {
        *problem = QStringLiteral("no window of %1 appeared").arg(program);
        return false;
    }
    return true;
}

bool FinderWindow::findWindow(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && isRunning()) {
        bool ok = false;
        const QByteArray ids =
            server->run(Xdotool,
                        {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--pid"), QString::number(process->processId()),
                         QStringLiteral("--name"), QStringLiteral("Gateway Finder")},
                        &ok);
        if (ok && !ids.trimmed().isEmpty()) {
            window = ids.trimmed().split('\n').first().toUInt();
            return window != 0;
        }
        QTest::qWait(100);
    }
    return false;
}

QRect FinderWindow::geometry() const
{
    const QByteArray shell = server->run(
        Xdotool, {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)});
    QRect rect;
    for (const QByteArray &line : shell.split('\n')) {
        const int value = line.mid(line.indexOf('=') + 1).toInt();
        if (line.startsWith("X="))
            rect.moveLeft(value);
        else if (line.startsWith("Y="))
            rect.moveTop(value);
        else if (line.startsWith("WIDTH="))
            rect.setWidth(value);
        else if (line.startsWith("HEIGHT="))
            rect.setHeight(value);
    }
    return rect;
}

QString FinderWindow::title() const
{
    return QString::fromUtf8(server->run(Xdotool, {QStringLiteral("getwindowname"), QString::number(window)}))
        .chopped(1);
}

bool FinderWindow::movePointer(QPoint at) const
{
    return server->xdotool(pointerAt(window, at));
}

bool FinderWindow::click(QPoint at) const
{
    return server->xdotool(pointerAt(window, at) << QStringLiteral("click") << QStringLiteral("1"));
}

bool FinderWindow::press(QPoint at) const
{
    return server->xdotool(pointerAt(window, at) << QStringLiteral("mousedown") << QStringLiteral("1"));
}

bool FinderWindow::release() const
{
    return server->xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

bool FinderWindow::movePointerAway() const
{
    const QRect rect = geometry();
    return server->xdotool({QStringLiteral("mousemove"), QString::number(rect.right() + 20),
                            QString::number(rect.bottom() + 20)});
}

bool FinderWindow::type(const QString &text) const
{
    return server->xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QString::number(TypeDelayMs), text});
}

bool FinderWindow::keys(const QStringList &keyNames) const
{
    return server->xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(TypeDelayMs)} +
        keyNames);
}

bool FinderWindow::requestClose() const
{
    return server->requestClose(window);
}

QImage FinderWindow::grab() const
{
    return server->grab(window);
}

QByteArray FinderWindow::output()
{
    // The pipe is read here and not only by the event loop, which the test may not have run since.
    while (process->waitForReadyRead(0)) {
    }
    out += process->readAllStandardOutput();
    return out;
}

bool FinderWindow::waitForExit(int timeoutMs)
{
    return !isRunning() || process->waitForFinished(timeoutMs);
}

bool FinderWindow::isRunning() const
{
    return process->state() != QProcess::NotRunning;
}

int FinderWindow::exitCode() const
{
    if (isRunning() || process->exitStatus() != QProcess::NormalExit)
        return -1;
    return process->exitCode();
}
