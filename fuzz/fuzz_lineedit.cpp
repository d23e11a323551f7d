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

using namespace Qt::StringLiterals;

namespace {

const QString pieces[] = {u"a"_s,      u"Z"_s,      u"0"_s,  u"-"_s,          u"."_s,
                          u"_"_s,      u" "_s,      u"*"_s,  u"ab"_s,         u"\u00E9"_s,
                          u"\u00DF"_s, u"\u20AC"_s, u"\t"_s, u"\0"_s,         u"\u200B"_s,
                          u"\xD800"_s, u"\n"_s,     u"W"_s,  u"\U0001F600"_s, u"iii"_s};

// Each key with the text it types; Shift types upper case. Key_unknown types text from the input.
const std::pair<Qt::Key, const char *> keys[] = {
    {Qt::Key_Left, ""},   {Qt::Key_Right, ""},       {Qt::Key_Home, ""},   {Qt::Key_End, ""},
    {Qt::Key_Escape, ""}, {Qt::Key_Backspace, "\b"}, {Qt::Key_Delete, ""}, {Qt::Key_Return, "\r"},
    {Qt::Key_Enter, ""},  {Qt::Key_Shift, ""},       {Qt::Key_Up, ""},     {Qt::Key_PageDown, ""},
    {Qt::Key_F1, ""},     {Qt::Key_Tab, ""},         {Qt::Key_C, "c"},     {Qt::Key_V, "v"},
    {Qt::Key_X, "x"},     {Qt::Key_A, "a"},          {Qt::Key_Minus, "-"}, {Qt::Key_Period, "."},
    {Qt::Key_Space, " "}, {Qt::Key_Control, ""},     {Qt::Key_unknown, ""}};

const QEvent::Type pointerSteps[] = {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseMove,
                                     QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick};

// The input, a stream of bytes that reads as zeros once it is used up.
struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;

    uint8_t next() { return at < size ? data[at++] : 0; }
    QString text(int maxPieces)
    {
        QString text;
        for (int i = next() % (maxPieces + 1); i > 0; --i)
            text += pieces[next() % std::size(pieces)];
        return text;
    }
};

// Step kinds 0 to 3 are keys, 4 to 8 pointer steps, 9 a new clipboard text, 10 a new text, 11 a focus change,
// 12 a paint, 13 a resize, 14 a length limit and 15 a filter, editability or select-all. The input first
// gives the field's text, then its echo mode, its width and the clipboard's text.
void session(Input in)
{
    const QString initialText = in.text(6);
    cLineEdit edit(initialText, 20, u":/images/105"_s, nullptr, in.next() & 1);
    const auto send = [&](QEvent &&event) { QCoreApplication::sendEvent(&edit, &event); };
    edit.resize(in.next(), 17);
    QGuiApplication::clipboard()->setText(in.text(6), QClipboard::Clipboard);
    int maxLength = 65500;
    QString allowed;
    bool buttonHeld = false;
    const auto disallowed = [&](const QString &text) {
        return std::count_if(text.begin(), text.end(),
                             [&](QChar c) { return !allowed.isEmpty() && !allowed.contains(c); });
    };
    while (in.at < in.size) {
        const QString before = edit.text();
        const int kind = in.next() % 16;
        if (kind < 4) {
            const auto &[key, plain] = keys[in.next() % std::size(keys)];
            // Bits 0 to 4 are Shift, Control, Alt, Meta and Keypad: Qt's modifier bits 25 to 29.
            const auto modifiers = Qt::KeyboardModifiers::fromInt(int(in.next() & 0x1F) << 25);
            QString text = key == Qt::Key_unknown ? in.text(2) : QString::fromLatin1(plain);
            if (key != Qt::Key_unknown && modifiers.testFlag(Qt::ShiftModifier))
                text = text.toUpper();
            send(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        } else if (kind <= 8) {
            // Moves and releases only while the button is held, as a real pointer sends them.
            if (kind == 4 || kind == 8 || buttonHeld) {
                const QEvent::Type type = pointerSteps[kind - 4];
                const int x = int(in.next()) - 20;
                const QPointF point(x, in.next() % 20);
                send(QMouseEvent(type, point, edit.mapToGlobal(point),
                                 type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                 type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                                 Qt::NoModifier));
            }
            buttonHeld = kind == 4 || (buttonHeld && kind != 7);
        } else if (kind == 9) {
            QGuiApplication::clipboard()->setText(in.text(12), QClipboard::Clipboard);
        } else if (kind == 10) {
            edit.setText(in.text(12));
        } else if (kind == 11) {
            send(QFocusEvent(in.next() & 1 ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason));
        } else if (kind == 12) {
            edit.grab();
        } else if (kind == 13) {
            edit.resize(in.next(), 17);
        } else if (kind == 14) {
            edit.setMaxLength(maxLength = in.next() % 12);
        } else if (const int change = in.next() % 3; change == 0) {
            edit.setAllowedChars(allowed =
                                     u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-."_s);
        } else if (change == 1) {
            edit.setEditable(in.next() & 1);
        } else {
            edit.selectAll();
        }
        const QString text = edit.text();
        for (const int position : {edit.cursorPosition(), edit.anchorPosition(), edit.firstShownIndex()})
            require(position >= 0 && position <= text.size(),
                    "cursor, anchor and first shown index lie in the text");
        if (kind == 10 || kind >= 13) // the program's steps; the others are the user's
            continue;
        require(text.size() <= qMax<qsizetype>(before.size(), maxLength),
                "no user edit grows the text past its length limit");
        require(disallowed(text) <= disallowed(before),
                "no user edit brings in a character outside the allowed set");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The field prints a line on every paste; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_lineedit";
    static char *argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals are gone by the time static destructors would run.
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    session({data, size});
    return 0;
}
