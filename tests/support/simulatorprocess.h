#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// One gateway-sim running in a gateway namespace, with its frame and command logs in a
// temporary folder. The destructor stops it.
class SimulatorProcess : public QObject
{
    Q_OBJECT

public:
    explicit SimulatorProcess(QObject *parent = nullptr) : QObject(parent) {}
    ~SimulatorProcess() override;

    // Runs gateway-sim with args in the namespace ns and waits until it has bound its ports.
    bool start(const QString &ns, const QStringList &args, int timeoutMs = 5000);
    // Sends SIGTERM and waits; a simulator that does not end with status 0 fails the current test.
    void stop();
    bool isRunning() const;

    // The datagrams received on port 31337, as hex, in order.
    QStringList receivedFrames() const;
    // The datagrams received on port 55555, as "<source port> <hex>", in order.
    QStringList receivedCommands() const;

private:
    bool terminate();
    QStringList readLines(const QString &fileName) const;

    QProcess *process = new QProcess(this);
    QTemporaryDir logDir;
};
