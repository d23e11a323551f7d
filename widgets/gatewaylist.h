#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class GatewayInfoWidget;
class GatewaySession;
class ScrollBar;
struct GatewayRecord;

// The twelve gateway rows as a view onto the whole list of gateways, with the scroll bar beside
// them. It keeps the view's place (the first record shown) and the current row, scrolls by wheel,
// scroll bar and keys, and is the keyboard's single stop for the rows: the arrows, Page Up/Down and
// Home/End move the current row, Return or F2 opens it for editing, Space ticks its DHCP box, and
// Escape drops the edits of the row being edited.
// Which record a row shows is the window's business; it tells the list the extent, and hands it
// the session so that assistive technology finds every gateway listed, not only the twelve shown.
// The current row follows its gateway when the rows are filled again, and a screen reader is told
// the current gateway whenever another one comes under the keyboard.
class GatewayList : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RowCount = 12;

    explicit GatewayList(QWidget *parent = nullptr);

    // Geometry in list coordinates: the rows from the top, the scroll bar in the margin right of them.
    static QRect rowRect(int index) { return {0, 40 * index, 826, 40}; }
    static QRect scrollBarRect() { return {826, 0, 14, 480}; }

    const QList<GatewayInfoWidget *> &rows() const { return rowWidgets; }
    // Beside the list in its parent (a child of the list only without a parent), so that the
    // list's accessible items are the gateways alone.
    ScrollBar *scrollBar() const { return bar; }
    void setSession(const GatewaySession *session) { gatewaySession = session; }
    const GatewaySession *session() const { return gatewaySession; }
    // The shown row with this gateway, or null.
    GatewayInfoWidget *rowShowing(const QString &mac) const;

    // total gateways listed; scrolling of them move through rowSlots rows (an edited row holds its
    // place and its gateway, so the others share the rest).
    void setExtent(int total, int scrolling, int rowSlots);
    int total() const { return listed; }
    // The first scrolling record shown. A re-scan that lists fewer gateways for a while does not
    // lose the place asked for: the view returns to it as they come back.
    int offset() const { return qMin(wanted, maxOffset()); }
    int maxOffset() const { return qMax(0, scrolling - rowSlots); }
    void setOffset(int offset);
    void scrollBy(int rows);

    int currentRow() const { return current; }
    void setCurrentRow(int row);
    GatewayInfoWidget *editedRow() const;

    // "30 Gateways", or with the view away from the top "13–24 von 30 Gateways".
    QString countText() const;
    // What a screen reader reads for a gateway: host name, MAC and IP address; then the other
    // values and any warning about them.
    static QString itemName(const GatewayInfoWidget *row);
    static QString itemDescription(const GatewayInfoWidget *row);
    QString itemName(const GatewayRecord &record) const;
    QString itemDescription(const GatewayRecord &record) const;

    // After the rows were filled: the current row follows its gateway, and a screen reader hears of
    // another gateway under the keyboard (once per refresh, not once per reply).
    void rowsRefreshed();

signals:
    // The view moved: the rows must be filled again.
    void offsetChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    int shownRows() const;
    void moveTo(int index);
    void showCurrent();
    // Tells a screen reader the current gateway: always, or only when it is another than last told.
    void announceCurrent(bool always);
    static QString describeItem(const QString &subnet, const QString &gateway, const QString &nameserver,
                                bool dhcp, bool conflict, const QString &unreachable);

    QList<GatewayInfoWidget *> rowWidgets;
    ScrollBar *bar = nullptr;
    int listed = 0;
    int scrolling = 0;
    int rowSlots = RowCount;
    int wanted = 0;         // the offset asked for
    int current = 0;        // the current row, 0 to 11
    bool keyboard = false;  // the keyboard has been used in the list: the current row is shown
    int wheelRemainder = 0; // eighths of a degree not yet turned into rows
    bool updatingBar = false;
    bool scrolled = false; // the view moved since the rows were last filled
    QString currentMac;    // the gateway of the current row; empty while the row shows none
    QString spoken;        // the MAC of the gateway a screen reader was last told is current
    const GatewaySession *gatewaySession = nullptr;
};
