#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal, for a command that must not stop halfway unseen. The handler
// only writes the signal's number to a pipe that the event loop reads, and the signal returns to
// its default at once, so a second Ctrl+C ends the program there and then. A signal that was
// ignored when the program started (a background job of a script) stays ignored.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override; // the signals return to their defaults

    // The signal that arrived, or 0.
    int received() const { return signalNumber; }
    // Takes a signal that arrived while the event loop was not running (stopRequested() follows).
    void poll() { readPipe(); }

    // Ends the process by that signal, as the shell expects of an interrupted program: the exit
    // status it shows is 128 + the signal's number (130 for SIGINT, 143 for SIGTERM), and a
    // script that ran it stops as it would for any other program.
    [[noreturn]] static void endBy(int signalNumber);

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *notifier = nullptr;
    int signalNumber = 0;
};
