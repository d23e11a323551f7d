#pragma once

#include <QColor>
#include <QPushButton>

class QSvgRenderer;

// A push button drawn from two SVG images (released and pressed) with a centred caption.
class PushButton : public QPushButton
{
    Q_OBJECT

public:
    PushButton(const QString &normalImage, const QString &downImage, QString text, QWidget *parent = nullptr);

    void setTextColor(QColor color);
    QString caption() const { return text; }
    // The dotted frame of a button that has the keyboard.
    QRect focusRect() const { return rect().adjusted(4, 4, -6, -6); }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Return presses a focused button as Space does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showImage(const QString &path);

    QColor textColor{51, 51, 51};
    int pixelSize = 11;
    QString normalImage;
    QString downImage;
    QString text; // the caption; the base button's own text stays empty
    QSvgRenderer *background = nullptr;
};
