// The text entry field driven by arbitrary sequences of key presses (with modifiers and text),
// pointer presses, drags and releases, clipboard contents, program-set texts, focus changes,
// resizes and paints. After every step the positions must lie inside the text, and no user edit
// may grow the text past its length limit or bring in a character outside its allowed set.
#include "fuzzcheck.h"
#include "lineedit/clineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

using namespace Qt;
using namespace Qt::StringLiterals;

const QStringList pieces =
    u"a|Z|0|-|.|_| |*|ab|\u00E9|\u00DF|\u20AC|\t|\0|\u200B|\xD800|\n|W|\U0001F600|iii"_s.split(u'|');
// Keys below 0x80 type their character, upper case with Shift; Key_unknown types text from the input.
const Key keys[] = {Key_Left,   Key_Right,  Key_Home,  Key_End,     Key_Escape, Key_Backspace,
                    Key_Delete, Key_Return, Key_Enter, Key_Shift,   Key_Up,     Key_PageDown,
                    Key_F1,     Key_Tab,    Key_C,     Key_V,       Key_X,      Key_A,
                    Key_Minus,  Key_Period, Key_Space, Key_Control, Key_unknown};
const QString hostChars = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-."_s;
const QEvent::Type pointerSteps[] = {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseMove,
                                     QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick};

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The field prints a line on every paste; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own globals are gone by the time static destructors would run.
    static int argc = 1;
    static char name[] = "fuzz_lineedit", *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    return 0;
}

// The input reads as zeros once it is used up. It first gives the field's text, then its echo mode, its
// width and the clipboard's text. Then come steps: kinds 0 to 3 are keys, 4 to 8 pointer steps, 9 a new
// clipboard text, 10 a new text, 11 a focus change, 12 a paint, 13 a resize, 14 a length limit and 15 a
// filter, editability or select-all.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t at = 0;
    const auto next = [&]() -> int { return at < size ? data[at++] : 0; };
    const auto text = [&](int maxPieces) {
        QString text;
        for (int i = next() % (maxPieces + 1); i > 0; --i)
            text += pieces[next() % pieces.size()];
        return text;
    };
    const QString initialText = text(6);
    cLineEdit edit(initialText, 20, u":/images/105"_s, nullptr, next() & 1);
    const auto send = [&](QEvent &&event) { QCoreApplication::sendEvent(&edit, &event); };
    edit.resize(next(), 17);
    QGuiApplication::clipboard()->setText(text(6));
    int maxLength = 65500;
    QString allowed;
    bool buttonHeld = false;
    const auto disallowed = [&](QString t) {
        return allowed.isEmpty() ? 0 : t.removeIf([&](QChar c) { return allowed.contains(c); }).size();
    };
    while (at < size) {
        const QString before = edit.text();
        const int kind = next() % 16;
        if (kind < 4) {
            const Key key = keys[next() % std::size(keys)];
            // Bits 0 to 4 are Shift, Control, Alt, Meta and Keypad: Qt's modifier bits 25 to 29.
            const auto modifiers = KeyboardModifiers::fromInt((next() & 0x1F) << 25);
            // Setting bit 5 lowers a letter and leaves '-', '.' and ' ' as they are.
            send(QKeyEvent(QEvent::KeyPress, key, modifiers,
                           key == Key_unknown ? text(2)
                           : key < 0x80       ? QString(QChar(key | (modifiers & ShiftModifier ? 0 : 0x20)))
                                              : QString()));
        } else if (kind <= 8) {
            if (kind == 4 || kind == 8 || buttonHeld) { // moves and releases only while the button is held
                const QPointF point{qreal(next() - 20), qreal(next() % 20)}; // braces read x first
                send(QMouseEvent(pointerSteps[kind - 4], point, edit.mapToGlobal(point),
                                 kind == 5 || kind == 6 ? NoButton : LeftButton,
                                 kind == 7 ? NoButton : LeftButton, NoModifier));
            }
            buttonHeld = kind == 4 || (buttonHeld && kind != 7);
        } else if (kind <= 10) {
            const QString t = text(12);
            kind == 9 ? QGuiApplication::clipboard()->setText(t) : edit.setText(t);
        } else if (kind == 11)
            send(QFocusEvent(next() & 1 ? QEvent::FocusIn : QEvent::FocusOut, TabFocusReason));
        else if (kind == 12)
            edit.grab();
        else if (kind == 13)
            edit.resize(next(), 17);
        else if (kind == 14)
            edit.setMaxLength(maxLength = next() % 12);
        else if (const int change = next() % 3; change == 0)
            edit.setAllowedChars(allowed = hostChars);
        else if (change == 1)
            edit.setEditable(next() & 1);
        else
            edit.selectAll();
        const QString now = edit.text();
        for (const int position : {edit.cursorPosition(), edit.anchorPosition(), edit.firstShownIndex()})
            require(position >= 0 && position <= now.size(),
                    "cursor, anchor and first shown index lie in the text");
        if (kind == 10 || kind >= 13) // the program's steps; the others are the user's
            continue;
        require(now.size() <= qMax<qsizetype>(before.size(), maxLength),
                "no user edit grows the text past its length limit");
        require(disallowed(now) <= disallowed(before),
                "no user edit brings in a character outside the allowed set");
    }
    return 0;
}
