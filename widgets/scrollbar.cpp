#include "scrollbar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace {
const QString thumbImage = QStringLiteral(":/images/scroll_thumb");
const QString thumbDownImage = QStringLiteral(":/images/scroll_thumb_down");
} // namespace

ScrollBar::ScrollBar(QWidget *parent)
    : QAbstractSlider(parent), track(new QSvgRenderer(QStringLiteral(":/images/scroll_track"), this)),
      thumb(new QSvgRenderer(thumbImage, this))
{
    setOrientation(Qt::Vertical);
    setFocusPolicy(Qt::NoFocus);
    setSingleStep(1);
}

QRect ScrollBar::thumbRect() const
{
    const int span = maximum() - minimum();
    const int whole = span + pageStep();
    const int length = whole > 0 ? qBound(MinThumb, height() * pageStep() / whole, height()) : height();
    const int top = span > 0 ? int(qint64(height() - length) * (value() - minimum()) / span) : 0;
    return {0, top, width(), length};
}

// The value whose thumb starts at thumbTop, rounded to the nearest.
int ScrollBar::valueAt(int thumbTop) const
{
    const int room = height() - thumbRect().height();
    if (room <= 0)
        return minimum();
    const int span = maximum() - minimum();
    return minimum() + int((qint64(qBound(0, thumbTop, room)) * span + room / 2) / room);
}

void ScrollBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int y = event->position().toPoint().y();
    const QRect t = thumbRect();
    if (t.contains(0, y)) {
        dragOffset = y - t.top();
        setSliderDown(true);
        thumb->load(thumbDownImage);
        update();
    } else {
        triggerAction(y < t.top() ? SliderPageStepSub : SliderPageStepAdd);
    }
}

void ScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (dragOffset >= 0)
        setSliderPosition(valueAt(event->position().toPoint().y() - dragOffset));
}

void ScrollBar::mouseReleaseEvent(QMouseEvent *)
{
    if (dragOffset < 0)
        return;
    dragOffset = -1;
    setSliderDown(false);
    thumb->load(thumbImage);
    update();
}

// The list beside the bar scrolls by the desktop's wheel setting; the bar leaves the wheel to it.
void ScrollBar::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

void ScrollBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    track->render(&painter, QRectF(rect()));
    thumb->render(&painter, QRectF(thumbRect()));
}
