#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>

class QFile;
class QTimer;
class QUdpSocket;

// Plays a row of gateways on UDP port 31337: answers every discovery request with one reply per
// gateway and applies a settings request addressed to one of them, answering with its new values.
// Each gateway's state is the reply frame it sends.
class GatewaySimulator : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 CommandPort = 55555;

    struct Config
    {
        int count = 1;
        quint64 firstMac = 0x024746000001; // locally administered
        // One name per gateway, or a single name that is a prefix when there are more gateways.
        QStringList names{QStringLiteral("sim-gw")};
        quint32 ip = 0xC0A80064; // 192.168.0.100, increments per gateway
        quint32 subnet = 0xFFFFFF00;
        quint32 gateway = 0xC0A80001;
        quint32 nameserver = 0xC0A80001;
        quint8 dhcpByte = 0;
        int delayMs = 0;
        int spacingMs = 0;
        int dropEvery = 0;
        bool malformed = false;
        bool unicast = false;
        bool noAck = false;        // settings requests are not acknowledged
        bool keepSettings = false; // settings requests are not applied
        QString logPath;
        QString commandLogPath;
    };

    explicit GatewaySimulator(const Config &config, QObject *parent = nullptr);

    // Opens the logs and binds the ports; on failure errorString() says why.
    bool start();
    QString errorString() const { return error; }

    static QString gatewayName(const Config &config, int index);
    static QByteArray replyFrame(quint64 mac, quint8 dhcpByte, const quint32 addresses[4],
                                 const QByteArray &name);
    // The datagrams sent ahead of the replies with --malformed: wrong lengths, then wrong kinds.
    static QList<QByteArray> malformedFrames();
    static bool isDiscoveryRequest(const QByteArray &datagram);

private:
    struct Outgoing
    {
        qint64 due = 0;
        QByteArray frame;
        QHostAddress to;
        quint16 port = 0;
    };

    void readGatewayPort();
    void readCommandPort();
    void answerDiscovery(const QHostAddress &sender, quint16 senderPort);
    void applySettings(const QByteArray &request, const QHostAddress &sender, quint16 senderPort);
    void queue(const QByteArray &frame, qint64 due, const QHostAddress &sender, quint16 senderPort);
    void queueReply(const QByteArray &frame, qint64 due, const QHostAddress &sender, quint16 senderPort);
    void sendDue();
    bool sentBySelf(const QHostAddress &sender, quint16 senderPort) const;
    bool openLog(QFile *&file, const QString &path);

    Config config;
    QList<QByteArray> replies;
    QUdpSocket *gatewaySocket = nullptr;
    QUdpSocket *commandSocket = nullptr;
    QFile *frameLog = nullptr;
    QFile *commandLog = nullptr;
    QList<Outgoing> outgoing; // in the order of their due times
    QTimer *sendTimer = nullptr;
    QElapsedTimer clock;
    qint64 repliesCounted = 0;
    QList<QHostAddress> ownAddresses;
    QString error;
};
