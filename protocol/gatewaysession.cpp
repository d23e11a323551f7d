#include "gatewaysession.h"

#include "gatewayframe.h"
#include "networkinterfaces.h"
#include "recordmerge.h"

#include <QHash>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

#include <algorithm>

namespace {

// A limited broadcast leaves only through the interface given with it. The dual-stack socket needs
// the interface's own address as the sender too, or the kernel refuses the datagram.
qint64 sendOn(QUdpSocket *socket, const QByteArray &data, quint16 port,
              const NetworkInterfaces::BroadcastInterface &interface)
{
    QNetworkDatagram datagram(data, QHostAddress(QHostAddress::Broadcast), port);
    datagram.setInterfaceIndex(uint(interface.index));
    datagram.setSender(interface.address);
    return socket->writeDatagram(datagram);
}

} // namespace

GatewaySession::GatewaySession(QObject *parent) : QObject(parent), udpSocket(new QUdpSocket(this)) {}

GatewaySession::~GatewaySession()
{
    qDeleteAll(gatewayRecords);
}

bool GatewaySession::bind()
{
    if (!udpSocket->bind(QHostAddress::Any, GatewayFrame::Port, QAbstractSocket::DontShareAddress))
        return false;
    udpSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, int(ReceiveBufferSize));
    return true;
}

bool GatewaySession::isBound() const
{
    return udpSocket->state() == QAbstractSocket::BoundState;
}

const GatewayRecord *GatewaySession::record(const QString &mac) const
{
    const qsizetype index = indexOf(mac);
    return index >= 0 ? gatewayRecords.at(index) : nullptr;
}

qsizetype GatewaySession::indexOf(const QString &mac) const
{
    // The records are sorted by MAC text, as mergeGatewayRecord keeps them.
    const auto it = std::lower_bound(
        gatewayRecords.cbegin(), gatewayRecords.cend(), mac,
        [](const GatewayRecord *r, const QString &key) { return QString::compare(r->mac, key) < 0; });
    return it != gatewayRecords.cend() && (*it)->mac == mac ? it - gatewayRecords.cbegin() : -1;
}

QList<qint64> GatewaySession::search()
{
    limitReached = false;
    replyCount = 0;
    qDeleteAll(gatewayRecords);
    gatewayRecords.clear();
    ipUsers.clear();
    ownAddresses.clear();
    for (const QHostAddress &own : NetworkInterfaces::ownIPv4Addresses())
        ownAddresses.insert(own.toString());
    ownNetworks = NetworkInterfaces::ipv4Networks();
    if (!isBound())
        return {};

    const QByteArray frame = GatewayFrame::discoveryRequest();
    const auto interfaces = NetworkInterfaces::broadcastInterfaces();
    if (interfaces.isEmpty())
        return {udpSocket->writeDatagram(frame, QHostAddress::Broadcast, GatewayFrame::Port)};
    // One interface that vanished since it was listed costs only its own frame.
    QList<qint64> sent;
    for (const auto &interface : interfaces)
        sent.append(sendOn(udpSocket, frame, GatewayFrame::Port, interface));
    return sent;
}

NetworkInterfaces::BroadcastInterface GatewaySession::ownInterface(const QString &mac) const
{
    const GatewayRecord *known = record(mac);
    if (!known || known->interfaceIndex <= 0)
        return {};
    return NetworkInterfaces::broadcastInterface(known->interfaceIndex);
}

bool GatewaySession::canReach(const QString &mac) const
{
    return ownInterface(mac).index != 0;
}

qint64 GatewaySession::sendSettings(const GatewayRecord &values)
{
    stopAwaitingAck();
    const qint64 sent = sendSettingsFrame(values);
    if (sent >= 0) {
        awaitingAck = true;
        ackMac = values.mac;
    }
    return sent;
}

qint64 GatewaySession::sendSettingsAmong(const GatewayRecord &values)
{
    const qint64 sent = sendSettingsFrame(values);
    if (sent >= 0)
        awaitedMacs.insert(values.mac);
    else
        awaitedMacs.remove(values.mac);
    return sent;
}

qint64 GatewaySession::sendSettingsFrame(const GatewayRecord &values)
{
    const auto interface = ownInterface(values.mac);
    // A plain broadcast on the default route could reach a gateway with the same MAC on another
    // network, or none at all: without the gateway's own interface nothing is sent.
    if (!isBound() || interface.index == 0)
        return -1;
    const auto recorded = recordedIntents.constFind(values.mac);
    if (settingsJournal && (recorded == recordedIntents.cend() || !(*recorded == values)) &&
        !recordIntents({values}))
        return NotRecorded;
    recordedIntents.remove(values.mac);
    return sendOn(udpSocket, GatewayFrame::settingsRequest(values), GatewayFrame::Port, interface);
}

bool GatewaySession::recordIntents(const QList<GatewayRecord> &values)
{
    if (!settingsJournal)
        return true;
    QList<SettingsJournal::Intent> intents;
    for (const GatewayRecord &sent : values) {
        const GatewayRecord *before = record(sent.mac);
        intents.append({before ? *before : GatewayRecord{}, sent,
                        NetworkInterfaces::name(before ? before->interfaceIndex : 0)});
    }
    if (!settingsJournal->recordIntents(intents))
        return false;
    for (const GatewayRecord &sent : values)
        recordedIntents.insert(sent.mac, sent);
    return true;
}

void GatewaySession::stopAwaitingAck()
{
    awaitingAck = false;
    ackMac.clear();
}

qint64 GatewaySession::sendBroadcast(const QByteArray &data, quint16 port)
{
    return isBound() ? udpSocket->writeDatagram(data, QHostAddress::Broadcast, port) : -1;
}

qsizetype GatewaySession::addRecord(const GatewayRecord &values)
{
    GatewayRecord replaced;
    const qsizetype index = mergeGatewayRecord(gatewayRecords, values, MaxRecords, &replaced);
    if (index < 0) {
        limitReached = true;
        return index;
    }
    if (!replaced.mac.isEmpty() && --ipUsers[replaced.ip] == 0)
        ipUsers.remove(replaced.ip);
    ++ipUsers[values.ip];
    return index;
}

bool GatewaySession::isConflicting(const QString &ip, int usersAdded) const
{
    return ip != QLatin1String("0.0.0.0") &&
           (ipUsers.value(ip) + usersAdded > 1 || ownAddresses.contains(ip));
}

QSet<QString> GatewaySession::conflictingAddresses() const
{
    QSet<QString> out;
    for (auto it = ipUsers.cbegin(); it != ipUsers.cend(); ++it) {
        if (isConflicting(it.key()))
            out.insert(it.key());
    }
    return out;
}

void GatewaySession::readPending()
{
    qsizetype firstIndex = -1;
    for (int n = 0; n < MaxDatagramsPerPass && udpSocket->hasPendingDatagrams(); ++n) {
        const QNetworkDatagram datagram = udpSocket->receiveDatagram();
        const QByteArray data = datagram.data();
        if (data.size() != GatewayFrame::Size)
            continue;
        // Anything but a reply ends the pass; what is queued behind it waits for the next readyRead().
        if (!GatewayFrame::isReply(data))
            break;
        ++replyCount;
        // Only the gateway the settings went to can acknowledge them; other replies are ordinary ones.
        if (awaitingAck || !awaitedMacs.isEmpty()) {
            const QString mac = GatewayFrame::replyMac(data);
            if (awaitingAck && mac == ackMac) {
                awaitingAck = false;
                emit acknowledged();
                continue;
            }
        }
        GatewayRecord values = GatewayFrame::parseReply(data);
        values.interfaceIndex = int(datagram.interfaceIndex());
        if (!awaitedMacs.isEmpty() && awaitedMacs.remove(values.mac)) {
            emit acknowledgedBy(values);
            continue;
        }
        const qsizetype index = addRecord(values);
        if (index >= 0 && (firstIndex < 0 || index < firstIndex))
            firstIndex = index;
    }
    if (firstIndex >= 0)
        emit recordsChanged(firstIndex);
}
