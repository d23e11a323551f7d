#pragma once

#include <QCheckBox>

class QSvgRenderer;

// A check box drawn from six SVG images: unticked or ticked, each normal, hovered or pressed.
// The look follows pointer events and setCheckedLook(), not the base class's checked state.
class CheckBox : public QCheckBox
{
    Q_OBJECT

public:
    enum Look { Normal = 0, Over, Down, Checked, CheckedOver, CheckedDown };

    explicit CheckBox(QWidget *parent = nullptr);

    void setCheckedLook(bool checked);
    void updateImage();
    Look currentLook() const { return look; }

    static QString imageFor(Look look);
    // The look after a pointer event, given the look before it.
    enum class Pointer { Enter, Leave, Press, Release };
    static Look nextLook(Look look, Pointer event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Space, or a click by the program, ticks the box without a pointer: the look follows the tick.
    void nextCheckState() override;
    // With the keyboard on it, the box looks as under the pointer.
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void follow(Pointer event);

    QSvgRenderer *background = nullptr;
    Look look = Normal;
    Look loadedLook = Normal; // the image background holds
};
