#include "gatewaylist.h"

#include "announcer.h"
#include "checkbox.h"
#include "gatewayinfowidget.h"
#include "lineedit/clineedit.h"
#include "listaccessible.h"
#include "protocol/gatewaysession.h"
#include "protocol/reachability.h"
#include "scrollbar.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWheelEvent>

GatewayList::GatewayList(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Gateways"));
    for (int i = 0; i < RowCount; ++i) {
        auto *row = new GatewayInfoWidget(this);
        row->setGeometry(rowRect(i));
        row->hide();
        rowWidgets.append(row);
    }
    bar = new ScrollBar(parent ? parent : this);
    bar->setGeometry(parent ? scrollBarRect().translated(pos()) : scrollBarRect());
    bar->hide();
    connect(bar, &ScrollBar::valueChanged, this, [this](int value) {
        if (!updatingBar)
            setOffset(value);
    });
}

void GatewayList::setExtent(int total, int scrolling, int rowSlots)
{
    listed = total;
    this->scrolling = scrolling;
    this->rowSlots = rowSlots;
    updatingBar = true;
    bar->setRange(0, maxOffset());
    bar->setPageStep(rowSlots);
    bar->setValue(offset());
    updatingBar = false;
    bar->setVisible(total > RowCount);
}

void GatewayList::setOffset(int offset)
{
    const int before = this->offset();
    wanted = qBound(0, offset, maxOffset());
    if (this->offset() != before) {
        scrolled = true;
        emit offsetChanged();
    }
}

void GatewayList::scrollBy(int rows)
{
    setOffset(offset() + rows);
}

GatewayInfoWidget *GatewayList::rowShowing(const QString &mac) const
{
    for (GatewayInfoWidget *row : rowWidgets) {
        if (!row->isHidden() && row->mac() == mac)
            return row;
    }
    return nullptr;
}

GatewayInfoWidget *GatewayList::editedRow() const
{
    for (GatewayInfoWidget *row : rowWidgets) {
        if (row->isActive())
            return row;
    }
    return nullptr;
}

int GatewayList::shownRows() const
{
    int shown = 0;
    for (const GatewayInfoWidget *row : rowWidgets)
        shown += row->isHidden() ? 0 : 1;
    return shown;
}

void GatewayList::setCurrentRow(int row)
{
    row = qBound(0, row, RowCount - 1);
    currentMac = rowWidgets.at(row)->isHidden() ? QString() : rowWidgets.at(row)->mac();
    if (row == current)
        return;
    current = row;
    showCurrent();
    announceCurrent(false);
}

// The rows fill from the top, so the shown ones are 0 to shownRows() - 1.
void GatewayList::moveTo(int index)
{
    index = qBound(0, index, qMax(0, scrolling - 1));
    if (index < offset())
        setOffset(index);
    else if (index >= offset() + rowSlots)
        setOffset(index - rowSlots + 1);
    setCurrentRow(qMin(index - offset(), qMax(0, shownRows() - 1)));
}

void GatewayList::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        event->ignore();
        return;
    }
    const bool wasShown = keyboard;
    keyboard = true;
    const int index = offset() + current;
    GatewayInfoWidget *row = rowWidgets.at(current);
    switch (event->key()) {
    case Qt::Key_Up:
        moveTo(index - 1);
        break;
    case Qt::Key_Down:
        moveTo(index + 1);
        break;
    case Qt::Key_PageUp:
        moveTo(index - RowCount);
        break;
    case Qt::Key_PageDown:
        moveTo(index + RowCount);
        break;
    case Qt::Key_Home:
        moveTo(0);
        break;
    case Qt::Key_End:
        moveTo(scrolling - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (row->isHidden())
            break;
        if (!row->isActive())
            row->beginEditing(row->dhcp());
        // The window may have moved the editing to the row that shows this gateway in MAC order.
        if (GatewayInfoWidget *edited = editedRow()) {
            setCurrentRow(int(rowWidgets.indexOf(edited)));
            edited->editor(GatewayInfoWidget::Name)->setFocus(Qt::TabFocusReason);
        }
        break;
    case Qt::Key_Escape:
        if (GatewayInfoWidget *edited = editedRow())
            edited->cancelEditing();
        break;
    case Qt::Key_Space:
        if (row->isHidden())
            break;
        row->dhcpCheckBox()->click();
        if (GatewayInfoWidget *edited = editedRow()) {
            setCurrentRow(int(rowWidgets.indexOf(edited)));
            Announcer::announce(this, (edited->dhcp() ? tr("DHCP an, %1 wird bearbeitet")
                                                      : tr("DHCP aus, %1 wird bearbeitet"))
                                          .arg(edited->gatewayName()));
        }
        break;
    default:
        keyboard = wasShown;
        event->ignore();
        return;
    }
    if (!wasShown)
        showCurrent();
}

void GatewayList::wheelEvent(QWheelEvent *event)
{
    wheelRemainder += event->angleDelta().y();
    const int notches = wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0)
        scrollBy(-notches * QApplication::wheelScrollLines());
    event->accept();
}

// Entered by Tab, the list shows its current row at once; opened or clicked, only from the first key,
// so that the list looks as it always did until the keyboard is used.
void GatewayList::focusInEvent(QFocusEvent *event)
{
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        keyboard = true;
    showCurrent();
    // After the list's own focus event, which names only the list.
    QTimer::singleShot(0, this, [this] { announceCurrent(true); });
}

void GatewayList::focusOutEvent(QFocusEvent *)
{
    showCurrent();
}

void GatewayList::moveEvent(QMoveEvent *)
{
    if (bar->parentWidget() != this)
        bar->move(pos() + scrollBarRect().topLeft());
}

void GatewayList::showCurrent()
{
    const bool shown = keyboard && hasFocus();
    for (int i = 0; i < RowCount; ++i)
        rowWidgets.at(i)->setCurrent(shown && i == current);
}

// The focused item is the current gateway's: screen readers speak a focused item only when it is
// another object than the one they were on, so the item belongs to the gateway, not to the row.
void GatewayList::announceCurrent(bool always)
{
    GatewayInfoWidget *row = rowWidgets.at(current);
    if (!hasFocus() || row->isHidden() || !QAccessible::isActive() || (!always && row->mac() == spoken))
        return;
    auto *items = dynamic_cast<ListAccessible *>(QAccessible::queryAccessibleInterface(this));
    if (QAccessibleInterface *item = items ? items->itemFor(row) : nullptr) {
        spoken = row->mac();
        QAccessibleEvent event(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void GatewayList::rowsRefreshed()
{
    // Scrolled, the current row keeps its place and takes the gateway that came under it. Filled
    // again (a search adds one reply at a time, an edit ends), it follows its gateway, and waits for
    // it on the last shown row while it has not answered yet.
    const bool viewMoved = scrolled;
    scrolled = false;
    GatewayInfoWidget *const row = rowWidgets.at(current);
    GatewayInfoWidget *const showing = currentMac.isEmpty() ? nullptr : rowShowing(currentMac);
    if (!row->isHidden() && (viewMoved || currentMac.isEmpty())) {
        currentMac = row->mac();
    } else if (showing || (row->isHidden() && shownRows() > 0)) {
        current = showing ? int(rowWidgets.indexOf(showing)) : shownRows() - 1;
        showCurrent();
    }
    if (!QAccessible::isActive())
        return;
    if (auto *items = dynamic_cast<ListAccessible *>(QAccessible::queryAccessibleInterface(this)))
        items->dropStaleItems();
    // Once for all the replies of one pass.
    QTimer::singleShot(0, this, [this] {
        if (rowWidgets.at(current)->mac() == currentMac)
            announceCurrent(false);
    });
}

QString GatewayList::countText() const
{
    if (listed == 1)
        return tr("1 Gateway");
    const int first = offset();
    if (first == 0)
        return tr("%1 Gateways").arg(listed);
    return tr("%1–%2 von %3 Gateways").arg(first + 1).arg(qMin(listed, first + RowCount)).arg(listed);
}

QString GatewayList::itemName(const GatewayInfoWidget *row)
{
    return QStringLiteral("%1, %2, %3").arg(row->gatewayName(), row->mac(), row->ip());
}

QString GatewayList::itemDescription(const GatewayInfoWidget *row)
{
    return describeItem(row->subnet(), row->gateway(), row->nameserver(), row->dhcp(), row->hasConflict(),
                        row->unreachableText());
}

QString GatewayList::itemName(const GatewayRecord &record) const
{
    return QStringLiteral("%1, %2, %3").arg(record.gatewayName, record.mac, record.ip);
}

QString GatewayList::itemDescription(const GatewayRecord &record) const
{
    if (!gatewaySession)
        return describeItem(record.subnet, record.gateway, record.nameserver, record.dhcp, false, QString());
    return describeItem(record.subnet, record.gateway, record.nameserver, record.dhcp,
                        gatewaySession->isConflicting(record.ip),
                        GatewayInfoWidget::unreachableText(Reachability::unreachableNetwork(
                            record.ip, record.subnet, record.dhcp, gatewaySession->pcNetworks())));
}

// Rows and the gateways scrolled out of view are described alike, here.
QString GatewayList::describeItem(const QString &subnet, const QString &gateway, const QString &nameserver,
                                  bool dhcp, bool conflict, const QString &unreachable)
{
    QString text = tr("Subnetmaske %1, Gateway %2, Nameserver %3, DHCP %4")
                       .arg(subnet, gateway, nameserver, dhcp ? tr("an") : tr("aus"));
    if (conflict)
        text += tr(", IP-Adresse mehrfach vergeben");
    if (!unreachable.isEmpty())
        text += QStringLiteral(", ") + unreachable;
    return text;
}
