#include "simulatorprocess.h"

#include "netnstest.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {

const int StopTimeoutMs = 5000;
const QString FrameLog = QStringLiteral("frames.log");
const QString CommandLog = QStringLiteral("commands.log");

} // namespace

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
                   QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns,
                               NetnsTest::buildDir() + QStringLiteral("/gateway-sim"),
                               QStringLiteral("--ready"), QStringLiteral("--log"), logDir.filePath(FrameLog),
                               QStringLiteral("--command-log"), logDir.filePath(CommandLog)} +
                       args);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains("ready\n")) {
        if (deadline.hasExpired() || !process->waitForReadyRead(int(deadline.remainingTime()))) {
            process->kill();
            process->waitForFinished();
            return false;
        }
        output += process->readAllStandardOutput();
    }
    return true;
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
    return readLines(FrameLog);
}

QStringList SimulatorProcess::receivedCommands() const
{
    return readLines(CommandLog);
}

bool SimulatorProcess::terminate(QString *problem)
{
    if (!isRunning())
        return true;
    process->terminate();
    if (!process->waitForFinished(StopTimeoutMs)) {
        process->kill();
        process->waitForFinished();
        *problem = QStringLiteral("gateway-sim did not end on SIGTERM");
        return false;
    }
    if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
        *problem = QStringLiteral("gateway-sim ended with status %1").arg(process->exitCode());
        return false;
    }
    return true;
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
