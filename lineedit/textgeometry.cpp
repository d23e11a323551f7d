#include "textgeometry.h"

#include <QTextLayout>
#include <QtGlobal>

#include <algorithm>

namespace TextGeometry {

namespace {

// Characters measured on either side of a changed stretch: enough for kerning, ligatures and
// combining marks to see the same neighbours as in the whole text.
constexpr int Context = 16;
// Characters measured per layout; a layout answers a position in time linear in its length.
constexpr int Piece = 64;

bool hasRightToLeft(QStringView text)
{
    for (const QChar c : text) {
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace

void PrefixWidths::update(const QFont &newFont, const QString &newText)
{
    const int n = int(newText.size());
    if (newFont != font || fixed.size() != text.size() + 1) {
        font = newFont;
        text = newText;
        fixed = QList<qint64>(n + 1, 0);
        measure(0, n);
        return;
    }
    if (newText.constData() == text.constData() && newText.size() == text.size())
        return;
    // Only the stretch between the common start and the common end has changed.
    const int oldN = int(text.size());
    const int common = qMin(oldN, n);
    int head = 0;
    while (head < common && text.at(head) == newText.at(head))
        ++head;
    int tail = 0;
    while (tail < common - head && text.at(oldN - 1 - tail) == newText.at(n - 1 - tail))
        ++tail;
    const int from = qMax(0, head - Context);
    const int to = qMin(n, n - tail + Context);
    QList<qint64> widths(n + 1, 0);
    std::copy(fixed.cbegin(), fixed.cbegin() + from + 1, widths.begin());
    fixed.swap(widths);
    const QList<qint64> old = std::move(widths);
    text = newText;
    measure(from, to);
    // Behind the re-measured stretch every width moves by the same amount.
    const int shift = n - oldN;
    const qint64 delta = fixed[to] - old[to - shift];
    for (int i = to + 1; i <= n; ++i)
        fixed[i] = old[i - shift] + delta;
}

// Fills fixed[from + 1] to fixed[to] from fixed[from].
void PrefixWidths::measure(int from, int to)
{
    const QFontMetricsF metrics(font);
    const int n = int(text.size());
    for (int start = from; start < to; start += Piece) {
        const int end = qMin(start + Piece, to);
        const int windowStart = qMax(0, start - Context);
        const QString window = text.mid(windowStart, qMin(n, end + Context) - windowStart);
        // A layout gives all positions of one shaping, but visually ordered; right-to-left text
        // is measured position by position instead.
        QTextLayout layout(window, font);
        const bool visual = !hasRightToLeft(window);
        QTextLine line;
        if (visual) {
            layout.beginLayout();
            line = layout.createLine();
            line.setLineWidth(1e9);
            layout.endLayout();
        }
        const auto x = [&](int i) {
            const int j = i - windowStart;
            return qRound64((visual ? line.cursorToX(j) : metrics.horizontalAdvance(window, j)) * 64);
        };
        const qint64 base = fixed[start] - x(start);
        for (int i = start + 1; i <= end; ++i)
            fixed[i] = base + x(i);
    }
}

int PrefixWidths::at(int i) const
{
    // Rounded as QFontMetrics rounds its 1/64 pixel sums: halves up.
    return int((fixed[qBound(0, i, size())] + 32) >> 6);
}

int PrefixWidths::firstReaching(int x, int from) const
{
    int lo = qMax(0, from), hi = size();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (at(mid) >= x)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

Boundary boundaryAt(const PrefixWidths &widths, int t)
{
    // Widths never shrink as the prefix grows, so the first boundary at or past t is found by
    // bisection; only it and the one before can be the answer.
    const int n = widths.size();
    if (n < 2 || widths.at(n - 1) < t)
        return {n, widths.at(n)};
    const int i = widths.firstReaching(t, 1);
    const int w0 = widths.at(i - 1);
    const int w1 = widths.at(i);
    if (w0 + (w1 - w0) / 2 >= t)
        return {i - 1, w0};
    return {i, w1};
}

int scrollOffset(const QFontMetrics &metrics, const QString &shown, int cursorPos, int available)
{
    if (cursorPos <= 0)
        return 0;
    if (available < 0)
        return cursorPos;
    // The width shrinks as k grows, so step back from the cursor in doubling strides until the
    // stretch no longer fits, then bisect: only the characters near the view are measured.
    const auto fits = [&](int k) {
        return metrics.horizontalAdvance(shown.mid(k, cursorPos - k)) <= available;
    };
    int fitting = cursorPos;
    int tooWide = -1;
    for (int stride = 1; tooWide < 0; stride *= 2) {
        const int k = qMax(0, cursorPos - stride);
        if (fits(k))
            fitting = k;
        else
            tooWide = k;
        if (k == 0 && tooWide < 0)
            return 0;
    }
    while (fitting - tooWide > 1) {
        const int k = tooWide + (fitting - tooWide) / 2;
        if (fits(k))
            fitting = k;
        else
            tooWide = k;
    }
    return fitting;
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
