#pragma once

#include "protocol/gatewayrecord.h"
#include "protocol/gatewaysession.h"

#include <QList>
#include <QMainWindow>

#include <memory>

class ChangeJournal;
class GatewayInfoWidget;
class GatewayList;
class PushButton;
class QLabel;
class QSvgRenderer;
class QTimer;
class QUdpSocket;

// The finder's only window: owns the gateway session (the UDP socket on the gateway port and the
// gateways found since the last search, ascending by MAC text), twelve rows showing them as a view
// that scrolls (the first view shows the first twelve), the count of them, and the buttons.
class ZORURuroza : public QMainWindow
{
    Q_OBJECT

public:
    explicit ZORURuroza(QWidget *parent = nullptr);
    ~ZORURuroza() override;

    static constexpr int RowCount = 12;
    static constexpr int RescanInterval = GatewaySession::RescanInterval; // between the searches
    static constexpr int AckTimeout = GatewaySession::AckTimeout;
    static constexpr quint16 CommandPort = 55555;
    // Without a reply for this long, the user's search has its answers.
    static constexpr int ResultQuiet = 1000;

    static QRect rowRect(int index) { return {17, 51 + 40 * index, 826, 40}; }
    static QRect acceptButtonRect() { return {590, 552, 113, 27}; }
    static QRect closeButtonRect() { return {731, 552, 113, 27}; }
    static QRect searchButtonRect() { return {16, 552, 113, 27}; }
    static QRectF headRect() { return {17, 20, 826, 31}; }
    // The rows and, right of them (x 843 to 856), the scroll bar.
    static QRect listRect() { return {17, 51, 840, 480}; }
    // Between "Suchen" and "Übernehmen".
    static QRect countRect() { return {139, 552, 441, 27}; }

    // The gateways found since the last search, in MAC order.
    const QList<GatewayRecord *> &records() const;
    const QList<GatewayInfoWidget *> &rows() const { return gatewayRows; }
    GatewayList *list() const { return gatewayList; }
    QString countText() const;
    bool isSocketBound() const;
    GatewaySession *session() const { return gatewaySession; }

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
    void search();
    bool popupShown() const;
    void refreshRows();
    void updateExtent();
    void recordsChanged(qsizetype firstIndex);
    bool rowsShowRecordOrder() const;
    GatewayInfoWidget *editedRow() const;
    void closeLoginPopup();
    void showConnectionError();
    // Drawn under the title "Meldung"; a screen reader hears the more telling accessibleTitle.
    void showMessage(const QString &accessibleTitle, const QStringList &lines);
    void acknowledgeSettings();
    void reportMissingAck();
    void deliverSettings();
    void reportGatewayNotFound();
    void verifySettings();
    void reportSilenceAfterChange();
    // The outcome of the change last sent, for the change journal.
    void recordOutcome(const QString &outcome, const GatewayRecord *reported = nullptr);
    void updateConflictMarks();
    void moveEditingToRecordOrder(GatewayInfoWidget *edited);
    void sendCommand(const char *command);

    QSvgRenderer *backgroundRenderer = nullptr;
    QSvgRenderer *headRenderer = nullptr;
    QList<GatewayInfoWidget *> gatewayRows; // the list's rows
    GatewayList *gatewayList = nullptr;
    QLabel *countLabel = nullptr;
    QWidget *loginPopup = nullptr;
    PushButton *acceptButton = nullptr;
    PushButton *closeButton = nullptr;
    PushButton *searchButton = nullptr;
    int rescanTimerId = 0;
    int rescanTicks = 0;
    GatewaySession *gatewaySession = nullptr;     // the records and the acknowledgement state
    std::unique_ptr<ChangeJournal> changeJournal; // every settings frame sent is recorded there first
    QUdpSocket *udpSocket = nullptr;              // the session's socket
    QTimer *ackTimer = nullptr;                   // runs while a confirmation is awaited
    QTimer *findTimer = nullptr;                  // runs while the gateway of the settings is searched for
    QTimer *verifyTimer = nullptr; // runs from the last re-scan until the changed gateway answers
    QTimer *resultTimer = nullptr; // runs from the user's search until its replies stop coming
    GatewayRecord sentValues;      // the settings last committed, sent or about to be sent
    GatewayRecord confirmedValues; // the settings last acknowledged
    bool verifying = false;        // the last re-scan's reply is compared with confirmedValues
};
