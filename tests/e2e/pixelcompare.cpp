#include "pixelcompare.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace PixelCompare {

int maxDifference(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull() || a.size() != b.size())
        return INT_MAX;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int line = 0; line < x.height(); ++line) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(line));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(line));
        for (int i = 0; i < x.width(); ++i) {
            worst = std::max({worst, std::abs(qRed(p[i]) - qRed(q[i])), std::abs(qGreen(p[i]) - qGreen(q[i])),
                              std::abs(qBlue(p[i]) - qBlue(q[i]))});
        }
    }
    return worst;
}

bool looksLike(const QImage &actual, const QImage &expected, int tolerance)
{
    return maxDifference(actual, expected) <= tolerance;
}

} // namespace PixelCompare
