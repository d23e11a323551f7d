#pragma once

#include <QColor>
#include <QMutex>
#include <QString>
#include <QWidget>

class QSvgRenderer;

// A widget that paints a vector image stretched over its whole rectangle, with the text colour
// and size its subclasses draw with.
class cWidget : public QWidget
{
    Q_OBJECT

public:
    cWidget(const QString &backgroundPath, QWidget *parent);

    void loadBackground(const QString &path);
    void setColor(const QColor &color);
    void setFontPixelSize(int size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    QSvgRenderer *renderer = nullptr;
    QColor color{0, 0, 0};
    int fontPixelSize = 11;
    QMutex mutex;
    QString backgroundPath;
};
