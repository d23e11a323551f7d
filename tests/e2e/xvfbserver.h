#pragma once

#include <QImage>
#include <QObject>
#include <QProcessEnvironment>

class QProcess;
struct xcb_connection_t;

// A private X server (Xvfb) for driving the real program as a user would. Started inside a network
// namespace, its abstract socket is seen only there.
class XvfbServer : public QObject
{
    Q_OBJECT

public:
    explicit XvfbServer(QObject *parent = nullptr);
    ~XvfbServer() override;

    bool start(QString *problem);
    // The environment for an X client of this server.
    QProcessEnvironment clientEnvironment() const;
    // Runs xdotool and returns its standard output; ok tells whether it ended with status 0.
    QByteArray xdotool(const QStringList &args, bool *ok = nullptr) const;
    // The window's pixels as the screen shows them.
    QImage grab(quint32 window) const;
    // Sends WM_DELETE_WINDOW, as a window manager does when its close control is clicked.
    bool requestClose(quint32 window) const;

private:
    QProcess *server = nullptr;
    xcb_connection_t *connection = nullptr;
    QString displayName;
};
