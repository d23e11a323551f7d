// The text entry field driven by arbitrary sequences of key presses (with modifiers and text),
// pointer presses, drags and releases, clipboard contents, program-set texts, focus changes,
// resizes and paints. After every step the positions must lie inside the text, and no user edit
// may grow the text past its length limit or bring in a character outside its allowed set.
#include "lineedit/clineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Input
{
public:
    Input(const uint8_t *data, size_t size) : data(data), size(size) {}
    bool atEnd() const { return size == 0; }
    uint8_t next()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }

private:
    const uint8_t *data;
    size_t size;
};

const QString pieces[] = {
    QStringLiteral("a"),    QStringLiteral("Z"),    QStringLiteral("0"),
    QStringLiteral("-"),    QStringLiteral("."),    QStringLiteral("_"),
    QStringLiteral(" "),    QStringLiteral("*"),    QStringLiteral("ab"),
    QString(QChar(0x00E9)), QString(QChar(0x00DF)), QString(QChar(0x20AC)),
    QStringLiteral("\t"),   QString(QChar(0x0000)), QString(QChar(0x200B)),
    QString(QChar(0xD800)), QStringLiteral("\n"),   QString::fromUtf16(u"\U0001F600"),
    QStringLiteral("W"),    QStringLiteral("iii"),
};

QString textFrom(Input &in, int maxPieces)
{
    QString text;
    const int count = in.next() % (maxPieces + 1);
    for (int i = 0; i < count; ++i)
        text += pieces[in.next() % std::size(pieces)];
    return text;
}

const Qt::Key keys[] = {
    Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Home,  Qt::Key_End,     Qt::Key_Escape,  Qt::Key_Backspace,
    Qt::Key_Delete, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Shift,   Qt::Key_Up,      Qt::Key_PageDown,
    Qt::Key_F1,     Qt::Key_Tab,    Qt::Key_C,     Qt::Key_V,       Qt::Key_X,       Qt::Key_A,
    Qt::Key_Minus,  Qt::Key_Period, Qt::Key_Space, Qt::Key_Control, Qt::Key_unknown,
};

Qt::KeyboardModifiers modifiersFrom(uint8_t bits)
{
    Qt::KeyboardModifiers m;
    m.setFlag(Qt::ShiftModifier, bits & 1);
    m.setFlag(Qt::ControlModifier, bits & 2);
    m.setFlag(Qt::AltModifier, bits & 4);
    m.setFlag(Qt::MetaModifier, bits & 8);
    m.setFlag(Qt::KeypadModifier, bits & 16);
    return m;
}

QString keyText(Qt::Key key, Qt::KeyboardModifiers modifiers, Input &in)
{
    switch (key) {
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_A:
        return modifiers & Qt::ShiftModifier ? QString(QChar(key)) : QString(QChar(key)).toLower();
    case Qt::Key_Minus:
        return QStringLiteral("-");
    case Qt::Key_Period:
        return QStringLiteral(".");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Return:
        return QStringLiteral("\r");
    case Qt::Key_unknown:
        return textFrom(in, 2);
    default:
        return {};
    }
}

qsizetype disallowedCount(const QString &text, const QString &allowed)
{
    if (allowed.isEmpty())
        return 0;
    qsizetype n = 0;
    for (QChar c : text)
        n += !allowed.contains(c);
    return n;
}

class Session
{
public:
    explicit Session(Input &in)
        : in(in), initialText(textFrom(in, 6)), echoMode(in.next() & 1),
          edit(initialText, 20, QStringLiteral(":/images/105"), nullptr, echoMode)
    {
        edit.resize(in.next(), 17);
        QObject::connect(&edit, &cLineEdit::textChanged, &edit, [this](const QString &text) {
            require(text == edit.text(), "textChanged carries the text the field now holds");
        });
        QGuiApplication::clipboard()->setText(textFrom(in, 6), QClipboard::Clipboard);
    }

    void run()
    {
        while (!in.atEnd()) {
            const QString before = edit.text();
            const bool byUser = step();
            check(before, byUser);
        }
    }

private:
    // One step; true when it is something the user does rather than the program.
    bool step()
    {
        switch (in.next() % 16) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const Qt::Key key = keys[in.next() % std::size(keys)];
            const Qt::KeyboardModifiers modifiers = modifiersFrom(in.next());
            QKeyEvent event(QEvent::KeyPress, key, modifiers, keyText(key, modifiers, in));
            QCoreApplication::sendEvent(&edit, &event);
            return true;
        }
        case 4:
            mouse(QEvent::MouseButtonPress);
            buttonHeld = true;
            return true;
        case 5:
        case 6:
            if (buttonHeld)
                mouse(QEvent::MouseMove);
            return true;
        case 7:
            if (buttonHeld)
                mouse(QEvent::MouseButtonRelease);
            buttonHeld = false;
            return true;
        case 8:
            mouse(QEvent::MouseButtonDblClick);
            return true;
        case 9:
            QGuiApplication::clipboard()->setText(textFrom(in, 12), QClipboard::Clipboard);
            return true;
        case 10:
            edit.setText(textFrom(in, 12));
            return false;
        case 11: {
            QFocusEvent event(in.next() & 1 ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(&edit, &event);
            return true;
        }
        case 12:
            edit.grab();
            return true;
        case 13:
            edit.resize(in.next(), 17);
            return false;
        case 14:
            maxLength = in.next() % 12;
            edit.setMaxLength(maxLength);
            return false;
        default:
            switch (in.next() % 3) {
            case 0:
                allowed = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.");
                edit.setAllowedChars(allowed);
                break;
            case 1:
                edit.setEditable(in.next() & 1);
                break;
            default:
                edit.selectAll();
                break;
            }
            return false;
        }
    }

    void mouse(QEvent::Type type)
    {
        const QPointF at(int(in.next()) - 20, in.next() % 20);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, edit.mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &event);
    }

    void check(const QString &before, bool byUser) const
    {
        const QString text = edit.text();
        const int length = int(text.size());
        require(edit.cursorPosition() >= 0 && edit.cursorPosition() <= length, "the cursor lies in the text");
        require(edit.anchorPosition() >= 0 && edit.anchorPosition() <= length, "the anchor lies in the text");
        require(edit.firstShownIndex() >= 0 && edit.firstShownIndex() <= length,
                "the first shown character lies in the text");
        const QString shown = edit.displayText();
        require(shown.size() == text.size(), "the field shows one character per character of its text");
        if (!byUser)
            return;
        require(text.size() <= qMax<qsizetype>(before.size(), maxLength),
                "no user edit grows the text past its length limit");
        require(disallowedCount(text, allowed) <= disallowedCount(before, allowed),
                "no user edit brings in a character outside the allowed set");
    }

    Input &in;
    const QString initialText;
    const int echoMode;
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
    Input in(data, size);
    Session session(in);
    session.run();
    return 0;
}
