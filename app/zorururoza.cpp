#include "zorururoza.h"

#include "protocol/gatewayframe.h"
#include "protocol/gatewaysession.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/messagebox.h"
#include "widgets/pushbutton.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QSvgRenderer>
#include <QTimer>
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
        // Dropped edits give the row back to the list in MAC order.
        connect(row, &GatewayInfoWidget::editingEnded, this, &ZORURuroza::refreshRows);
        gatewayRows.append(row);
        row->hide();
    }

    ackTimer = new QTimer(this);
    ackTimer->setSingleShot(true);
    ackTimer->setTimerType(Qt::PreciseTimer);
    ackTimer->setInterval(AckTimeout);
    connect(ackTimer, &QTimer::timeout, this, &ZORURuroza::reportMissingAck);

    // An exclusive bind: a second finder, or any other program on the gateway port, makes it fail.
    gatewaySession = new GatewaySession(this);
    udpSocket = gatewaySession->socket();
    connect(gatewaySession, &GatewaySession::recordsChanged, this, &ZORURuroza::recordsChanged);
    connect(gatewaySession, &GatewaySession::acknowledged, this, &ZORURuroza::acknowledgeSettings);
    if (gatewaySession->bind())
        scanNetwork();
    else
        showConnectionError();
    connect(udpSocket, &QUdpSocket::readyRead, this, &ZORURuroza::readFromNetwork);
}

ZORURuroza::~ZORURuroza() = default;

const QList<GatewayRecord *> &ZORURuroza::records() const
{
    return gatewaySession->records();
}

bool ZORURuroza::isSocketBound() const
{
    return gatewaySession->isBound();
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

void ZORURuroza::showMessage(const QStringList &lines)
{
    auto *popup = new MessageBox(lines, tr("Meldung"), this);
    popup->setGeometry(0, 0, 857, 600);
    popup->show();
    popup->raise();
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
    ackTimer->stop();
    // The row being edited keeps its editors and its gateway; the others are blanked.
    const GatewayInfoWidget *edited = editedRow();
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row == edited)
            continue;
        row->setValues(QString(), QStringLiteral("0"), QString(), QString(), QString(), QString(), QString(),
                       false);
        row->hide();
    }
    for (const qint64 sent : gatewaySession->search())
        std::printf("Es wurden %d Bytes gesendet\n", static_cast<int>(sent));
    std::fflush(stdout);
}

void ZORURuroza::readFromNetwork()
{
    gatewaySession->readPending();
}

void ZORURuroza::addGatewayRecord(const QString &gatewayName, int number, const QString &mac,
                                  const QString &ip, const QString &subnet, const QString &gateway,
                                  const QString &nameserver, bool dhcp)
{
    gatewaySession->addRecord({number, gatewayName, mac, ip, subnet, gateway, nameserver, dhcp});
    refreshRows();
}

// Only changes among the first twelve records can change what the rows show; further down, a new
// gateway may still share a shown gateway's address.
void ZORURuroza::recordsChanged(qsizetype firstIndex)
{
    if (firstIndex < RowCount) {
        refreshRows();
        return;
    }
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (!row->isHidden())
            row->setConflict(gatewaySession->isConflicting(row->ip()));
    }
}

GatewayInfoWidget *ZORURuroza::editedRow() const
{
    const auto row = std::find_if(gatewayRows.cbegin(), gatewayRows.cend(),
                                  [](const GatewayInfoWidget *r) { return r->isActive(); });
    return row != gatewayRows.cend() ? *row : nullptr;
}

// Rows show the records in MAC order, one each. The row being edited is left alone, editors, focus
// and gateway included: it stays where it is, and the other records fill the other rows in order.
void ZORURuroza::refreshRows()
{
    GatewayInfoWidget *edited = editedRow();
    const QString editedMac = edited ? edited->mac() : QString();
    const QList<GatewayRecord *> &records = gatewaySession->records();
    qsizetype next = 0;
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row == edited) {
            row->setConflict(gatewaySession->isConflicting(row->ip()));
            continue;
        }
        if (next < records.size() && edited && records.at(next)->mac == editedMac)
            ++next;
        if (next >= records.size()) {
            row->hide();
            continue;
        }
        const GatewayRecord *r = records.at(next++);
        row->setValues(r->gatewayName, QString::number(r->number), r->mac, r->ip, r->subnet, r->gateway,
                       r->nameserver, r->dhcp);
        row->setConflict(gatewaySession->isConflicting(r->ip));
        row->show();
    }
}

bool ZORURuroza::rowsShowRecordOrder() const
{
    const QList<GatewayRecord *> &records = gatewaySession->records();
    for (int k = 0; k < gatewayRows.size(); ++k) {
        const GatewayInfoWidget *row = gatewayRows.at(k);
        const bool shouldShow = k < records.size();
        if (row->isHidden() == shouldShow || (shouldShow && row->mac() != records.at(k)->mac))
            return false;
    }
    return true;
}

void ZORURuroza::sendGatewaySettings()
{
    GatewayInfoWidget *row = editedRow();
    if (!row)
        row = gatewayRows.last();
    {
        // The row keeps the values it sends on show, unless late replies moved the others.
        const QSignalBlocker quiet(row);
        row->commitEdits();
    }
    GatewayRecord values;
    values.gatewayName = row->gatewayName();
    values.mac = row->mac();
    values.ip = row->ip();
    values.subnet = row->subnet();
    values.gateway = row->gateway();
    values.nameserver = row->nameserver();
    values.dhcp = row->dhcp();

    std::printf("Name des Gateways: %s\n", GatewayFrame::sentName(values.gatewayName).constData());
    std::fflush(stdout);
    gatewaySession->sendSettings(values);
    ackTimer->start();
    if (!rowsShowRecordOrder())
        refreshRows();
}

void ZORURuroza::acknowledgeSettings()
{
    ackTimer->stop();
    showMessage({tr("Einstellungen wurden erfolgreich gespeichert!")});
    // A new acknowledgement starts the two searches afresh.
    if (rescanTimerId != 0)
        killTimer(rescanTimerId);
    rescanTicks = 0;
    rescanTimerId = startTimer(RescanInterval);
}

// The confirmation may still come: it is taken as long as no search has started.
void ZORURuroza::reportMissingAck()
{
    showMessage({tr("Das Gateway hat die Einstellungen nicht bestätigt."),
                 tr("Bitte erneut suchen und die Werte prüfen.")});
}

void ZORURuroza::slotClose()
{
    close();
}

void ZORURuroza::sendCommand(const char *command)
{
    gatewaySession->sendBroadcast(QByteArray(command), CommandPort);
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
