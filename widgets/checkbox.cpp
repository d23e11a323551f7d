#include "checkbox.h"

#include <QPainter>
#include <QSvgRenderer>

CheckBox::CheckBox(QWidget *parent) : QCheckBox(parent), background(new QSvgRenderer(imageFor(Normal), this))
{}

QString CheckBox::imageFor(Look look)
{
    switch (look) {
    case Normal:
        return QStringLiteral(":/images/cb_normal");
    case Over:
        return QStringLiteral(":/images/cb_over");
    case Down:
        return QStringLiteral(":/images/cb_down");
    case Checked:
        return QStringLiteral(":/images/cb_checked");
    case CheckedOver:
        return QStringLiteral(":/images/cb_checked_over");
    case CheckedDown:
        return QStringLiteral(":/images/cb_checked_down");
    }
    return {};
}

CheckBox::Look CheckBox::nextLook(Look look, Pointer event)
{
    // Rows: the look before; columns: enter, leave, press, release.
    static constexpr Look table[6][4] = {
        {Over, Normal, Down, Normal},                     // Normal
        {Over, Normal, Down, Over},                       // Over
        {Down, Down, Down, CheckedOver},                  // Down
        {CheckedOver, Checked, CheckedDown, Checked},     // Checked
        {CheckedOver, Checked, CheckedDown, CheckedOver}, // CheckedOver
        {CheckedDown, CheckedDown, CheckedDown, Over},    // CheckedDown
    };
    return table[look][static_cast<int>(event)];
}

void CheckBox::setCheckedLook(bool checked)
{
    look = checked ? Checked : Normal;
    updateImage();
}

void CheckBox::updateImage()
{
    // Every merged discovery reply sets the look of twelve boxes; parsing the same image again
    // would cost more than the rest of the row refresh.
    if (look != loadedLook) {
        background->load(imageFor(look));
        loadedLook = look;
    }
    update();
}

void CheckBox::follow(Pointer event)
{
    look = nextLook(look, event);
    updateImage();
}

void CheckBox::mousePressEvent(QMouseEvent *event)
{
    QAbstractButton::mousePressEvent(event);
    follow(Pointer::Press);
}

void CheckBox::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractButton::mouseReleaseEvent(event);
    follow(Pointer::Release);
}

void CheckBox::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    follow(Pointer::Enter);
}

void CheckBox::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    follow(Pointer::Leave);
}

void CheckBox::paintEvent(QPaintEvent *event)
{
    QCheckBox::paintEvent(event);
    QPainter painter(this);
    background->render(&painter, QRectF(0, 0, width(), height()));
}

void CheckBox::nextCheckState()
{
    QCheckBox::nextCheckState();
    // A pointer release is followed by its own look change.
    if (look != Down && look != CheckedDown) {
        look = isChecked() ? (hasFocus() ? CheckedOver : Checked) : (hasFocus() ? Over : Normal);
        updateImage();
    }
}

void CheckBox::focusInEvent(QFocusEvent *event)
{
    QCheckBox::focusInEvent(event);
    follow(Pointer::Enter);
}

void CheckBox::focusOutEvent(QFocusEvent *event)
{
    QCheckBox::focusOutEvent(event);
    if (!underMouse())
        follow(Pointer::Leave);
}
