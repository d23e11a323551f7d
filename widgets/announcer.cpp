#include "announcer.h"

#include <QAccessible>

Announcer::Announcer(QWidget *window) : QWidget(window)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
}

void Announcer::announce(QWidget *context, const QString &text)
{
    if (!context || text.isEmpty() || !QAccessible::isActive())
        return;
    QWidget *window = context->window();
    auto *announcer = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!announcer)
        announcer = new Announcer(window);
    announcer->hide();
    announcer->setAccessibleName(text);
    announcer->show();
}
