#include "simulatorprocess.h"

#include "netnstest.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>

SimulatorProcess::SimulatorProcess(QObject *parent) : QObject(parent), process(new QProcess(this))
{
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimulatorProcess::~SimulatorProcess()
{
    QString problem;
    if (!terminate(&problem))
        std::fprintf(stderr, "SimulatorProcess: %s\n", qPrintable(problem));
}

bool SimulatorProcess::start(const QString &ns, const QStringList &args, int timeoutMs)
{
    if (isRunning() || !logDir.isValid())
        return false;
    process->start(QStringLiteral("ip"),
                   QStringList{"netns", "exec", ns, NetnsTest::buildDir() + "/gateway-sim", "--ready",
                               "--log", logDir.filePath("frames.log"), "--command-log",
                               logDir.filePath("commands.log")} +
                       args);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains("ready\n") && process->waitForReadyRead(int(deadline.remainingTime())))
        output += process->readAllStandardOutput();
    if (!output.contains("ready\n"))
        process->kill(), process->waitForFinished();
    return isRunning();
}

void SimulatorProcess::stop()
{
    QString problem;
    QVERIFY2(terminate(&problem), qPrintable(problem));
}

bool SimulatorProcess::isRunning() const
{
    return process->state() != QProcess::NotRunning;
}

QStringList SimulatorProcess::receivedFrames() const
{
    return readLines(QStringLiteral("frames.log"));
}

QStringList SimulatorProcess::receivedCommands() const
{
    return readLines(QStringLiteral("commands.log"));
}

bool SimulatorProcess::terminate(QString *problem)
{
    if (!isRunning())
        return true;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill(), process->waitForFinished();
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        return true;
    *problem = QStringLiteral("gateway-sim did not end with status 0 on SIGTERM");
    return false;
}

QStringList SimulatorProcess::readLines(const QString &fileName) const
{
    QFile file(logDir.filePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast(); // every line ends with a newline, so the last part is empty or incomplete
    return lines;
}
