#pragma once

#include <QImage>

// Comparing what the screen shows with pictures drawn in the test: the same image drawn by another
// process may round a channel differently, so a small difference is allowed.
namespace PixelCompare {

inline constexpr int Tolerance = 3;

// The largest difference of any colour channel of any pixel; INT_MAX when the sizes differ or an
// image is null.
int maxDifference(const QImage &a, const QImage &b);

bool looksLike(const QImage &actual, const QImage &expected, int tolerance = Tolerance);

} // namespace PixelCompare
