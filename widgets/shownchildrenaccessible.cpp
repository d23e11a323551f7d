#include "shownchildrenaccessible.h"

#include <QWidget>

int ShownChildrenAccessible::childCount() const
{
    return int(shown().size());
}

QAccessibleInterface *ShownChildrenAccessible::child(int index) const
{
    const QList<QWidget *> children = shown();
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children.at(index))
                                                 : nullptr;
}

int ShownChildrenAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child ? int(shown().indexOf(child->object())) : -1;
}

QList<QWidget *> ShownChildrenAccessible::shown() const
{
    QList<QWidget *> children;
    for (QObject *o : widget()->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (w && !w->isWindow() && !w->isHidden())
            children.append(w);
    }
    return children;
}
