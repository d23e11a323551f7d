#pragma once

#include <QWidget>

// Says a short text through the screen reader: the outcome of a key that changes nothing the
// keyboard is on (a refused entry, a dropped edit, the end of a search). An empty, unpainted
// notification in the window that is shown anew for each text; screen readers speak a
// notification when it appears. Nothing is drawn, and nothing happens without assistive technology.
class Announcer : public QWidget
{
    Q_OBJECT

public:
    static void announce(QWidget *context, const QString &text);

private:
    explicit Announcer(QWidget *window);
};
