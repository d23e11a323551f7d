#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const int TimeoutMs = 15000;

template <typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

XvfbServer::XvfbServer(QObject *parent) : QObject(parent), server(new QProcess(this)) {}

XvfbServer::~XvfbServer()
{
    if (connection)
        xcb_disconnect(connection);
    server->terminate();
    if (!server->waitForFinished(TimeoutMs))
        server->kill();
    server->waitForFinished();
}

bool XvfbServer::start(QString *problem)
{
    // Xvfb picks a free display number itself and writes it to the descriptor -displayfd names.
    server->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                           "1024x768x24", "-dpi", "96", "-noreset"});
    const QDeadlineTimer deadline(TimeoutMs);
    QByteArray number;
    while (!number.contains('\n') && server->waitForReadyRead(int(deadline.remainingTime())))
        number += server->readAllStandardOutput();
    displayName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    if (number.contains('\n'))
        connection = xcb_connect(displayName.toLatin1().constData(), nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        *problem =
            QStringLiteral("no X server: %1").arg(QString::fromLocal8Bit(server->readAllStandardError()));
        return false;
    }
    return true;
}

QProcessEnvironment XvfbServer::clientEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName);
    env.remove(QStringLiteral("XAUTHORITY"));
    return env;
}

QByteArray XvfbServer::xdotool(const QStringList &args, bool *ok) const
{
    QProcess client;
    client.setProcessEnvironment(clientEnvironment());
    client.start(QStringLiteral("xdotool"), args);
    const bool done = client.waitForFinished(TimeoutMs);
    if (!done)
        client.kill();
    if (ok)
        *ok = done && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return client.readAllStandardOutput();
}

QImage XvfbServer::grab(quint32 window) const
{
    const auto geometry =
        owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry)
        return {};
    const auto image = owned(xcb_get_image_reply(connection,
                                                 xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                               0, 0, geometry->width, geometry->height, ~0u),
                                                 nullptr));
    // Xvfb keeps a 24-bit pixel in 32 bits, blue in the lowest byte, as QImage::Format_RGB32 does.
    if (!image || image->depth != 24 ||
        xcb_get_image_data_length(image.get()) != 4 * geometry->width * geometry->height)
        return {};
    return QImage(xcb_get_image_data(image.get()), geometry->width, geometry->height, QImage::Format_RGB32)
        .copy();
}

bool XvfbServer::requestClose(quint32 window) const
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = internAtom(connection, "WM_PROTOCOLS");
    message.data.data32[0] = internAtom(connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t cookie = xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                            reinterpret_cast<const char *>(&message));
    return !owned(xcb_request_check(connection, cookie)) && message.type != XCB_ATOM_NONE;
}
