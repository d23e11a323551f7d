#include "startup.h"

#include "i18n/localisation.h"

#include <QApplication>
#include <QFont>

namespace Startup {

void setApplicationFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

QString windowTitle(bool translationLoaded)
{
    return QString::fromLatin1(translationLoaded ? "ORV-IP-Gateway Finder " : "ZAN-IP-Gateway Finder ") +
           QString::fromLatin1(Localisation::Version);
}

} // namespace Startup
