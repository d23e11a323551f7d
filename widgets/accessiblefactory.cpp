#include "accessiblefactory.h"

#include "announcer.h"
#include "gatewayinfowidget.h"
#include "gatewaylist.h"
#include "lineedit/clineedit.h"
#include "lineeditaccessible.h"
#include "listaccessible.h"
#include "popupwidget.h"
#include "rowaccessible.h"
#include "scrollbar.h"
#include "scrollbaraccessible.h"
#include "shownchildrenaccessible.h"

void AccessibleFactory::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleFactory::create);
        return true;
    }();
    Q_UNUSED(installed);
}

// Called for each class of an object's hierarchy, most derived first.
QAccessibleInterface *AccessibleFactory::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("cLineEdit"))
        return new LineEditAccessible(static_cast<cLineEdit *>(object));
    if (className == QLatin1String("GatewayInfoWidget"))
        return new RowAccessible(static_cast<GatewayInfoWidget *>(object));
    if (className == QLatin1String("GatewayList"))
        return new ListAccessible(static_cast<GatewayList *>(object));
    if (className == QLatin1String("ScrollBar"))
        return new ScrollBarAccessible(static_cast<ScrollBar *>(object));
    if (className == QLatin1String("Announcer"))
        return new QAccessibleWidget(static_cast<Announcer *>(object), QAccessible::Notification);
    if (className == QLatin1String("PopupWidget"))
        return new ShownChildrenAccessible(static_cast<PopupWidget *>(object), QAccessible::AlertMessage);
    return nullptr;
}
