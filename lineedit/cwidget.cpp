#include "cwidget.h"

#include <QMutexLocker>
#include <QPainter>
#include <QSvgRenderer>

cWidget::cWidget(const QString &backgroundPath, QWidget *parent)
    : QWidget(parent), backgroundPath(backgroundPath)
{
    setFocusPolicy(Qt::StrongFocus);
    loadBackground(backgroundPath);
}

void cWidget::loadBackground(const QString &path)
{
    {
        QMutexLocker locker(&mutex);
        if (!renderer)
            renderer = new QSvgRenderer(path, this);
        else
            renderer->load(path);
    }
    update();
}

void cWidget::setColor(const QColor &color)
{
    this->color = color;
}

void cWidget::setFontPixelSize(int size)
{
    fontPixelSize = size;
}

void cWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QMutexLocker locker(&mutex);
    renderer->render(&painter, QRectF(0, 0, width(), height()));
}

// Focus changes alone do not change the look of the bare widget, so they cause no repaint.
void cWidget::focusInEvent(QFocusEvent *) {}

void cWidget::focusOutEvent(QFocusEvent *) {}
