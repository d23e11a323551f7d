#pragma once

#include <QImage>
#include <QObject>
#include <QProcessEnvironment>
#include <QSize>
#include <QStringList>

class QProcess;

// A private X server (Xvfb) for driving the real program as a user would: X clients such as xdotool
// and xwd run against it, and a window can be asked to close the way a window manager's close
// control does. Started inside a network namespace, its abstract socket is seen only there.
class XvfbServer : public QObject
{
    Q_OBJECT

public:
    explicit XvfbServer(QObject *parent = nullptr);
    ~XvfbServer() override;

    bool start(QSize screen, QString *problem);
    QString display() const { return displayName; }
    // The environment for an X client of this server.
    QProcessEnvironment clientEnvironment() const;

    // Runs an X client and returns its standard output; ok tells whether it ended with status 0.
    QByteArray run(const QString &program, const QStringList &args, bool *ok = nullptr) const;
    bool xdotool(const QStringList &args) const;
    QImage grab(quint32 window) const;
    // Sends WM_DELETE_WINDOW, as a window manager does when its close control is clicked.
    bool requestClose(quint32 window) const;

    // Reads a 32-bit TrueColor ZPixmap dump as xwd writes it; a null image for anything else.
    static QImage fromXwd(const QByteArray &dump);

private:
    QProcess *server = nullptr;
    QString displayName;
};
