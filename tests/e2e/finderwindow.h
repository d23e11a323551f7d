#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QProcessEnvironment>

class QProcess;
class XvfbServer;

// One run of the real gateway-finder on a private X server, handled through its window as a user
// would: pointer clicks and key presses at window coordinates, and what the screen shows.
class FinderWindow : public QObject
{
    Q_OBJECT

public:
    explicit FinderWindow(const XvfbServer *server, QObject *parent = nullptr);
    ~FinderWindow() override;

    // Starts the program and waits until its window is on the screen. The pointer rests at the
    // screen's corner, away from the rows and buttons.
    bool start(const QString &program, const QProcessEnvironment &environment);
    quint32 id() const { return window; }
    QString title() const;

    // Clicks at a window position and puts the pointer back at its rest.
    bool click(QPoint at) const;
    // Runs xdotool with the arguments, e.g. {"type", "150"} or {"key", "End", "BackSpace"}.
    bool xdotool(const QStringList &args) const;

    QImage grab() const;
    // Everything the program has written to standard output so far.
    QByteArray output();
    // The exit code of a program that ends by itself within the time; -1 otherwise.
    int exitCode(int timeoutMs);

private:
    const XvfbServer *server = nullptr;
    QProcess *process = nullptr;
    quint32 window = 0;
    QByteArray out;
};
