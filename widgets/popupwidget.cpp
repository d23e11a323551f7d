#include "popupwidget.h"

#include "pushbutton.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QSvgRenderer>

PopupWidget::PopupWidget(const QString &imagePath, QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    renderer = new QSvgRenderer(imagePath, this);

    okButton = new PushButton(QStringLiteral(":/images/popup_btn_normal"),
                              QStringLiteral(":/images/popup_btn_down"), tr("OK"), this);
    okButton->setTextColor(lightText());
    okButton->setGeometry(okButtonRect());
    okButton->setFocusPolicy(Qt::NoFocus);
    connect(okButton, &PushButton::clicked, this, &PopupWidget::slotOk);

    cancelButton = new PushButton(QStringLiteral(":/images/popup_btn_normal"),
                                  QStringLiteral(":/images/popup_btn_down"), tr("Abbrechen"), this);
    cancelButton->setTextColor(lightText());
    cancelButton->setGeometry(cancelButtonRect());
    cancelButton->setFocusPolicy(Qt::NoFocus);
    connect(cancelButton, &PushButton::clicked, this, &PopupWidget::slotCancel);
    // Also when the popup becomes visible only with its window.
    setFocus(Qt::OtherFocusReason);
}

void PopupWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    QWidget *focused = window()->focusWidget();
    if (focused != this && !isAncestorOf(focused)) {
        if (!qobject_cast<PopupWidget *>(focused))
            returnFocus = focused;
        setFocus(Qt::OtherFocusReason);
    }
}

// A popup still shown beneath takes the keyboard back.
void PopupWidget::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!parentWidget())
        return;
    const auto popups = parentWidget()->findChildren<PopupWidget *>(Qt::FindDirectChildrenOnly);
    for (auto it = popups.crbegin(); it != popups.crend(); ++it) {
        if (*it != this && (*it)->isVisible()) {
            (*it)->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    // The last popup gone, the keyboard goes back to where it was.
    if (returnFocus && returnFocus->isVisible())
        returnFocus->setFocus(Qt::OtherFocusReason);
}

void PopupWidget::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        slotOk();
        break;
    case Qt::Key_Escape:
        slotCancel();
        break;
    default:
        break;
    }
    event->accept();
}

bool PopupWidget::focusNextPrevChild(bool next)
{
    QWidget *start = window()->focusWidget();
    QWidget *w = start;
    if (!w)
        return true;
    do {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if ((w == this || isAncestorOf(w)) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
            w->isEnabled()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    } while (w != start);
    return true;
}

void PopupWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    renderer->render(&painter, QRectF(0, 0, width(), height()));
}

void PopupWidget::paintTitleAndLines(QPainter &painter, const QString &title, const QStringList &lines)
{
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setFamily(QStringLiteral("Arial"));
    painter.setFont(font);
    painter.setPen(lightText());
    painter.drawText(titleRect(), Qt::AlignLeft | Qt::AlignVCenter, title);

    font.setPixelSize(11);
    font.setFamily(QStringLiteral("Verdana"));
    painter.setFont(font);
    painter.setPen(greyText());
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(lineRect(i), Qt::AlignLeft | Qt::AlignTop, lines.at(i));
}
