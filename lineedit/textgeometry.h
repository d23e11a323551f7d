#pragma once

#include <QFont>
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

// The width of every prefix of a text, each as QFontMetrics::horizontalAdvance(text, i) gives
// it. An update after an edit measures only the changed characters and a few around them, so
// that a key in a long text costs no more than in a short one.
class PrefixWidths
{
public:
    void update(const QFont &font, const QString &text);
    int size() const { return int(fixed.size()) - 1; } // the text's length
    int at(int i) const;                               // width of the first i characters
    // The smallest i from `from` to the length whose width is at least x; the length if none.
    int firstReaching(int x, int from = 0) const;

private:
    void measure(int from, int to);

    QFont font;
    QString text;
    QList<qint64> fixed{0}; // widths in 1/64 pixel, as the text engine adds them up
};

// The boundary a pointer at text position t (pointer x minus CaretLeft) lands on. Within a
// character the nearer boundary wins, the midpoint going to the left one; the last character
// always places behind itself.
Boundary boundaryAt(const PrefixWidths &widths, int t);

// First character to draw so that the caret in front of cursorPos lies within available pixels:
// the smallest k for which shown from k to cursorPos, measured on its own, is no wider.
int scrollOffset(const QFontMetrics &metrics, const QString &shown, int cursorPos, int available);

QRect highlightRect(int fixedX, int movingX, int height);
QLine caretLine(int caretX, int height);
QRect textRect(int width, int height);

// The field's own alignment bits (1 top, 2 bottom, 4 left, 8 right, 16 vertical centre,
// 32 horizontal centre) as toolkit flags.
Qt::Alignment toolkitAlignment(int alignment);

} // namespace TextGeometry
