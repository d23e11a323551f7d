#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Hands assistive technology (AT-SPI on Linux, and through Qt every other platform's interface)
// descriptions of the self-drawn widgets: the gateway list and its rows, the text fields, the scroll
// bar and the popups. Buttons and the check box need only their names, which they set themselves.
class AccessibleFactory
{
public:
    // Registers the factory with QAccessible once; later calls do nothing.
    static void install();
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
