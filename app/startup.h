#pragma once

#include <QString>

// The window's start-up choices; the translation itself is chosen in i18n/localisation.h.
namespace Startup {

// Arial at 11 pixels for every widget: the columns are laid out for it, and the wider default
// fonts of other desktops cut the MAC address in its 100-pixel column.
void setApplicationFont();

// The brand word tells whether a translation was loaded.
QString windowTitle(bool translationLoaded);

} // namespace Startup
