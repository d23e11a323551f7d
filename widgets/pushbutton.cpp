#include "pushbutton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSvgRenderer>

PushButton::PushButton(const QString &normalImage, const QString &downImage, QString text, QWidget *parent)
    : QPushButton(parent), normalImage(normalImage), downImage(downImage), text(std::move(text)),
      background(new QSvgRenderer(normalImage, this))
{
    // The caption is drawn, not kept in the base button's text: assistive technology reads it here.
    setAccessibleName(this->text);
}

void PushButton::setTextColor(QColor color)
{
    textColor = color;
    update();
}

void PushButton::showImage(const QString &path)
{
    background->load(path);
    update();
}

// The base handlers run first, so clicked() and what it triggers happen before the image changes.
void PushButton::mousePressEvent(QMouseEvent *event)
{
    QAbstractButton::mousePressEvent(event);
    showImage(downImage);
}

void PushButton::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractButton::mouseReleaseEvent(event);
    showImage(normalImage);
}

void PushButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    showImage(normalImage);
}

void PushButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    background->render(&painter, QRectF(0, 0, width(), height()));
    QFont font;
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(textColor);
    painter.drawText(rect(), Qt::AlignCenter, text);
    if (hasFocus()) {
        painter.setPen(QPen(textColor, 1, Qt::DotLine));
        painter.drawRect(focusRect());
    }
}

void PushButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier))
        click();
    else
        QPushButton::keyPressEvent(event);
}
