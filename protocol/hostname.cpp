#include "hostname.h"

namespace {
constexpr int MaxHostNameLength = 15;

bool badEdge(const QString &text, QChar c)
{
    return text.startsWith(c) || text.endsWith(c);
}
} // namespace

bool isValidHostName(const QString &name, QStringList *trace)
{
    if (name.isEmpty() || badEdge(name, QLatin1Char('.')) || name.size() > MaxHostNameLength ||
        badEdge(name, QLatin1Char('-')))
        return false;

    QString rest = name;
    for (;;) {
        const int dot = rest.indexOf(QLatin1Char('.'));
        const QString label = dot < 0 ? rest : rest.left(dot);
        if (trace)
            trace->append(QStringLiteral("%1: %2").arg(dot).arg(label));
        if (label.isEmpty() || badEdge(label, QLatin1Char('-')))
            return false;
        if (dot < 0)
            return true;
        rest = rest.mid(dot + 1);
    }
}
