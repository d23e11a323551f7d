// The text entry field driven through real key and mouse events, the application clipboard and
// grabbed pixels.
#include "lineedit/clineedit.h"
#include "lineedit/textgeometry.h"
#include "stdoutcapture.h"

#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString background = QStringLiteral(":/images/popup_form");
const QString hostChars = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.");
constexpr int FieldHeight = 24;
const QRgb paper = qRgb(0xE6, 0xE6, 0xE6), black = qRgb(0, 0, 0), highlight = qRgb(50, 151, 253);

// The field draws with the application font at 11 pixels; positions are measured with it.
int px(const QString &shown, int i)
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return QFontMetrics(font).horizontalAdvance(shown.left(i));
}

// Pointer over boundary i of shown, or "<" left of the field, ">" past the text.
QPoint at(const QString &shown, const QString &where)
{
    const int x = where == "<"   ? -TextGeometry::CaretLeft
                  : where == ">" ? px(shown, shown.size()) + 20
                                 : px(shown, where.toInt());
    return {TextGeometry::CaretLeft + x, FieldHeight / 2};
}

QRgb pixelAt(QWidget *w, QPoint p)
{
    return w->grab().toImage().pixel(p) | 0xff000000;
}

// Runs a space-separated script on the field: keys as QKeySequence spells them ("End", "Shift+Left",
// "Ctrl+V"), 'text' typed as it stands, press:i move:i release:i click:i at a pointer position of at(),
// multi:text (one key press carrying several characters), clip:text (put on the clipboard), limit:n, host
// (the host-name characters) and blur.
void run(cLineEdit *f, const QString &script)
{
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString arg = step.section(u':', 1);
        const int action =
            QStringList{"press", "release", "click", "dclick", "move"}.indexOf(step.section(u':', 0, 0));
        if (action >= 0)
            QTest::mouseEvent(QTest::MouseAction(action), f,
                              action == QTest::MouseMove ? Qt::NoButton : Qt::LeftButton, {},
                              at(f->displayText(), arg));
        else if (step.startsWith(u'\''))
            QTest::keyClicks(f, step.mid(1, step.size() - 2));
        else if (step.startsWith("multi:"))
            QTest::sendKeyEvent(QTest::Press, f, Qt::Key_unknown, arg, Qt::NoModifier);
        else if (step.startsWith("clip:"))
            QApplication::clipboard()->setText(arg);
        else if (step.startsWith("limit:"))
            f->setMaxLength(arg.toInt());
        else if (step == "host")
            f->setAllowedChars(hostChars);
        else if (step == "blur")
            f->clearFocus();
        else
            QTest::keyClick(f, QKeySequence(step)[0].key(), QKeySequence(step)[0].keyboardModifiers());
    }
}

// A field focused in a window.
struct Form
{
    explicit Form(const QString &text, int echoMode = 0, int fieldWidth = 150)
    {
        field = new cLineEdit(text, 20, background, &window, echoMode);
        field->setGeometry(10, 10, fieldWidth, FieldHeight);
        window.show();
        field->setFocus();
    }
    bool active() { return QTest::qWaitForWindowActive(&window) && field->hasFocus(); }

    QWidget window;
    cLineEdit *field = nullptr;
};

// The field as the rows spell it: the text with | at the cursor and ^ at the anchor where that differs,
// then "selecting" while the field is in selection mode.
QString state(const cLineEdit *f)
{
    QString shown = f->text();
    const int cursor = f->cursorPosition(), anchor = f->anchorPosition();
    if (anchor > cursor)
        shown.insert(anchor, u'^');
    shown.insert(cursor, u'|');
    if (anchor < cursor)
        shown.insert(anchor, u'^');
    return shown + (f->isSelecting() ? " selecting" : "");
}

void row(const char *name, const QString &text, const QString &script, const QString &expected,
         int refused = 0, const QByteArray &printed = {}, const QString &clipboard = QString())
{
    QTest::newRow(name) << text << script << expected << refused << printed << clipboard;
}

} // namespace

class TestCLineEdit : public QObject
{
    Q_OBJECT

private slots:
    // Every row starts with the field focused: its whole text selected, the cursor at 0.
    // Every row starts with the field focused, its whole text selected and the cursor at 0, and "old" on the
    // clipboard.
    void editing_data()
    {
        for (const char *column : {"text", "script", "expected"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<int>("refused");
        QTest::addColumn<QByteArray>("printed");
        QTest::addColumn<QString>("clipboard"); // not looked at when null
        row("typing replaces the focus selection", "abc", "'x'", "x|");
        row("typing in the middle", "ac", "Home Right 'b'", "ab|c");
        row("filter refuses underscore", "ab", "host End '_'", "ab|", 1);
        row("filter takes a lower-case letter", "ab", "host End 'c'", "abc|");
        row("refused character keeps the selection", "abc", "host Space", "|abc^ selecting", 1);
        row("length limit drops the key", "abc", "limit:3 End 'd'", "abc|");
        row("over-long text is cut by the next key", "abcde", "limit:3 End 'x'", "abc|");
        row("several characters in one key fill up to the limit", "ab", "limit:3 End multi:xyz", "abx|");
        row("emoji past the limit", "ab", QString::fromUtf16(u"limit:3 End multi:\U0001F600"), "ab|");
        row("Shift+Left twice from the end", "abcd", "End Shift+Left Shift+Left", "ab|cd^ selecting");
        row("grow, then shrink", "abcd", "Home Shift+Right Shift+Right Shift+Left", "^a|bcd selecting");
        row("typing replaces a Shift selection", "abcd", "End Shift+Left Shift+Left 'x'", "abx|");
        row("Backspace at the start", "ab", "Home Backspace", "|ab");
        row("Backspace in the middle", "abc", "End Left Backspace", "a|c");
        row("Delete at the end", "abc", "End Del", "abc|");
        row("Delete at the start", "abc", "Home Del", "|bc");
        row("Delete removes the focus selection", "abc", "Del", "|");
        row("keys without text change nothing", "abc", "End Up Down PgUp PgDown F1 Ins Ctrl+A", "abc|");
        row("Tab into the field selects all", "abc", "blur Tab", "|abc^ selecting");
        // The toolkit focuses the field before the press arrives, so the click wins over select-all.
        row("click into the unfocused field", "abcd", "blur click:2", "ab|cd");
        row("click between the midpoints of b and c", "abcd", "click:2", "ab|cd");
        row("click past the text", "abcd", "click:>", "abcd|");
        row("click into one character keeps the cursor", "a", "End click:0", "a|");
        row("drag left of the text start", "abcd", "press:2 move:< release:<", "^ab|cd selecting");
        row("drag from right to left", "abcd", "press:3 move:1 release:1", "a^bc|d selecting");
        row("drag back to the press point", "abcd", "press:2 move:3 move:2 release:2", "ab|cd");
        row("copy without selection empties the clipboard", "abcd", "End Ctrl+C", "abcd|", 0, {}, "");
        row("cut a Shift selection", "abcd", "End Shift+Left Shift+Left Ctrl+X", "ab|", 0, {}, "cd");
        row("paste between two characters", "ab", "clip:xy Home Right Ctrl+V", "a|xyb", 0, "PASTE: 1\n");
        row("paste over a pair", "abcd", "clip:Z End Shift+Left Shift+Left Ctrl+V", "ab|Z", 0, "PASTE: 2\n");
        row("filter refuses a whole paste", "ab", "clip:a_b host End Ctrl+V", "ab|", 1, "PASTE: 2\n");
        row("refusal keeps the selection", "ab", "clip:x_y host Ctrl+V", "|ab^ selecting", 1, "PASTE: 0\n");
        row("control characters are refused", "ab", "clip:x\ty End Ctrl+V", "ab|", 1, "PASTE: 2\n");
        row("paste cut at the limit", "abc", "clip:defgh limit:5 End Ctrl+V", "abc|de", 0, "PASTE: 3\n");
        row("replaced selection makes room", "abcd", "clip:wxyz! limit:4 Ctrl+V", "|wxyz", 0, "PASTE: 0\n");
        row("over-long text takes nothing", "abcde", "clip:x limit:3 End Ctrl+V", "abcde|", 0, "PASTE: 5\n");
    }

    void editing()
    {
        QFETCH(QString, text);
        QFETCH(QString, script);
        Form form(text);
        QVERIFY(form.active());
        QApplication::clipboard()->setText("old");
        QSignalSpy refused(form.field, &cLineEdit::notValid);
        QTEST(captureStdout([&] { run(form.field, script); }), "printed");
        QTEST(state(form.field), "expected");
        QTEST(int(refused.count()), "refused");
        QFETCH(QString, clipboard);
        if (!clipboard.isNull())
            QCOMPARE(QApplication::clipboard()->text(), clipboard);
    }

    void keySignals()
    {
        Form form(QStringLiteral("ab"));
        QVERIFY(form.active());
        QSignalSpy changed(form.field, &cLineEdit::textChanged), entered(form.field, &cLineEdit::enter);
        run(form.field, "Home Backspace Return Enter");
        QCOMPARE(changed.count(), 1); // an unchanged text is announced too
        QCOMPARE(entered.count(), 2);
        QCOMPARE(form.field->text(), QStringLiteral("ab"));
    }

    void scrollingKeepsCaretVisible()
    {
        const QString t = QStringLiteral("abcdefghij");
        const int room = 28 - TextGeometry::Padding;
        QVERIFY(px(t, t.size()) > room);
        Form form(t, 0, 28);
        QVERIFY(form.active());
        run(form.field, "End");
        const int k = form.field->firstShownIndex();
        QVERIFY(k > 0);
        QVERIFY(px(t.mid(k), t.size()) <= room);
        QVERIFY(px(t.mid(k - 1), t.size()) > room);
        run(form.field, "Home");
        QCOMPARE(form.field->firstShownIndex(), 0);
    }

    void highlightAndCaretPixels()
    {
        const QString t = QStringLiteral("abcd");
        Form form(t);
        QVERIFY(form.active());
        cLineEdit *f = form.field;
        const int top = TextGeometry::Inset + 1; // above the glyphs, inside highlight and caret
        const auto textX = [&](int i) { return TextGeometry::TextLeft + px(t, i); };
        QCOMPARE(pixelAt(f, {textX(0), top}), highlight); // the focus selection
        QCOMPARE(pixelAt(f, {textX(4) - 1, top}), highlight);
        QCOMPARE(pixelAt(f, {textX(4) + 1, top}), paper);
        run(f, "End");
        const QPoint caret(px(t, 4) + TextGeometry::CaretLeft, top);
        QCOMPARE(pixelAt(f, {textX(0), top}), paper);
        QTRY_COMPARE(pixelAt(f, caret), black);
        QTRY_COMPARE(pixelAt(f, caret), paper); // it blinks
        QTRY_COMPARE(pixelAt(f, caret), black);
        f->clearFocus();
        QCOMPARE(pixelAt(f, caret), paper);
    }

    void maskedEcho()
    {
        Form form(QStringLiteral("abc"), 1);
        QVERIFY(form.active());
        run(form.field, "Ctrl+C blur");
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("***"));
        QCOMPARE(form.field->text(), QStringLiteral("abc"));
        auto *stars = new cLineEdit(QStringLiteral("***"), 20, background, &form.window, 0);
        stars->setGeometry(form.field->geometry());
        QCOMPARE(form.field->grab().toImage(), stars->grab().toImage());
    }
};

QTEST_MAIN(TestCLineEdit)
#include "tst_clineedit.moc"
