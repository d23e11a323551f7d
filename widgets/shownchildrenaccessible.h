#pragma once

#include <QAccessibleWidget>

// A widget whose hidden children are left out: a screen reader reads what the window shows.
class ShownChildrenAccessible : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

protected:
    QList<QWidget *> shown() const;
};
