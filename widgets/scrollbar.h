#pragma once

#include <QAbstractSlider>

class QSvgRenderer;

// The slim vertical scroll bar of the gateway list, drawn from SVG images in the window's style:
// a groove and a thumb whose length shows the page's share of the whole. Dragging the thumb moves
// the value; a click on the groove moves it a page towards the click. Not a Tab stop: the list
// beside it has the keyboard.
class ScrollBar : public QAbstractSlider
{
    Q_OBJECT

public:
    explicit ScrollBar(QWidget *parent = nullptr);

    // The thumb for the current value, range and page step, in the bar's coordinates.
    QRect thumbRect() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int valueAt(int thumbTop) const;

    static constexpr int MinThumb = 20;

    QSvgRenderer *track = nullptr;
    QSvgRenderer *thumb = nullptr;
    int dragOffset = -1; // pointer y minus the thumb's top while dragging, else -1
};
