#include "finderwindow.h"

#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

namespace {

const int WindowTimeoutMs = 30000; // the sanitizer build starts slowly

} // namespace

FinderWindow::FinderWindow(const XvfbServer *server, QObject *parent)
    : QObject(parent), server(server), process(new QProcess(this))
{
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

FinderWindow::~FinderWindow()
{
    process->kill();
    process->waitForFinished();
}

bool FinderWindow::start(const QString &program, const QProcessEnvironment &environment)
{
    process->setProcessEnvironment(environment);
    process->start(program, {});
    const QDeadlineTimer deadline(WindowTimeoutMs);
    while (process->waitForStarted() && !deadline.hasExpired()) {
        const QString pid = QString::number(process->processId());
        window = server->xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n').first().toUInt();
        if (window != 0)
            return xdotool({"mousemove", "0", "0"});
        QTest::qWait(100);
    }
    return false;
}

QString FinderWindow::title() const
{
    return QString::fromUtf8(server->xdotool({"getwindowname", QString::number(window)})).chopped(1);
}

bool FinderWindow::xdotool(const QStringList &args) const
{
    bool ok = false;
    server->xdotool(args, &ok);
    return ok;
}

bool FinderWindow::click(QPoint at) const
{
    return xdotool({"mousemove", "--window", QString::number(window), QString::number(at.x()),
                    QString::number(at.y()), "click", "1", "mousemove", "0", "0"});
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
    return out += process->readAllStandardOutput();
}

int FinderWindow::exitCode(int timeoutMs)
{
    if (process->state() != QProcess::NotRunning && !process->waitForFinished(timeoutMs))
        return -1;
    return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
}
