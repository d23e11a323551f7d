#pragma once

#include "gatewayrecord.h"
#include "networkinterfaces.h"
#include "settingsjournal.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class QUdpSocket;

// The finder's side of the gateway protocol, shared by the window and the command line: the
// exclusively bound gateway socket, discovery on every network of the PC, the gateways found since
// the last search (ascending by MAC text, at most MaxRecords), and the settings exchange.
class GatewaySession : public QObject
{
    Q_OBJECT

public:
    // New gateways beyond this many are dropped until the next search, so that a host inventing
    // MACs cannot make the list grow without bound.
    static constexpr int MaxRecords = 4096;
    // Datagrams read in one pass before the event loop gets its turn again.
    static constexpr int MaxDatagramsPerPass = MaxRecords;
    // Asked for so that a burst of replies can wait while a pass is worked off; the kernel caps it
    // at net.core.rmem_max (and doubles that).
    static constexpr int ReceiveBufferSize = 8 * 1024 * 1024;
    // How long a confirmation of new settings may take before the user is told, and how long after
    // one the list is searched again to show the new values.
    static constexpr int AckTimeout = 3000;
    static constexpr int RescanInterval = 2000;
    // What the sends return when the journal could not record the settings: nothing was sent.
    static constexpr qint64 NotRecorded = -2;

    explicit GatewaySession(QObject *parent = nullptr);
    ~GatewaySession() override;

    // Binds UDP 31337 on every local address without sharing it: a second finder, or any other
    // program holding the gateway port, makes it fail.
    bool bind();
    bool isBound() const;
    QUdpSocket *socket() const { return udpSocket; }

    const QList<GatewayRecord *> &records() const { return gatewayRecords; }
    const GatewayRecord *record(const QString &mac) const;
    // Where the gateway with this MAC is in records(), or -1.
    qsizetype indexOf(const QString &mac) const;
    bool isAwaitingAck() const { return awaitingAck; }
    // A new gateway was dropped since the last search because the list was full.
    bool recordLimitReached() const { return limitReached; }
    // Replies read since the last search, the acknowledgement and dropped gateways included.
    int repliesSinceSearch() const { return replyCount; }

    // Forgets the gateways, then sends the discovery request out of every broadcast interface (once
    // without an interface when there is none). Returns what each send returned (bytes, or -1);
    // nothing is sent while the socket is not bound. An awaited acknowledgement is still awaited:
    // it belongs to the settings that were sent, not to the list.
    QList<qint64> search();
    // The gateway is listed and the interface its latest reply came in on is still up, so settings
    // for it can leave through that gateway's own network.
    bool canReach(const QString &mac) const;
    // Sends the settings request for values.mac out of the interface that gateway's latest reply
    // came in on and waits for that gateway's acknowledgement. Returns the bytes sent, or -1: then
    // nothing is awaited, and nothing was sent at all unless the socket refused the datagram.
    // Settings never leave by any other way than the gateway's own network (see canReach()), and
    // with a journal never before they are on record: NotRecorded when they could not be.
    qint64 sendSettings(const GatewayRecord &values);
    // Gives up the wait for an acknowledgement.
    void stopAwaitingAck();
    // Settings for one of several gateways at once: sent as sendSettings() does, but the
    // acknowledgement is awaited beside those of the others (acknowledgedBy()), and the single one
    // of sendSettings() is left alone. Returns the bytes sent, or -1 with nothing awaited.
    qint64 sendSettingsAmong(const GatewayRecord &values);
    bool isAwaitingAckFrom(const QString &mac) const { return awaitedMacs.contains(mac); }
    void stopAwaitingAckFrom(const QString &mac) { awaitedMacs.remove(mac); }
    // The journal that every settings frame is recorded in before it leaves; none by default. The
    // session does not own it.
    void setJournal(SettingsJournal *journal) { settingsJournal = journal; }
    SettingsJournal *journal() const { return settingsJournal; }
    // Records the settings for several listed gateways at once (one flush), so that their sends need
    // no record of their own. False when they could not be recorded: then none may be sent.
    bool recordIntents(const QList<GatewayRecord> &values);

    // A datagram to 255.255.255.255 on port, from the gateway socket; -1 when not bound.
    qint64 sendBroadcast(const QByteArray &data, quint16 port);

    // Merges one gateway's values into the list (same MAC: overwritten in place). Returns the
    // record's index, or -1 when the list was full.
    qsizetype addRecord(const GatewayRecord &values);

    // An IP text that more than one listed gateway reports, or that one of the PC's own IPv4
    // addresses (as they were at the last search) has. 0.0.0.0 is no address and never conflicts.
    // usersAdded: gateways counted with this IP beyond what the records say (negative: fewer), for
    // values shown but not reported yet.
    bool isConflicting(const QString &ip, int usersAdded = 0) const;
    QSet<QString> conflictingAddresses() const;
    // The PC's own IPv4 addresses, as they were at the last search.
    const QSet<QString> &pcAddresses() const { return ownAddresses; }
    // The PC's IPv4 networks, as they were at the last search.
    const QList<NetworkInterfaces::Network> &pcNetworks() const { return ownNetworks; }

public slots:
    // Reads what is waiting on the socket: replies are merged, the awaited gateway's reply is the
    // acknowledgement. recordsChanged() follows once at the end of a pass that merged anything.
    void readPending();

signals:
    // firstIndex: the smallest index of a record that was inserted or overwritten; the records
    // before it are as they were.
    void recordsChanged(qsizetype firstIndex);
    void acknowledged();
    // A gateway whose settings went out through sendSettingsAmong() answered, with these values.
    void acknowledgedBy(const GatewayRecord &reply);

private:
    // The interface the gateway's latest reply came in on, while it is up; index 0 when there is none.
    NetworkInterfaces::BroadcastInterface ownInterface(const QString &mac) const;
    qint64 sendSettingsFrame(const GatewayRecord &values);

    QUdpSocket *udpSocket = nullptr;
    QList<GatewayRecord *> gatewayRecords;
    bool awaitingAck = false;
    QString ackMac;            // the gateway whose acknowledgement is awaited
    QSet<QString> awaitedMacs; // acknowledgements awaited through sendSettingsAmong()
    bool limitReached = false;
    int replyCount = 0;
    QHash<QString, int> ipUsers; // how many records report each IP text
    QSet<QString> ownAddresses;  // the PC's IPv4 addresses, read at each search
    QList<NetworkInterfaces::Network> ownNetworks;
    SettingsJournal *settingsJournal = nullptr;
    QHash<QString, GatewayRecord> recordedIntents; // recorded, not sent yet
};
