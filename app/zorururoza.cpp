#include "zorururoza.h"

#include "journal/changejournal.h"
#include "lineedit/clineedit.h"
#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"
#include "protocol/gatewaysession.h"
#include "protocol/reachability.h"
#include "widgets/accessiblefactory.h"
#include "widgets/announcer.h"
#include "widgets/checkbox.h"
#include "widgets/gatewayinfowidget.h"
#include "widgets/gatewaylist.h"
#include "widgets/messagebox.h"
#include "widgets/popupwidget.h"
#include "widgets/pushbutton.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSvgRenderer>
#include <QTimer>
#include <QTimerEvent>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>

ZORURuroza::ZORURuroza(QWidget *parent) : QMainWindow(parent)
{
    AccessibleFactory::install();
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

    gatewayList = new GatewayList(this);
    gatewayList->setGeometry(listRect());
    gatewayRows = gatewayList->rows();
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        connect(row, &GatewayInfoWidget::active, this, &ZORURuroza::gatewayInfoActive);
        // Dropped edits give the row back to the list in MAC order.
        connect(row, &GatewayInfoWidget::editingEnded, this, &ZORURuroza::refreshRows);
        connect(row, &GatewayInfoWidget::acceptRequested, this, &ZORURuroza::gatewayAcceptChanges);
    }
    connect(gatewayList, &GatewayList::offsetChanged, this, &ZORURuroza::refreshRows);

    countLabel = new QLabel(this);
    countLabel->setGeometry(countRect());
    countLabel->setAlignment(Qt::AlignCenter);
    QFont countFont;
    countFont.setPixelSize(11);
    countLabel->setFont(countFont);
    QPalette grey = countLabel->palette();
    grey.setColor(QPalette::WindowText, QColor(136, 136, 136));
    countLabel->setPalette(grey);

    // The keyboard: the list, then the buttons from left to right; F5 searches as "Suchen" does. A click
    // on a button leaves the keyboard where it was.
    for (PushButton *button : {searchButton, acceptButton, closeButton})
        button->setFocusPolicy(Qt::TabFocus);
    setTabOrder(gatewayList, searchButton);
    setTabOrder(searchButton, acceptButton);
    setTabOrder(acceptButton, closeButton);
    gatewayList->setFocus(Qt::OtherFocusReason);
    connect(new QShortcut(Qt::Key_F5, this), &QShortcut::activated, this, [this] {
        if (!popupShown())
            scanNetwork();
    });

    ackTimer = new QTimer(this);
    ackTimer->setSingleShot(true);
    ackTimer->setTimerType(Qt::PreciseTimer);
    ackTimer->setInterval(AckTimeout);
    connect(ackTimer, &QTimer::timeout, this, &ZORURuroza::reportMissingAck);
    findTimer = new QTimer(this);
    findTimer->setSingleShot(true);
    findTimer->setInterval(RescanInterval);
    connect(findTimer, &QTimer::timeout, this, &ZORURuroza::reportGatewayNotFound);
    verifyTimer = new QTimer(this);
    verifyTimer->setSingleShot(true);
    verifyTimer->setInterval(RescanInterval);
    connect(verifyTimer, &QTimer::timeout, this, &ZORURuroza::reportSilenceAfterChange);
    // The count is said once the replies to the user's search have stopped coming.
    resultTimer = new QTimer(this);
    resultTimer->setSingleShot(true);
    resultTimer->setInterval(ResultQuiet);
    connect(resultTimer, &QTimer::timeout, this, [this] { Announcer::announce(this, countText()); });

    // An exclusive bind: a second finder, or any other program on the gateway port, makes it fail.
    gatewaySession = new GatewaySession(this);
    changeJournal = std::make_unique<ChangeJournal>();
    gatewaySession->setJournal(changeJournal.get());
    gatewayList->setSession(gatewaySession);
    udpSocket = gatewaySession->socket();
    connect(gatewaySession, &GatewaySession::recordsChanged, this, &ZORURuroza::recordsChanged);
    connect(gatewaySession, &GatewaySession::acknowledged, this, &ZORURuroza::acknowledgeSettings);
    if (gatewaySession->bind())
        scanNetwork();
    else
        showConnectionError();
    connect(udpSocket, &QUdpSocket::readyRead, this, &ZORURuroza::readFromNetwork);
}

ZORURuroza::~ZORURuroza()
{
    gatewaySession->setJournal(nullptr);
}

const QList<GatewayRecord *> &ZORURuroza::records() const
{
    return gatewaySession->records();
}

bool ZORURuroza::isSocketBound() const
{
    return gatewaySession->isBound();
}

QString ZORURuroza::countText() const
{
    return countLabel->text();
}

// A popup holds the keyboard: nothing beneath it reacts to a key.
bool ZORURuroza::popupShown() const
{
    const auto popups = findChildren<PopupWidget *>(Qt::FindDirectChildrenOnly);
    return std::any_of(popups.cbegin(), popups.cend(), [](const PopupWidget *p) { return p->isVisible(); });
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

void ZORURuroza::showMessage(const QString &accessibleTitle, const QStringList &lines)
{
    auto *popup = new MessageBox(lines, tr("Meldung"), this);
    popup->setAccessibleName(accessibleTitle);
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
    const bool last = ++rescanTicks == 2;
    if (last) {
        if (rescanTimerId != 0) {
            killTimer(rescanTimerId);
            rescanTimerId = 0;
        }
        rescanTicks = 0;
    }
    // The view stays where it is, so the technician can go on down the list.
    search();
    // Any reply from the gateway counted as its confirmation, so what it reports after the last
    // re-scan tells whether it took the settings.
    if (last && !confirmedValues.mac.isEmpty()) {
        verifying = true;
        verifyTimer->start();
    }
}

void ZORURuroza::gatewayAcceptChanges()
{
    const GatewayInfoWidget *edited = editedRow();
    if (edited && !edited->isValid()) {
        Announcer::announce(this, tr("Nicht gesendet, ungültig: %1").arg(edited->invalidFields().join(", ")));
        return;
    }
    if (!edited)
        return;
    sendGatewaySettings();
    closeLoginPopup();
}

void ZORURuroza::gatewayInfoActive()
{
    auto *activated = qobject_cast<GatewayInfoWidget *>(sender());
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row != activated)
            row->discardEdits(true);
    }
    if (activated && activated->isActive() && !rowsShowRecordOrder())
        moveEditingToRecordOrder(activated);
    if (GatewayInfoWidget *edited = editedRow())
        gatewayList->setCurrentRow(int(gatewayRows.indexOf(edited)));
}

// Late replies had laid the rows out around the row edited before; with its editing ended, the rows
// go back to MAC order, and the editing goes with the clicked gateway to the row that now shows it.
void ZORURuroza::moveEditingToRecordOrder(GatewayInfoWidget *edited)
{
    const QString mac = edited->mac();
    const bool dhcp = edited->dhcp();
    const QWidget *focus = QApplication::focusWidget();
    const auto isFocus = [focus](const QWidget *w) { return focus && focus == w; };
    int focusedField = -1;
    for (int f = 0; f < GatewayInfoWidget::FieldCount; ++f) {
        if (isFocus(edited->editor(GatewayInfoWidget::Field(f))))
            focusedField = f;
    }
    const bool boxFocused = isFocus(edited->dhcpCheckBox());
    {
        const QSignalBlocker quiet(edited);
        edited->discardEdits(true);
    }
    refreshRows();
    const auto target =
        std::find_if(gatewayRows.cbegin(), gatewayRows.cend(),
                     [&mac](const GatewayInfoWidget *r) { return !r->isHidden() && r->mac() == mac; });
    if (target == gatewayRows.cend())
        return;
    (*target)->beginEditing(dhcp);
    if (focusedField >= 0)
        (*target)->editor(GatewayInfoWidget::Field(focusedField))->setFocus(Qt::OtherFocusReason);
    else if (boxFocused)
        (*target)->dhcpCheckBox()->setFocus(Qt::OtherFocusReason);
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

// The user's search ("Suchen", F5) starts again at the top of the list.
void ZORURuroza::scanNetwork()
{
    search();
    resultTimer->start();
    gatewayList->setOffset(0);
    gatewayList->setCurrentRow(0);
}

void ZORURuroza::search()
{
    // The wait for a confirmation belongs to the settings sent: a search within its 3 s leaves it
    // alone. After the notice a late confirmation counts only until the list is searched again.
    if (!ackTimer->isActive())
        gatewaySession->stopAwaitingAck();
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
    updateExtent();
    updateConflictMarks();
}

void ZORURuroza::readFromNetwork()
{
    gatewaySession->readPending();
    if (resultTimer->isActive())
        resultTimer->start();
}

void ZORURuroza::addGatewayRecord(const QString &gatewayName, int number, const QString &mac,
                                  const QString &ip, const QString &subnet, const QString &gateway,
                                  const QString &nameserver, bool dhcp)
{
    gatewaySession->addRecord({number, gatewayName, mac, ip, subnet, gateway, nameserver, dhcp});
    refreshRows();
}

// Only changes up to the last record shown can change what the rows show (one more, for the edited
// gateway kept out of the order); further down, a new gateway may still share a shown gateway's
// address, and it counts.
void ZORURuroza::recordsChanged(qsizetype firstIndex)
{
    if (firstIndex <= gatewayList->offset() + RowCount) {
        refreshRows();
    } else {
        updateExtent();
        updateConflictMarks();
    }
    if (findTimer->isActive() && gatewaySession->canReach(sentValues.mac))
        deliverSettings();
    if (verifying && gatewaySession->record(confirmedValues.mac))
        verifySettings();
}

// The marks follow the values the rows show: a row showing values that were sent but are not
// reported yet, or whose gateway did not answer the last search, counts with what it shows.
void ZORURuroza::updateConflictMarks()
{
    QHash<QString, int> added;
    for (const GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        const GatewayRecord *r = row->isHidden() ? nullptr : gatewaySession->record(row->mac());
        if (row->isHidden() || (r && r->ip == row->ip()))
            continue;
        if (r)
            --added[r->ip];
        ++added[row->ip()];
    }
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row->isHidden())
            continue;
        row->setConflict(gatewaySession->isConflicting(row->ip(), added.value(row->ip())));
        row->setUnreachableNetwork(Reachability::unreachableNetwork(row->ip(), row->subnet(), row->dhcp(),
                                                                    gatewaySession->pcNetworks()));
    }
}

GatewayInfoWidget *ZORURuroza::editedRow() const
{
    const auto row = std::find_if(gatewayRows.cbegin(), gatewayRows.cend(),
                                  [](const GatewayInfoWidget *r) { return r->isActive(); });
    return row != gatewayRows.cend() ? *row : nullptr;
}

// The list's extent, its scroll bar and the count: the edited gateway keeps its row, and the other
// records scroll through the others.
void ZORURuroza::updateExtent()
{
    const GatewayInfoWidget *edited = editedRow();
    const QList<GatewayRecord *> &records = gatewaySession->records();
    const bool editedListed = edited && gatewaySession->indexOf(edited->mac()) >= 0;
    gatewayList->setExtent(int(records.size()), int(records.size()) - (editedListed ? 1 : 0),
                           edited ? RowCount - 1 : RowCount);
    countLabel->setText(gatewayList->countText());
}

// Rows show the records in MAC order, one each, from the list's offset on. The row being edited is
// left alone, editors, focus and gateway included: it stays where it is, and the other records fill
// the other rows in order.
void ZORURuroza::refreshRows()
{
    updateExtent();
    GatewayInfoWidget *edited = editedRow();
    const QList<GatewayRecord *> &records = gatewaySession->records();
    const qsizetype skipped = edited ? gatewaySession->indexOf(edited->mac()) : -1;
    qsizetype next = gatewayList->offset();
    for (GatewayInfoWidget *row : std::as_const(gatewayRows)) {
        if (row == edited)
            continue;
        const qsizetype at = skipped >= 0 && next >= skipped ? next + 1 : next;
        if (at >= records.size()) {
            row->hide();
            continue;
        }
        ++next;
        const GatewayRecord *r = records.at(at);
        row->setValues(r->gatewayName, QString::number(r->number), r->mac, r->ip, r->subnet, r->gateway,
                       r->nameserver, r->dhcp);
        row->show();
    }
    updateConflictMarks();
    gatewayList->rowsRefreshed();
}

bool ZORURuroza::rowsShowRecordOrder() const
{
    const QList<GatewayRecord *> &records = gatewaySession->records();
    const int first = gatewayList->offset();
    for (int k = 0; k < gatewayRows.size(); ++k) {
        const GatewayInfoWidget *row = gatewayRows.at(k);
        const bool shouldShow = first + k < records.size();
        if (row->isHidden() == shouldShow || (shouldShow && row->mac() != records.at(first + k)->mac))
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
    sentValues = values;
    changeJournal->startRun(QStringLiteral("window"));
    // New settings take the place of the last confirmed ones: those are no longer compared.
    confirmedValues = GatewayRecord();
    verifying = false;
    verifyTimer->stop();
    updateConflictMarks();
    if (gatewaySession->canReach(values.mac)) {
        deliverSettings();
    } else {
        // Not listed since the last search, or its network is gone: a plain broadcast could reach
        // the wrong network, so search, and send when the gateway answers.
        ackTimer->stop();
        gatewaySession->stopAwaitingAck();
        search();
        findTimer->start();
    }
    if (!rowsShowRecordOrder())
        refreshRows();
}

void ZORURuroza::deliverSettings()
{
    findTimer->stop();
    const qint64 sent = gatewaySession->sendSettings(sentValues);
    if (sent == GatewaySession::NotRecorded) {
        ackTimer->stop();
        showMessage(tr("Nicht gesendet"), {tr("Das Änderungsprotokoll konnte nicht geschrieben werden."),
                                           tr("Die Einstellungen wurden nicht gesendet.")});
        return;
    }
    if (sent < 0) {
        ackTimer->stop();
        recordOutcome(QStringLiteral("send-failed"));
        showMessage(tr("Nicht gesendet"), {tr("Die Einstellungen konnten nicht gesendet werden."),
                                           tr("Bitte erneut suchen und die Werte prüfen.")});
        return;
    }
    ackTimer->start();
}

void ZORURuroza::reportGatewayNotFound()
{
    showMessage(tr("Gateway nicht gefunden"),
                {tr("Das Gateway wurde nicht gefunden."), tr("Die Einstellungen wurden nicht gesendet.")});
}

// With DHCP on, the addresses come from the DHCP server: only the name and the flag are compared.
void ZORURuroza::verifySettings()
{
    verifying = false;
    verifyTimer->stop();
    const GatewayRecord *now = gatewaySession->record(confirmedValues.mac);
    if (!now)
        return;
    QStringList lines;
    const auto compare = [&lines](const QString &title, const QString &reported, const QString &sent) {
        if (reported != sent)
            lines.append(tr("%1: %2 statt %3").arg(title, reported, sent));
    };
    compare(tr("Hostname"), now->gatewayName,
            QString::fromLatin1(GatewayFrame::sentName(confirmedValues.gatewayName)));
    const QString on = tr("an"), off = tr("aus");
    compare(tr("DHCP"), now->dhcp ? on : off, confirmedValues.dhcp ? on : off);
    if (!confirmedValues.dhcp) {
        // "10.1..5" goes out as 10.1.0.5, which is what the gateway reports.
        const auto asSent = [](const QString &text) {
            const QString canonical = canonicalIpText(text);
            return canonical.isEmpty() ? text : canonical;
        };
        compare(tr("IP-Adresse"), now->ip, asSent(confirmedValues.ip));
        compare(tr("Subnetmaske"), now->subnet, asSent(confirmedValues.subnet));
        compare(tr("Gateway"), now->gateway, asSent(confirmedValues.gateway));
        compare(tr("Nameserver"), now->nameserver, asSent(confirmedValues.nameserver));
    }
    recordOutcome(lines.isEmpty() ? QStringLiteral("applied") : QStringLiteral("mismatch"), now);
    if (lines.isEmpty())
        return;
    lines.prepend(tr("Das Gateway meldet andere Werte als gesendet:"));
    showMessage(tr("Andere Werte gemeldet"), lines);
}

void ZORURuroza::reportSilenceAfterChange()
{
    verifying = false;
    recordOutcome(QStringLiteral("mismatch"));
    showMessage(tr("Keine Antwort nach der Änderung"),
                {tr("Das Gateway antwortet nach der Änderung nicht mehr."),
                 tr("Bitte erneut suchen und die Werte prüfen.")});
}

void ZORURuroza::acknowledgeSettings()
{
    ackTimer->stop();
    confirmedValues = sentValues;
    showMessage(tr("Gespeichert"), {tr("Einstellungen wurden erfolgreich gespeichert!")});
    // A new acknowledgement starts the two searches afresh.
    if (rescanTimerId != 0)
        killTimer(rescanTimerId);
    rescanTicks = 0;
    rescanTimerId = startTimer(RescanInterval);
}

// The confirmation may still come: it is taken as long as no search has started.
void ZORURuroza::reportMissingAck()
{
    recordOutcome(QStringLiteral("not-confirmed"));
    showMessage(tr("Nicht bestätigt"), {tr("Das Gateway hat die Einstellungen nicht bestätigt."),
                                        tr("Bitte erneut suchen und die Werte prüfen.")});
}

void ZORURuroza::recordOutcome(const QString &outcome, const GatewayRecord *reported)
{
    // The change is on record already; an outcome that cannot be written leaves it without one.
    (void)changeJournal->recordOutcomes({{sentValues.mac, outcome, reported}});
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
