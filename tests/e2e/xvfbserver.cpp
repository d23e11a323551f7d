#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <QtEndian>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace {

const int StartTimeoutMs = 15000;
const int ClientTimeoutMs = 15000;

// The header of an xwd dump: 25 big-endian 32-bit fields, then the window name.
enum XwdField {
    HeaderSize,
    FileVersion,
    PixmapFormat,
    PixmapDepth,
    PixmapWidth,
    PixmapHeight,
    XOffset,
    ByteOrder,
    BitmapUnit,
    BitmapBitOrder,
    BitmapPad,
    BitsPerPixel,
    BytesPerLine,
    VisualClass,
    RedMask,
    GreenMask,
    BlueMask,
    BitsPerRgb,
    ColormapEntries,
    ColorCount,
    XwdFieldCount = 25
};
const quint32 XwdVersion = 7;
const quint32 ZPixmap = 2;
const quint32 TrueColor = 4;
const quint32 LsbFirst = 0;
const int XwdColorSize = 12;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

XvfbServer::XvfbServer(QObject *parent) : QObject(parent), server(new QProcess(this)) {}

XvfbServer::~XvfbServer()
{
    if (server->state() == QProcess::NotRunning)
        return;
    server->terminate();
    if (!server->waitForFinished(5000)) {
        server->kill();
        server->waitForFinished();
    }
}

bool XvfbServer::start(QSize screen, QString *problem)
{
    // Xvfb picks a free display number itself and writes it to the descriptor -displayfd names.
    const QString geometry = QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
    server->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"), geometry,
                   QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-noreset")});
    if (!server->waitForStarted()) {
        *problem = QStringLiteral("Xvfb does not start: %1").arg(server->errorString());
        return false;
    }
    const QDeadlineTimer deadline(StartTimeoutMs);
    QByteArray number;
    while (!number.contains('\n')) {
        if (deadline.hasExpired() || !server->waitForReadyRead(int(deadline.remainingTime()))) {
            *problem = QStringLiteral("Xvfb named no display: %1")
                           .arg(QString::fromLocal8Bit(server->readAllStandardError()));
            return false;
        }
        number += server->readAllStandardOutput();
    }
    displayName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

QProcessEnvironment XvfbServer::clientEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName);
    env.remove(QStringLiteral("XAUTHORITY"));
    return env;
}

QByteArray XvfbServer::run(const QString &program, const QStringList &args, bool *ok) const
{
    QProcess client;
    client.setProcessEnvironment(clientEnvironment());
    client.start(program, args);
    const bool done = client.waitForFinished(ClientTimeoutMs);
    if (!done)
        client.kill();
    if (ok)
        *ok = done && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return client.readAllStandardOutput();
}

bool XvfbServer::xdotool(const QStringList &args) const
{
    bool ok = false;
    run(QStringLiteral("xdotool"), args, &ok);
    return ok;
}

QImage XvfbServer::grab(quint32 window) const
{
    // The window's pixels as the screen shows them.
    return fromXwd(run(QStringLiteral("xwd"),
                       {QStringLiteral("-id"), QString::number(window), QStringLiteral("-silent")}));
}

bool XvfbServer::requestClose(quint32 window) const
{
    xcb_connection_t *connection = xcb_connect(displayName.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_atom_t protocols = internAtom(connection, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = internAtom(connection, "WM_DELETE_WINDOW");
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = protocols;
    message.data.data32[0] = deleteWindow;
    message.data.data32[1] = XCB_CURRENT_TIME;
    // Waiting for the server's answer makes sure the event has gone out before the connection closes.
    const xcb_void_cookie_t cookie = xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                            reinterpret_cast<const char *>(&message));
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(connection, cookie),
                                                                     &std::free);
    const bool sent = !error && protocols != XCB_ATOM_NONE && deleteWindow != XCB_ATOM_NONE;
    xcb_disconnect(connection);
    return sent;
}

QImage XvfbServer::fromXwd(const QByteArray &dump)
{
    if (dump.size() < XwdFieldCount * 4)
        return {};
    const auto field = [&](int index) { return qFromBigEndian<quint32>(dump.constData() + 4 * index); };
    if (field(FileVersion) != XwdVersion || field(PixmapFormat) != ZPixmap || field(BitsPerPixel) != 32 ||
        field(VisualClass) != TrueColor || field(RedMask) != 0xFF0000 || field(GreenMask) != 0xFF00 ||
        field(BlueMask) != 0xFF)
        return {};
    const qint64 width = field(PixmapWidth);
    const qint64 height = field(PixmapHeight);
    const qint64 stride = field(BytesPerLine);
    const qint64 start = qint64(field(HeaderSize)) + qint64(field(ColorCount)) * XwdColorSize;
    if (width <= 0 || height <= 0 || stride < width * 4 || start + stride * height > dump.size())
        return {};
    const bool littleEndian = field(ByteOrder) == LsbFirst;
    QImage image(int(width), int(height), QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const char *line = dump.constData() + start + stride * y;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 pixel = littleEndian ? qFromLittleEndian<quint32>(line + 4 * x)
                                               : qFromBigEndian<quint32>(line + 4 * x);
            out[x] = 0xFF000000u | pixel;
        }
    }
    return image;
}
