#pragma once

#include <QObject>
#include <QProcessEnvironment>
#include <QRect>

class QProcess;
class XvfbServer;

// One run of the real gateway-finder on a private X server, handled through its window as a user
// would: pointer clicks and key presses at window coordinates, and what the screen shows there.
class FinderWindow : public QObject
{
    Q_OBJECT

public:
    explicit FinderWindow(const XvfbServer *server, QObject *parent = nullptr);
    ~FinderWindow() override;

    // Starts the program and waits until its window is on the screen.
    bool start(const QString &program, const QProcessEnvironment &environment, QString *problem);

    quint32 id() const { return window; }
    // The window's place on the screen, asked afresh.
    QRect geometry() const;
    QString title() const;

    // Positions are window coordinates.
    bool movePointer(QPoint at) const;
    bool click(QPoint at) const;
    bool press(QPoint at) const;
    bool release() const;
    // Puts the pointer outside the window, so that no hover look is left behind.
    bool movePointerAway() const;
    bool type(const QString &text) const;
    bool keys(const QStringList &keyNames) const;
    bool requestClose() const;

    QImage grab() const;
    // Everything the program has written to standard output so far.
    QByteArray output();

    bool waitForExit(int timeoutMs);
    bool isRunning() const;
    // The exit code of a program that ended by itself; -1 if it crashed or still runs.
    int exitCode() const;

private:
    bool findWindow(int timeoutMs);

    const XvfbServer *server = nullptr;
    QProcess *process = nullptr;
    quint32 window = 0;
    QByteArray out;
};
