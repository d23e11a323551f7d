#pragma once

#include <QFontMetrics>
#include <QLine>
#include <QList>
#include <QRect>
#include <QString>

// Pixel geometry of the text entry field, kept apart from the widget so it can be checked alone.
namespace TextGeometry {

inline constexpr int TextLeft = 5;  // the text starts here, and so does the highlight
inline constexpr int CaretLeft = 4; // caret and pointer are measured from here
inline constexpr int Inset = 3;     // highlight and caret keep this distance to top and bottom
inline constexpr int Padding = 10;  // the field is this much wider than its text area

// Boundary between two characters: index 0 to n, and its pixel position.
struct Boundary
{
    int index = 0;
    int x = 0;

    bool operator==(const Boundary &other) const { return index == other.index && x == other.x; }
};

// Width of the first i characters of shown.
int pixel(const QFontMetrics &metrics, const QString &shown, int i);

// pixel(0) to pixel(n) of shown.
QList<int> prefixWidths(const QFontMetrics &metrics, const QString &shown);

// The boundary a pointer at text position t (pointer x minus CaretLeft) lands on. Within a
// character the nearer boundary wins, the midpoint going to the left one; the last character
// always places behind itself.
Boundary boundaryAt(const QList<int> &prefixWidths, int t);

// First character to draw so that the caret in front of cursorPos lies within available pixels.
int scrollOffset(const QFontMetrics &metrics, const QString &shown, int cursorPos, int available);

QRect highlightRect(int fixedX, int movingX, int height);
QLine caretLine(int caretX, int height);
QRect textRect(int width, int height);

// The field's own alignment bits (1 top, 2 bottom, 4 left, 8 right, 16 vertical centre,
// 32 horizontal centre) as toolkit flags.
Qt::Alignment toolkitAlignment(int alignment);

} // namespace TextGeometry
