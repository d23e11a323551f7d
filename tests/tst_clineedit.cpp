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

QRgb pixelAt(QWidget *w, QPoint p)
{
    return w->grab().toImage().pixel(p) | 0xff000000;
}

// Runs a space-separated script on the field: keys as QKeySequence spells them ("End", "Shift+Left",
// "Ctrl+V"), 'text' typed as it stands, press:i move:i release:i click:i over boundary i of the text ("<"
// left of the field, ">" past the text),
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
                              QPoint(arg == "<"   ? 0
                                     : arg == ">" ? TextGeometry::CaretLeft + px(f->text(), 99) + 20
                                                  : TextGeometry::CaretLeft + px(f->text(), arg.toInt()),
                                     FieldHeight / 2));
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
// "selecting" in selection mode, then what the script printed, "refused" per refused character and the
// clipboard when it no longer holds "old".
QString outcome(const cLineEdit *f, const QByteArray &printed, int refused)
{
    QString shown = f->text();
    const int cursor = f->cursorPosition(), anchor = f->anchorPosition();
    shown.insert(qMax(cursor, anchor), anchor > cursor ? u'^' : u'|');
    if (anchor != cursor)
        shown.insert(qMin(cursor, anchor), anchor > cursor ? u'|' : u'^');
    const QString clip = QApplication::clipboard()->text();
    return shown + (f->isSelecting() ? " selecting" : "") +
           (printed.isEmpty() ? "" : " " + printed.trimmed()) + QString(" refused").repeated(refused) +
           (clip == "old" ? "" : " clip:" + clip);
}

void row(const char *name, const QString &text, const QString &script, const QString &expected)
{
    QTest::newRow(name) << text << script << expected;
}

} // namespace

class TestCLineEdit : public QObject
{
    Q_OBJECT

private slots:
    // Every row starts with the field focused, its whole text selected and the cursor at 0, and "old" on the
    // clipboard. Wherever the field ends focused, its caret must stand in front of the cursor's character.
    void editing_data()
    {
        for (const char *column : {"text", "script", "expected"})
            QTest::addColumn<QString>(column);
        row("typing replaces the focus selection", "abc", "'x'", "x|");
        row("typing in the middle", "ac", "Home Right 'b'", "ab|c");
        row("refused character keeps the selection", "abc", "host Space", "|abc^ selecting refused");
        row("Backspace after Shift+refused", "ab", "host End Shift+_ Backspace 'c'", "ac| refused");
        row("Delete after Shift+refused", "ab", "host Home Shift+_ Del", "|b refused");
        row("Shift+refused keeps a selection", "abc", "host End Shift+Left Shift+_ Backspace", "ab| refused");
        row("length limit drops the key", "abc", "limit:3 End 'd'", "abc|");
        row("over-long text is cut by the next key", "abcde", "limit:3 End 'x'", "abc|");
        row("several characters in one key fill up to the limit", "ab", "limit:3 End multi:xyz", "abx|");
        row("emoji past the limit", "ab", QString::fromUtf16(u"limit:3 End multi:\U0001F600"), "ab|");
        row("Shift+Left twice from the end", "abcd", "End Shift+Left Shift+Left", "ab|cd^ selecting");
        row("grow, then shrink", "abcd", "Home Shift+Right Shift+Right Shift+Left", "^a|bcd selecting");
        row("Backspace in the middle", "abc", "End Left Backspace", "a|c");
        row("Delete at the end", "abc", "End Del", "abc|");
        row("Delete removes the focus selection", "abc", "Del", "|");
        row("keys without text change nothing", "abc",
            "End Up Down PgUp PgDown F1 Ins Ctrl+A Shift+F1 Backspace", "ab|");
        row("Tab into the field selects all", "abc", "End blur Tab", "|abc^ selecting");
        // The toolkit focuses the field before the press arrives, so the click wins over select-all.
        row("click into the unfocused field", "abcd", "blur click:2", "ab|cd");
        row("click past the text", "abcd", "click:>", "abcd|");
        row("click into one character keeps the cursor", "a", "End click:0", "a|");
        row("drag left of the text start", "abcd", "press:2 move:< release:<", "^ab|cd selecting");
        row("drag from right to left", "abcd", "press:3 move:1 release:1", "a^bc|d selecting");
        row("drag back to the press point", "abcd", "press:2 move:3 move:2 release:2", "ab|cd");
        row("copy without selection empties the clipboard", "abcd", "End Ctrl+C", "abcd| clip:");
        row("cut a Shift selection", "abcd", "End Shift+Left Shift+Left Ctrl+X", "ab| clip:cd");
        row("cut with the cursor at the high end", "abcd", "Home Shift+Right Shift+Right Ctrl+X",
            "|cd clip:ab");
        row("paste between two characters", "ab", "clip:xy Home Right Ctrl+V", "a|xyb PASTE: 1 clip:xy");
        row("paste over a pair", "abcd", "clip:Z End Shift+Left Shift+Left Ctrl+V", "ab|Z PASTE: 2 clip:Z");
        row("refusal keeps the selection", "ab", "clip:x_y host Ctrl+V",
            "|ab^ selecting PASTE: 0 refused clip:x_y");
        row("control characters are refused", "ab", "clip:x\ty End Ctrl+V", "ab| PASTE: 2 refused clip:x\ty");
        row("paste cut at the limit", "abc", "clip:defgh limit:5 End Ctrl+V", "abc|de PASTE: 3 clip:defgh");
        row("replaced selection makes room", "abcd", "clip:wxyz! limit:4 Ctrl+V",
            "|wxyz PASTE: 0 clip:wxyz!");
    }

    void editing()
    {
        QFETCH(QString, text);
        QFETCH(QString, script);
        Form form(text);
        QVERIFY(form.active());
        QApplication::clipboard()->setText("old");
        cLineEdit *f = form.field;
        QSignalSpy refused(f, &cLineEdit::notValid);
        const QByteArray printed = captureStdout([&] { run(f, script); });
        QTEST(outcome(f, printed, int(refused.count())), "expected");
        if (f->hasFocus()) // the caret blinks; wait for it
            QTRY_COMPARE(pixelAt(f, {TextGeometry::CaretLeft + px(f->text(), f->cursorPosition()), 4}),
                         black);
    }

    void keySignals()
    {
        Form form(QStringLiteral("ab"));
        QVERIFY(form.active());
        QSignalSpy changed(form.field, &cLineEdit::textChanged), entered(form.field, &cLineEdit::enter);
        run(form.field, "Home Backspace Return Enter");
        QCOMPARE(QList<qsizetype>({changed.count(), entered.count()}), QList<qsizetype>({1, 2}));
    }

    // The first shown character is the first from which the text up to the cursor fits; kerned pairs and
    // a long text measure as short ones do.
    void scrollingKeepsCaretVisible_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("field 28 pixels wide") << QStringLiteral("abcdefghij") << 28;
        QTest::newRow("long kerned text") << QStringLiteral("AVAWAY To. ffi, r.y ").repeated(150) << 150;
    }

    void scrollingKeepsCaretVisible()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        const int room = width - TextGeometry::Padding;
        Form form(text, 0, width);
        QVERIFY(form.active());
        for (const char *keys : {"End", "Left Left Left", "Backspace W"}) {
            run(form.field, keys);
            const int k = form.field->firstShownIndex(), cursor = form.field->cursorPosition();
            const QString t = form.field->text();
            QVERIFY(k > 0);
            QVERIFY(px(t.mid(k), cursor - k) <= room);
            QVERIFY(px(t.mid(k - 1), cursor - k + 1) > room);
            QTRY_COMPARE(pixelAt(form.field, {TextGeometry::CaretLeft + px(t.mid(k), cursor - k), 4}), black);
        }
        run(form.field, "Home");
        QCOMPARE(form.field->firstShownIndex(), 0);
    }

    // A field that cannot be edited shows its whole text even where it is wider than the field: twenty
    // strokes of "1" where fifteen fit.
    void disabledFieldShowsWholeText()
    {
        Form form(QString(20, u'1'), 0, 100);
        QVERIFY(px(form.field->text(), 20) > 100);
        form.field->setEnabled(false);
        const QImage image = form.field->grab().toImage();
        int strokes = 0;
        for (int x = 1, y = FieldHeight / 2; x < image.width(); ++x)
            strokes += qGray(image.pixel(x, y)) < 128 && qGray(image.pixel(x - 1, y)) >= 128;
        QCOMPARE(strokes, 20);
    }

    // The focus selection is highlighted up to the text's end; the caret blinks and goes with the focus.
    void highlightAndCaretPixels()
    {
        Form form(QStringLiteral("abcd"));
        QVERIFY(form.active());
        const int top = TextGeometry::Inset + 1, end = TextGeometry::TextLeft + px("abcd", 4);
        QCOMPARE(pixelAt(form.field, {TextGeometry::TextLeft, top}), highlight);
        QCOMPARE(pixelAt(form.field, {end - 1, top}), highlight);
        QCOMPARE(pixelAt(form.field, {end + 1, top}), paper);
        const QPoint caret(TextGeometry::CaretLeft, top);
        QTRY_COMPARE(pixelAt(form.field, caret), paper);
        QTRY_COMPARE(pixelAt(form.field, caret), black);
        form.field->clearFocus();
        QCOMPARE(pixelAt(form.field, caret), paper);
    }

    void maskedEcho()
    {
        Form form(QStringLiteral("abc"), 1);
        QVERIFY(form.active());
        run(form.field, "Ctrl+C blur");
        QCOMPARE(QApplication::clipboard()->text() + form.field->text(), QStringLiteral("***abc"));
        auto *stars = new cLineEdit(QStringLiteral("***"), 20, background, &form.window, 0);
        stars->setGeometry(form.field->geometry());
        QCOMPARE(form.field->grab().toImage(), stars->grab().toImage());
    }
};

QTEST_MAIN(TestCLineEdit)
#include "tst_clineedit.moc"
