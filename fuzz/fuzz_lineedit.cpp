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
#include <cstdlib>
#include <iterator>
#include <utility>

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

// The field driven by the input, a stream of bytes that reads as zeros once it is used up. The
// input first gives the field's text, then its echo mode, its width and the clipboard's text.
class Session
{
public:
    Session(const uint8_t *data, size_t size)
        : data(data), size(size), initialText(textFrom(6)),
          edit(initialText, 20, u":/images/105"_s, nullptr, next() & 1)
    {}

    void run()
    {
        edit.resize(next(), 17);
        QGuiApplication::clipboard()->setText(textFrom(6), QClipboard::Clipboard);
        const auto disallowed = [this](const QString &text) {
            return std::count_if(text.begin(), text.end(),
                                 [this](QChar c) { return !allowed.isEmpty() && !allowed.contains(c); });
        };
        while (at < size) {
            const QString before = edit.text();
            const int kind = next() % 16;
            step(kind);
            const QString text = edit.text();
            for (const int position : {edit.cursorPosition(), edit.anchorPosition(), edit.firstShownIndex()})
                require(position >= 0 && position <= text.size(),
                        "cursor, anchor and first shown index lie in the text");
            // Steps 10 and 13 to 15 are the program's, the others the user's.
            if (kind == 10 || kind >= 13)
                continue;
            require(text.size() <= qMax<qsizetype>(before.size(), maxLength),
                    "no user edit grows the text past its length limit");
            require(disallowed(text) <= disallowed(before),
                    "no user edit brings in a character outside the allowed set");
        }
    }

private:
    uint8_t next() { return at < size ? data[at++] : 0; }

    QString textFrom(int maxPieces)
    {
        QString text;
        const int count = next() % (maxPieces + 1);
        for (int i = 0; i < count; ++i)
            text += pieces[next() % std::size(pieces)];
        return text;
    }

    void step(int kind)
    {
        if (kind < 4) {
            const auto &[key, plain] = keys[next() % std::size(keys)];
            // Bits 0 to 4 are Shift, Control, Alt, Meta and Keypad: Qt's modifier bits 25 to 29.
            const auto modifiers = Qt::KeyboardModifiers::fromInt(int(next() & 0x1F) << 25);
            QString text = key == Qt::Key_unknown ? textFrom(2) : QString::fromLatin1(plain);
            if (key != Qt::Key_unknown && modifiers.testFlag(Qt::ShiftModifier))
                text = text.toUpper();
            send(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        } else if (kind <= 8) {
            // Moves and releases only while the button is held, as a real pointer sends them.
            if (kind == 4 || kind == 8 || buttonHeld)
                pointer(pointerSteps[kind - 4]);
            buttonHeld = kind == 4 || (buttonHeld && kind != 7);
        } else if (kind == 9) {
            QGuiApplication::clipboard()->setText(textFrom(12), QClipboard::Clipboard);
        } else if (kind == 10) {
            edit.setText(textFrom(12));
        } else if (kind == 11) {
            send(QFocusEvent(next() & 1 ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason));
        } else if (kind == 12) {
            edit.grab();
        } else if (kind == 13) {
            edit.resize(next(), 17);
        } else if (kind == 14) {
            edit.setMaxLength(maxLength = next() % 12);
        } else if (const int change = next() % 3; change == 0) {
            allowed = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-."_s;
            edit.setAllowedChars(allowed);
        } else if (change == 1) {
            edit.setEditable(next() & 1);
        } else {
            edit.selectAll();
        }
    }

    void pointer(QEvent::Type type)
    {
        const int x = int(next()) - 20;
        const QPointF point(x, next() % 20);
        send(QMouseEvent(type, point, edit.mapToGlobal(point),
                         type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                         type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier));
    }

    void send(QEvent &&event) { QCoreApplication::sendEvent(&edit, &event); }

    const uint8_t *data;
    size_t size;
    size_t at = 0;
    const QString initialText;
    cLineEdit edit;
    bool buttonHeld = false;
    int maxLength = 65500;
    QString allowed;
};

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
    static auto *application = new QApplication(argc, argv);
    Q_UNUSED(application);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Session(data, size).run();
    return 0;
}
