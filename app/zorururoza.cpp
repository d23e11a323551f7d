#include "zorururoza.h"

#include "protocol/gatewayframe.h"
#include "protocol/recordmerge.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/messagebox.h"
#include "widgets/pushbutton.h"

#include <QNetworkDatagram>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimerEvent>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>

ZORURuroza::ZORURuroza(QWidget *parent) : QMainWindow(parent)
{
    backgroundRenderer = new QSvgRenderer(this);
    backgroundRenderer->load(QStringLiteral(":/images/background"));
    headRenderer = new QSvgRenderer(this);
    headRenderer->load(QStringLiteral(":/images/head"));

    const QString normal = QStringLiteral(":/images/btn_normal");
    const QString down = QStringLiteral(":/images/btn_down");
    acceptButton = new PushButton(normal, down, tr("Übernehmen"), this);
    acceptButton->setGeometry(acceptButtonRect());
    connect(acceptButton, &PushButton::clicked, this, &ZORURuroza::gatewayAcceptChanges);
    closeButton = new PushButton(normal, down, tr("Schließen"), this);
    closeButton->setGeometry(closeButtonRect());
    connect(closeButton, &PushButton::clicked, this, &ZORURuroza::slotClose);
    searchButton = new PushButton(normal, down, tr("Suchen"), this);
    searchButton->setGeometry(searchButtonRect());
    connect(searchButton, &PushButton::clicked, this, &ZORURuroza::scanNetwork);

    for (int i = 0; i < RowCount; ++i) {
        auto *row = new GatewayInfoWidget(this);
        row->setGeometry(rowRect(i));
        connect(row, &GatewayInfoWidget::active, this, &ZORURuroza::gatewayInfoActive);
        gatewayRows.append(row);
        row->hide();
    }

    // An exclusive bind: a second finder, or any other program on the gateway port, makes it fail.
    udpSocket = new QUdpSocket(this);
    if (udpSocket->bind(QHostAddress::Any, GatewayFrame::Port, QAbstractSocket::DontShareAddress)) {
        udpSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBufferSize);
        scanNetwork();
    } else {
        showConnectionError();
    }
    connect(udpSocket, &QUdpSocket::readyRead, this, &ZORURuroza::readFromNetwork);
}

ZORURuroza::~ZORURuroza()
{
    qDeleteAll(gatewayRecords);
}

bool ZORURuroza::isSocketBound() const
{
    return udpSocket->state() == QAbstractSocket::BoundState;
}

void ZORURuroza::showConnectionError()
{
    const QStringList lines = {
        tr("Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!"),
        QString(),
        tr("Mögliche Ursachen:"),
        QString(),
        tr("1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet."),
        tr("Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden."),
        QString(),
        tr("2) Der ZAN-Dezezazudazi ist gestartet."),
        tr("Lösung: Bitte den ZAN-Dezezazudazi beenden und den ZAN-IP-Gateway-Finder neu starten."),
    };
    // Not shown here: it becomes visible together with the window.
    auto *popup = new MessageBox(lines, tr("Verbindungsfehler"), this);
    popup->setGeometry(0, 0, 857, 600);
    connect(popup, &MessageBox::ok, this, &ZORURuroza::close);
    connect(popup, &MessageBox::cancel, this, &ZORURuroza::close);
}

void ZORURuroza::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    backgroundRenderer->render(&painter, QRectF(0, 0, width(), height()));
    headRenderer->render(&painter, headRect());
    QFont font;
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(136, 136, 136));
    const std::pair<qreal, QString> titles[] = {
        {33, tr("Hostname")}, {173, tr("MAC-Adresse")}, {293, tr("IP-Adresse")}, {420, tr("Subnetmaske")},
        {540, tr("Gateway")}, {660, tr("Nameserver")},  {785, tr("DHCP")},
    };
    for (const auto &[x, title] : titles)
        painter.drawText(QPointF(x, 41), title);
}

void ZORURuroza::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != rescanTimerId)
        return;
    if (++rescanTicks == 2) {
        if (rescanTimerId != 0) {
            killTimer(rescanTimerId);
            rescanTimerId = 0;
        }
        rescanTicks = 0;
    }
    scanNetwork();
}

void ZORURuroza::gatewayAcceptChanges()
{
    const auto row = std::find_if(gatewayRows.cbegin(), gatewayRows.cend(),
                                  [](const GatewayInfoWidget *r) { return r->isActive() && r->isValid(); });
    if (row == gatewayRows.cend())
        return;
    sendGatewaySettings();
    closeLoginPopup();
}

void ZORURuroza::gatewayInfoActive()
{
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row != sender())
            row->discardEdits(true);
    }
}

void ZORURuroza::changeGatewaySettings()
{
    sendGatewaySettings();
    closeLoginPopup();
}

void ZORURuroza::changesNotAccepted()
{
    closeLoginPopup();
}

void ZORURuroza::closeLoginPopup()
{
    if (loginPopup) {
        loginPopup->close();
        loginPopup = nullptr;
    }
}

void ZORURuroza::scanNetwork()
{
    awaitingAck = false;
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        row->setValues(QString(), QStringLiteral("0"), QString(), QString(), QString(), QString(), QString(),
                       false);
        row->hide();
    }
    qDeleteAll(gatewayRecords);
    gatewayRecords.clear();

    const QByteArray frame = GatewayFrame::discoveryRequest();
    const qint64 sent = udpSocket->writeDatagram(frame, QHostAddress::Broadcast, GatewayFrame::Port);
    std::printf("Es wurden %d Bytes gesendet\n", static_cast<int>(sent));
    std::fflush(stdout);
}

void ZORURuroza::readFromNetwork()
{
    while (udpSocket->hasPendingDatagrams()) {
        const QByteArray datagram = udpSocket->receiveDatagram().data();
        if (datagram.size() != GatewayFrame::Size)
            continue;
        // Anything but a reply ends the pass; what is queued behind it waits for the next readyRead().
        if (!GatewayFrame::isReply(datagram))
            return;
        // Only the gateway the settings went to can acknowledge them; other replies are ordinary ones.
        if (awaitingAck && GatewayFrame::replyMac(datagram) == ackMac) {
            acknowledgeSettings();
            continue;
        }
        const GatewayRecord r = GatewayFrame::parseReply(datagram);
        addGatewayRecord(r.gatewayName, 0, r.mac, r.ip, r.subnet, r.gateway, r.nameserver, r.dhcp);
    }
}

void ZORURuroza::addGatewayRecord(const QString &gatewayName, int number, const QString &mac,
                                  const QString &ip, const QString &subnet, const QString &gateway,
                                  const QString &nameserver, bool dhcp)
{
    mergeGatewayRecord(gatewayRecords, {number, gatewayName, mac, ip, subnet, gateway, nameserver, dhcp});
    refreshRows();
}

void ZORURuroza::refreshRows()
{
    for (GatewayInfoWidget *row : std::as_const(gatewayRows))
        row->hide();
    const int shown = std::min<int>(gatewayRecords.size(), gatewayRows.size());
    for (int k = 0; k < shown; ++k) {
        const GatewayRecord *r = gatewayRecords.at(k);
        GatewayInfoWidget *row = gatewayRows.at(k);
        row->setValues(r->gatewayName, QString::number(r->number), r->mac, r->ip, r->subnet, r->gateway,
                       r->nameserver, r->dhcp);
        row->show();
    }
}

void ZORURuroza::sendGatewaySettings()
{
    awaitingAck = true;
    const auto active = std::find_if(gatewayRows.cbegin(), gatewayRows.cend(),
                                     [](const GatewayInfoWidget *r) { return r->isActive(); });
    GatewayInfoWidget *row = active != gatewayRows.cend() ? *active : gatewayRows.last();
    row->commitEdits();

    GatewayRecord values;
    values.gatewayName = row->gatewayName();
    values.mac = row->mac();
    values.ip = row->ip();
    values.subnet = row->subnet();
    values.gateway = row->gateway();
    values.nameserver = row->nameserver();
    values.dhcp = row->dhcp();
    ackMac = values.mac;

    std::printf("Name des Gateways: %s\n", GatewayFrame::sentName(values.gatewayName).constData());
    std::fflush(stdout);
    udpSocket->writeDatagram(GatewayFrame::settingsRequest(values), QHostAddress::Broadcast,
                             GatewayFrame::Port);
}

void ZORURuroza::acknowledgeSettings()
{
    awaitingAck = false;
    auto *popup = new MessageBox({tr("Einstellungen wurden erfolgreich gespeichert!")}, tr("Meldung"), this);
    popup->setGeometry(0, 0, 857, 600);
    popup->show();
    popup->raise();
    rescanTimerId = startTimer(RescanInterval);
}

void ZORURuroza::slotClose()
{
    close();
}

void ZORURuroza::sendCommand(const char *command)
{
    udpSocket->writeDatagram(QByteArray(command), QHostAddress::Broadcast, CommandPort);
}

void ZORURuroza::slotHide()
{
    sendCommand("HIDE");
}

void ZORURuroza::slotMove()
{
    sendCommand("MOVE|10|20");
}

void ZORURuroza::slotMuteOff()
{
    sendCommand("MuteOff");
}

void ZORURuroza::slotMuteOn()
{
    sendCommand("MuteOn");
}

void ZORURuroza::slotPing()
{
    sendCommand("PING");
}

void ZORURuroza::slotQuit()
{
    sendCommand("QUIT");
}

void ZORURuroza::slotShow()
{
    sendCommand("SHOW");
}

void ZORURuroza::slotSize()
{
    sendCommand("SIZE|50|100");
}
