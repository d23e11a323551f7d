#pragma once

#include "protocol/gatewayrecord.h"

#include <QList>
#include <QMainWindow>

class GatewayInfoWidget;
class PushButton;
class QSvgRenderer;
class QUdpSocket;

// The finder's only window: owns the UDP socket on the gateway port, the gateways found since the
// last search (ascending by MAC text), twelve rows showing the first twelve, and the buttons.
class ZORURuroza : public QMainWindow
{
    Q_OBJECT

public:
    explicit ZORURuroza(QWidget *parent = nullptr);
    ~ZORURuroza() override;

    static constexpr int RowCount = 12;
    static constexpr int RescanInterval = 2000; // ms between the searches after an acknowledgement
    static constexpr quint16 CommandPort = 55555;
    // Asked for the gateway socket so that a burst of replies can wait while the rows are
    // refreshed after each one; the kernel caps it at net.core.rmem_max (and doubles that).
    static constexpr int ReceiveBufferSize = 8 * 1024 * 1024;

    static QRect rowRect(int index) { return {17, 51 + 40 * index, 826, 40}; }
    static QRect acceptButtonRect() { return {590, 552, 113, 27}; }
    static QRect closeButtonRect() { return {731, 552, 113, 27}; }
    static QRect searchButtonRect() { return {16, 552, 113, 27}; }
    static QRectF headRect() { return {17, 20, 826, 31}; }

    // The gateways found since the last search, in MAC order.
    const QList<GatewayRecord *> &records() const { return gatewayRecords; }
    const QList<GatewayInfoWidget *> &rows() const { return gatewayRows; }
    bool isSocketBound() const;

    void addGatewayRecord(const QString &gatewayName, int number, const QString &mac, const QString &ip,
                          const QString &subnet, const QString &gateway, const QString &nameserver,
                          bool dhcp);
    void sendGatewaySettings();

protected:
    void timerEvent(QTimerEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void gatewayAcceptChanges();
    void gatewayInfoActive();
    void changeGatewaySettings();
    void changesNotAccepted();
    void readFromNetwork();
    void scanNetwork();
    void slotClose();
    void slotHide();
    void slotMove();
    void slotMuteOff();
    void slotMuteOn();
    void slotPing();
    void slotQuit();
    void slotShow();
    void slotSize();

private:
    void refreshRows();
    void closeLoginPopup();
    void showConnectionError();
    void acknowledgeSettings();
    void sendCommand(const char *command);

    QSvgRenderer *backgroundRenderer = nullptr;
    QSvgRenderer *headRenderer = nullptr;
    QList<GatewayInfoWidget *> gatewayRows;
    QWidget *loginPopup = nullptr;
    PushButton *acceptButton = nullptr;
    PushButton *closeButton = nullptr;
    PushButton *searchButton = nullptr;
    int rescanTimerId = 0;
    int rescanTicks = 0;
    QUdpSocket *udpSocket = nullptr;
    bool awaitingAck = false;
    QString ackMac; // the gateway whose acknowledgement is awaited
    QList<GatewayRecord *> gatewayRecords;
};
