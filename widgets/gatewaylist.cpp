#include "gatewaylist.h"

#include "checkbox.h"
#include "gatewayinfowidget.h"
#include "lineedit/clineedit.h"
#include "scrollbar.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
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
        announced.append(QString());
    }
    bar = new ScrollBar(this);
    bar->setGeometry(scrollBarRect());
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
    if (this->offset() != before)
        emit offsetChanged();
}

void GatewayList::scrollBy(int rows)
{
    setOffset(offset() + rows);
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
    if (row == current)
        return;
    current = row;
    showCurrent();
    announceCurrent();
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
            edited->discardEdits(true);
        break;
    case Qt::Key_Space:
        if (row->isHidden())
            break;
        row->dhcpCheckBox()->click();
        if (GatewayInfoWidget *edited = editedRow())
            setCurrentRow(int(rowWidgets.indexOf(edited)));
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
    announceCurrent();
}

void GatewayList::focusOutEvent(QFocusEvent *)
{
    showCurrent();
}

void GatewayList::showCurrent()
{
    const bool shown = keyboard && hasFocus();
    for (int i = 0; i < RowCount; ++i)
        rowWidgets.at(i)->setCurrent(shown && i == current);
}

void GatewayList::announceCurrent()
{
    GatewayInfoWidget *row = rowWidgets.at(current);
    if (hasFocus() && !row->isHidden() && QAccessible::isActive()) {
        QAccessibleEvent event(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void GatewayList::rowsRefreshed()
{
    const int shown = shownRows();
    if (current >= shown && shown > 0)
        setCurrentRow(shown - 1);
    if (!QAccessible::isActive())
        return;
    for (int i = 0; i < RowCount; ++i) {
        GatewayInfoWidget *row = rowWidgets.at(i);
        const QString now =
            row->isHidden() ? QString() : itemName(row) + QLatin1Char('\n') + itemDescription(row);
        if (now == announced.at(i))
            continue;
        announced[i] = now;
        if (row->isHidden())
            continue;
        QAccessibleEvent name(row, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
        QAccessibleEvent description(row, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&description);
    }
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
    QString text =
        tr("Subnetmaske %1, Gateway %2, Nameserver %3, DHCP %4")
            .arg(row->subnet(), row->gateway(), row->nameserver(), row->dhcp() ? tr("an") : tr("aus"));
    if (row->hasConflict())
        text += tr(", IP-Adresse mehrfach vergeben");
    if (!row->unreachableText().isEmpty())
        text += QStringLiteral(", ") + row->unreachableText();
    return text;
}
