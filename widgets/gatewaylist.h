#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class GatewayInfoWidget;
class ScrollBar;

// The twelve gateway rows as a view onto the whole list of gateways, with the scroll bar beside
// them. It keeps the view's place (the first record shown) and the current row, scrolls by wheel,
// scroll bar and keys, and is the keyboard's single stop for the rows: the arrows, Page Up/Down and
// Home/End move the current row, Return or F2 opens it for editing, Space ticks its DHCP box, and
// Escape drops the edits of the row being edited.
// Which record a row shows is the window's business; it tells the list the extent.
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
    ScrollBar *scrollBar() const { return bar; }

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
    // What a screen reader reads for a row: host name, MAC and IP address; then the other values.
    static QString itemName(const GatewayInfoWidget *row);
    static QString itemDescription(const GatewayInfoWidget *row);

    // After the rows were filled: keeps the current row on a shown one and tells assistive
    // technology which rows show something else now (once per refresh, not once per reply).
    void rowsRefreshed();

signals:
    // The view moved: the rows must be filled again.
    void offsetChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int shownRows() const;
    void moveTo(int index);
    void showCurrent();
    void announceCurrent();

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
    QStringList announced; // per row, what assistive technology was last told it shows
};
