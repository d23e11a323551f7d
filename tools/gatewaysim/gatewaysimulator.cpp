#include "gatewaysimulator.h"

#include "protocol/gatewayframe.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

namespace {

void putAddress(QByteArray &frame, int offset, quint32 address)
{
    for (int i = 0; i < 4; ++i)
        frame[offset + i] = char(address >> (24 - 8 * i));
}

void putName(QByteArray &frame, const QByteArray &name)
{
    frame.replace(GatewayFrame::NameOffset, GatewayFrame::NameField,
                  QByteArray(GatewayFrame::NameField, '\0'));
    const QByteArray cut = name.left(GatewayFrame::NameField);
    frame.replace(GatewayFrame::NameOffset, cut.size(), cut);
}

} // namespace

GatewaySimulator::GatewaySimulator(const Config &config, QObject *parent)
    : QObject(parent), config(config), sendTimer(new QTimer(this))
{
    for (int i = 0; i < config.count; ++i) {
        const quint32 addresses[4] = {config.ip + quint32(i), config.subnet, config.gateway,
                                      config.nameserver};
        replies.append(replyFrame(config.firstMac + quint64(i), config.dhcpByte, addresses,
                                  gatewayName(config, i).toLatin1()));
    }
    sendTimer->setSingleShot(true);
    sendTimer->setTimerType(Qt::PreciseTimer);
    connect(sendTimer, &QTimer::timeout, this, &GatewaySimulator::sendDue);
}

bool GatewaySimulator::start()
{
    if (!openLog(frameLog, config.logPath) || !openLog(commandLog, config.commandLogPath))
        return false;
    ownAddresses = QNetworkInterface::allAddresses();
    clock.start();

    gatewaySocket = new QUdpSocket(this);
    if (!gatewaySocket->bind(QHostAddress::AnyIPv4, GatewayFrame::Port)) {
        error = QStringLiteral("cannot bind UDP port %1: %2")
                    .arg(GatewayFrame::Port)
                    .arg(gatewaySocket->errorString());
        return false;
    }
    connect(gatewaySocket, &QUdpSocket::readyRead, this, &GatewaySimulator::readGatewayPort);

    if (commandLog) {
        commandSocket = new QUdpSocket(this);
        if (!commandSocket->bind(QHostAddress::AnyIPv4, CommandPort)) {
            error = QStringLiteral("cannot bind UDP port %1: %2")
                        .arg(CommandPort)
                        .arg(commandSocket->errorString());
            return false;
        }
        connect(commandSocket, &QUdpSocket::readyRead, this, &GatewaySimulator::readCommandPort);
    }
    return true;
}

QString GatewaySimulator::gatewayName(const Config &config, int index)
{
    if (config.names.size() == 1 && config.count > 1)
        return config.names.first() + QString::number(index + 1);
    return config.names.value(index);
}

QByteArray GatewaySimulator::replyFrame(quint64 mac, quint8 dhcpByte, const quint32 addresses[4],
                                        const QByteArray &name)
{
    QByteArray frame(GatewayFrame::Size, '\0');
    frame[0] = GatewayFrame::KindReply;
    for (int i = 0; i < 6; ++i)
        frame[GatewayFrame::SourceMacOffset + i] = char(mac >> (40 - 8 * i));
    frame[GatewayFrame::DhcpOffset] = char(dhcpByte);
    putAddress(frame, GatewayFrame::IpOffset, addresses[0]);
    putAddress(frame, GatewayFrame::SubnetOffset, addresses[1]);
    putAddress(frame, GatewayFrame::GatewayOffset, addresses[2]);
    putAddress(frame, GatewayFrame::NameserverOffset, addresses[3]);
    putName(frame, name);
    return frame;
}

QList<QByteArray> GatewaySimulator::malformedFrames()
{
    // Each one would pass for a reply from EE:EE:EE:EE:EE:EE if its length or kind went unchecked.
    const quint32 addresses[4] = {0x0A0A0A0A, 0xFFFFFF00, 0x0A0A0A01, 0x0A0A0A01};
    const QByteArray reply = replyFrame(0xEEEEEEEEEEEE, 1, addresses, "malformed");
    QList<QByteArray> frames{QByteArray(), reply.left(1), reply.left(GatewayFrame::Size - 1),
                             reply + QByteArray(1, '\0'), reply + QByteArray(100 - GatewayFrame::Size, '\0')};
    for (char kind : {char(0x01), char(0x02), char(0x7F)}) {
        QByteArray frame = reply;
        frame[0] = kind;
        frames.append(frame);
    }
    return frames;
}

// Only an all-zero body makes a discovery request, so the kind 0x01 frame among the malformed ones
// (it carries a reply body) cannot set other simulators answering each other.
bool GatewaySimulator::isDiscoveryRequest(const QByteArray &datagram)
{
    return datagram.size() == GatewayFrame::Size && datagram.at(0) == GatewayFrame::KindDiscovery &&
           std::all_of(datagram.begin() + 1, datagram.end(), [](char c) { return c == 0; });
}

void GatewaySimulator::readGatewayPort()
{
    while (gatewaySocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = gatewaySocket->receiveDatagram();
        const QHostAddress sender = datagram.senderAddress();
        const quint16 senderPort = quint16(datagram.senderPort());
        if (sentBySelf(sender, senderPort))
            continue;
        const QByteArray data = datagram.data();
        if (frameLog) {
            frameLog->write(data.toHex() + '\n');
            frameLog->flush();
        }
        if (isDiscoveryRequest(data))
            answerDiscovery(sender, senderPort);
        else if (data.size() == GatewayFrame::Size && data.at(0) == GatewayFrame::KindSettings)
            applySettings(data, sender, senderPort);
    }
}

void GatewaySimulator::readCommandPort()
{
    while (commandSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = commandSocket->receiveDatagram();
        commandLog->write(QByteArray::number(datagram.senderPort()) + ' ' + datagram.data().toHex() + '\n');
        commandLog->flush();
    }
}

void GatewaySimulator::answerDiscovery(const QHostAddress &sender, quint16 senderPort)
{
    const qint64 first = clock.elapsed() + config.delayMs;
    if (config.malformed) {
        for (const QByteArray &frame : malformedFrames())
            queue(frame, first, sender, senderPort);
    }
    for (int i = 0; i < replies.size(); ++i)
        queueReply(replies.at(i), first + qint64(i) * config.spacingMs, sender, senderPort);
}

void GatewaySimulator::applySettings(const QByteArray &request, const QHostAddress &sender,
                                     quint16 senderPort)
{
    const QString target = GatewayFrame::targetMac(request);
    for (QByteArray &reply : replies) {
        if (GatewayFrame::replyMac(reply) != target)
            continue;
        if (config.keepSettings) {
            if (!config.noAck)
                queueReply(reply, clock.elapsed() + config.delayMs, sender, senderPort);
            return;
        }
        // DHCP byte and the four addresses lie at the same offsets in request and reply.
        reply.replace(
            GatewayFrame::DhcpOffset, GatewayFrame::NameOffset - GatewayFrame::DhcpOffset,
            request.mid(GatewayFrame::DhcpOffset, GatewayFrame::NameOffset - GatewayFrame::DhcpOffset));
        const QByteArray nameField = request.mid(GatewayFrame::NameOffset, GatewayFrame::NameField);
        const qsizetype end = nameField.indexOf('\0');
        putName(reply, end < 0 ? nameField : nameField.left(end));
        if (!config.noAck)
            queueReply(reply, clock.elapsed() + config.delayMs, sender, senderPort);
        return;
    }
}

void GatewaySimulator::queueReply(const QByteArray &frame, qint64 due, const QHostAddress &sender,
                                  quint16 senderPort)
{
    // A dropped reply is lost on the way: it still takes its place in time.
    ++repliesCounted;
    if (config.dropEvery > 0 && repliesCounted % config.dropEvery == 0)
        return;
    queue(frame, due, sender, senderPort);
}

void GatewaySimulator::queue(const QByteArray &frame, qint64 due, const QHostAddress &sender,
                             quint16 senderPort)
{
    Outgoing entry;
    entry.due = due;
    entry.frame = frame;
    entry.to = config.unicast ? sender : QHostAddress(QHostAddress::Broadcast);
    entry.port = config.unicast ? senderPort : GatewayFrame::Port;
    const auto at = std::upper_bound(outgoing.begin(), outgoing.end(), due,
                                     [](qint64 t, const Outgoing &o) { return t < o.due; });
    outgoing.insert(at, entry);
    sendTimer->start(int(std::max<qint64>(0, outgoing.first().due - clock.elapsed())));
}

void GatewaySimulator::sendDue()
{
    while (!outgoing.isEmpty() && outgoing.first().due <= clock.elapsed()) {
        const Outgoing entry = outgoing.takeFirst();
        gatewaySocket->writeDatagram(entry.frame, entry.to, entry.port);
    }
    if (!outgoing.isEmpty())
        sendTimer->start(int(std::max<qint64>(0, outgoing.first().due - clock.elapsed())));
}

// Our own broadcasts come back to us; they are neither requests nor worth logging.
bool GatewaySimulator::sentBySelf(const QHostAddress &sender, quint16 senderPort) const
{
    return senderPort == GatewayFrame::Port && ownAddresses.contains(sender);
}

bool GatewaySimulator::openLog(QFile *&file, const QString &path)
{
    if (path.isEmpty())
        return true;
    file = new QFile(path, this);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file->errorString());
        return false;
    }
    return true;
}
