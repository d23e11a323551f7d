#include "messagebox.h"

#include "pushbutton.h"

#include <QPainter>
#include <QRegularExpression>

MessageBox::MessageBox(const QStringList &lines, const QString &title, QWidget *parent)
    : PopupWidget(QStringLiteral(":/images/popup_bg"), parent), lines(lines), title(title)
{
    setAccessibleName(title);
    // The OK button is not a keyboard stop of its own: the message tells how to press it.
    setAccessibleDescription(
        QStringList(lines).filter(QRegularExpression(QStringLiteral("\\S"))).join(QLatin1Char('\n')) +
        QLatin1Char('\n') + tr("OK mit der Eingabetaste."));
    cancelButton->hide();
    okButton->setGeometry(cancelButtonRect());
}

void MessageBox::paintEvent(QPaintEvent *event)
{
    PopupWidget::paintEvent(event);
    QPainter painter(this);
    paintTitleAndLines(painter, title, lines);
}

// close() only schedules the deletion, so receivers of the signal still find the popup alive.
void MessageBox::slotOk()
{
    close();
    emit ok();
}

void MessageBox::slotCancel()
{
    close();
    emit cancel();
}
