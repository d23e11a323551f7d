#include "gatewayframe.h"

#include "addresstext.h"

#include <cstdio>

namespace GatewayFrame {

namespace {

const unsigned char *bytesAt(const QByteArray &frame, int offset)
{
    return reinterpret_cast<const unsigned char *>(frame.constData()) + offset;
}

// Plain snprintf: QString::arg costs more than the rest of a reply's parsing together.
QString dottedText(const QByteArray &frame, int offset)
{
    const unsigned char *b = bytesAt(frame, offset);
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return QString::fromLatin1(text, length);
}

void writeAddress(QByteArray &frame, int offset, const QString &text)
{
    // A text that does not convert leaves the bytes it did not reach at 0.
    ipTextToBytes(text, reinterpret_cast<unsigned char *>(frame.data()) + offset);
}

} // namespace

QByteArray discoveryRequest()
{
    QByteArray frame(Size, '\0');
    frame[0] = KindDiscovery;
    return frame;
}

QByteArray sentName(const QString &gatewayName)
{
    return gatewayName.left(MaxSentNameLength).toLatin1();
}

QByteArray settingsRequest(const GatewayRecord &values)
{
    QByteArray frame(Size, '\0');
    frame[0] = KindSettings;
    macTextToBytes(values.mac, reinterpret_cast<unsigned char *>(frame.data()) + TargetMacOffset);
    frame[DhcpOffset] = values.dhcp ? 1 : 0;
    writeAddress(frame, IpOffset, values.ip);
    writeAddress(frame, NameserverOffset, values.nameserver);
    writeAddress(frame, SubnetOffset, values.subnet);
    writeAddress(frame, GatewayOffset, values.gateway);
    const QByteArray name = sentName(values.gatewayName);
    frame.replace(NameOffset, name.size(), name); // the zero byte behind it is already there
    return frame;
}

bool isReply(const QByteArray &datagram)
{
    return datagram.size() == Size && datagram.at(0) == KindReply;
}

// Frames of another size have no fields to read.
QString replyMac(const QByteArray &frame)
{
    return frame.size() == Size ? macBytesToText(bytesAt(frame, SourceMacOffset)) : QString();
}

QString targetMac(const QByteArray &frame)
{
    return frame.size() == Size ? macBytesToText(bytesAt(frame, TargetMacOffset)) : QString();
}

GatewayRecord parseReply(const QByteArray &frame)
{
    GatewayRecord record;
    if (frame.size() != Size)
        return record;
    const QByteArray nameField = frame.mid(NameOffset, NameField);
    const int end = nameField.indexOf('\0');
    record.gatewayName = QString::fromLatin1(end < 0 ? nameField : nameField.left(end));
    record.mac = replyMac(frame);
    record.ip = dottedText(frame, IpOffset);
    record.subnet = dottedText(frame, SubnetOffset);
    record.gateway = dottedText(frame, GatewayOffset);
    record.nameserver = dottedText(frame, NameserverOffset);
    record.dhcp = frame.at(DhcpOffset) != 0;
    return record;
}

} // namespace GatewayFrame
