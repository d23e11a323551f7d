#include "simulatorprocess.h"

#include "netnstest.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>

SimulatorProcess::~SimulatorProcess()
{
    if (!terminate())
        std::fprintf(stderr, "SimulatorProcess: gateway-sim did not end with status 0 on SIGTERM\n");
}

bool SimulatorProcess::start(const QString &ns, const QStringList &args, int timeoutMs)
{
    if (isRunning() || !logDir.isValid())
        return false;
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString sim = NetnsTest::buildDir() + "/gateway-sim";
    process->start("ip",
                   QStringList{"netns", "exec", ns, sim, "--ready", "--log", logDir.filePath("frames.log"),
                               "--command-log", logDir.filePath("commands.log")} +
                       args);
    // gateway-sim prints nothing else on standard output.
    if (!process->waitForReadyRead(timeoutMs) || process->readAllStandardOutput() != "ready\n")
        process->kill(), process->waitForFinished();
    return isRunning();
}

void SimulatorProcess::stop()
{
    QVERIFY2(terminate(), "gateway-sim did not end with status 0 on SIGTERM");
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

bool SimulatorProcess::terminate()
{
    if (!isRunning())
        return true;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill(), process->waitForFinished();
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

QStringList SimulatorProcess::readLines(const QString &fileName) const
{
    QFile file(logDir.filePath(fileName));
    QStringList lines = QString::fromLatin1(file.open(QIODevice::ReadOnly) ? file.readAll() : "").split('\n');
    lines.removeLast(); // every line ends with a newline, so the last part is empty or incomplete
    return lines;
}
