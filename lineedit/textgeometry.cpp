#include "textgeometry.h"

#include <QtGlobal>

namespace TextGeometry {

int pixel(const QFontMetrics &metrics, const QString &shown, int i)
{
    return i <= 0 ? 0 : metrics.horizontalAdvance(shown, qMin(i, int(shown.size())));
}

QList<int> prefixWidths(const QFontMetrics &metrics, const QString &shown)
{
    QList<int> widths;
    widths.reserve(shown.size() + 1);
    for (int i = 0; i <= shown.size(); ++i)
        widths.append(pixel(metrics, shown, i));
    return widths;
}

Boundary boundaryAt(const QList<int> &prefixWidths, int t)
{
    const int n = int(prefixWidths.size()) - 1;
    for (int i = 1; i < n; ++i) {
        const int w0 = prefixWidths.at(i - 1);
        const int w1 = prefixWidths.at(i);
        if (w0 + (w1 - w0) / 2 >= t)
            return {i - 1, w0};
        if (w1 >= t)
            return {i, w1};
    }
    return {qMax(n, 0), n > 0 ? prefixWidths.at(n) : 0};
}

int scrollOffset(const QFontMetrics &metrics, const QString &shown, int cursorPos, int available)
{
    int k = 0;
    while (k < cursorPos && metrics.horizontalAdvance(shown.mid(k, cursorPos - k)) > available)
        ++k;
    return k;
}

QRect highlightRect(int fixedX, int movingX, int height)
{
    return {qMin(fixedX, movingX) + TextLeft, Inset, qAbs(movingX - fixedX), height - 2 * Inset};
}

QLine caretLine(int caretX, int height)
{
    return {caretX + CaretLeft, Inset, caretX + CaretLeft, height - Inset};
}

QRect textRect(int width, int height)
{
    return {TextLeft, 0, width - Padding, height};
}

Qt::Alignment toolkitAlignment(int alignment)
{
    Qt::Alignment flags;
    if (alignment & 1)
        flags |= Qt::AlignTop;
    if (alignment & 2)
        flags |= Qt::AlignBottom;
    if (alignment & 4)
        flags |= Qt::AlignLeft;
    if (alignment & 8)
        flags |= Qt::AlignRight;
    if (alignment & 16)
        flags |= Qt::AlignVCenter;
    if (alignment & 32)
        flags |= Qt::AlignHCenter;
    return flags;
}

} // namespace TextGeometry
