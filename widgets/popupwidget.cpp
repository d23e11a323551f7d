#include "popupwidget.h"

#include "pushbutton.h"

#include <QPainter>
#include <QSvgRenderer>

PopupWidget::PopupWidget(const QString &imagePath, QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    renderer = new QSvgRenderer(imagePath, this);

    okButton = new PushButton(QStringLiteral(":/images/popup_btn_normal"),
                              QStringLiteral(":/images/popup_btn_down"), tr("OK"), this);
    okButton->setTextColor(lightText());
    okButton->setGeometry(okButtonRect());
    connect(okButton, &PushButton::clicked, this, &PopupWidget::slotOk);

    cancelButton = new PushButton(QStringLiteral(":/images/popup_btn_normal"),
                                  QStringLiteral(":/images/popup_btn_down"), tr("Abbrechen"), this);
    cancelButton->setTextColor(lightText());
    cancelButton->setGeometry(cancelButtonRect());
    connect(cancelButton, &PushButton::clicked, this, &PopupWidget::slotCancel);
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
