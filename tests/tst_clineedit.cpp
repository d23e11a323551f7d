// The text entry field driven through real key and mouse events, the application clipboard and
// grabbed pixels.
#include "lineedit/clineedit.h"
#include "lineedit/textgeometry.h"
#include "stdoutcapture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString hostChars = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.");
constexpr int FieldHeight = 24;
const QRgb white = qRgb(255, 255, 255);
const QRgb black = qRgb(0, 0, 0);
const QRgb highlight = qRgb(50, 151, 253);
QString backgroundPath;

// The field draws with the application font at 11 pixels; positions are measured with it.
int px(const QString &shown, int i)
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return QFontMetrics(font).horizontalAdvance(shown.left(i));
}

// Pointer over boundary i of shown (exact for 0 < i < n), or "<" left of the field, ">" past the text.
QPoint at(const QString &shown, const QString &where)
{
    const int x = where == "<"   ? -TextGeometry::CaretLeft
                  : where == ">" ? px(shown, shown.size()) + 20
                                 : px(shown, where.toInt());
    return {TextGeometry::CaretLeft + x, FieldHeight / 2};
}

QRgb pixelAt(QWidget *w, QPoint p)
{
    const QRgb c = w->grab().toImage().pixel(p);
    return qRgb(qRed(c), qGreen(c), qBlue(c));
}

// Runs a space-separated script on the field: keys as QKeySequence spells them ("End", "Shift+Left",
// "Ctrl+V"), 'text' typed as it stands, press:i move:i release:i click:i dclick:i at a pointer
// position of at(), multi:text, set:text, limit:n, host (the host-name characters), readonly and blur.
void run(cLineEdit *f, const QString &script)
{
    for (const QString &token : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString arg = token.section(u':', 1);
        const QPoint pos = at(f->displayText(), arg);
        if (token.startsWith(u'\''))
            QTest::keyClicks(f, token.mid(1, token.size() - 2));
        else if (token.startsWith("multi:")) // one key press carrying several characters
            QTest::sendKeyEvent(QTest::Press, f, Qt::Key_unknown, arg, Qt::NoModifier);
        else if (token.startsWith("set:"))
            f->setText(arg);
        else if (token.startsWith("limit:"))
            f->setMaxLength(arg.toInt());
        else if (token == "host")
            f->setAllowedChars(hostChars);
        else if (token == "readonly")
            f->setEditable(false);
        else if (token == "blur")
            f->clearFocus();
        else if (token.startsWith("press:"))
            QTest::mousePress(f, Qt::LeftButton, {}, pos);
        else if (token.startsWith("move:"))
            QTest::mouseMove(f, pos);
        else if (token.startsWith("release:"))
            QTest::mouseRelease(f, Qt::LeftButton, {}, pos);
        else if (token.startsWith("click:"))
            QTest::mouseClick(f, Qt::LeftButton, {}, pos);
        else if (token.startsWith("dclick:")) {
            QTest::mouseDClick(f, Qt::LeftButton, {}, pos);
            QTest::mouseRelease(f, Qt::LeftButton, {}, pos);
        } else {
            const QKeyCombination k = QKeySequence(token)[0];
            QVERIFY2(k.key() != Qt::Key_unknown, qPrintable(token));
            if (k.keyboardModifiers() == Qt::ShiftModifier && k.key() >= Qt::Key_A && k.key() <= Qt::Key_Z)
                QTest::keyClick(f, char(k.key()), Qt::ShiftModifier); // a capital letter, typed
            else
                QTest::keyClick(f, k.key(), k.keyboardModifiers());
        }
    }
}

// Two fields in a window; the first one is tested, the second takes the focus away.
struct Form
{
    explicit Form(const QString &text, int echoMode = 0, int fieldWidth = 150)
    {
        window.resize(200, 80);
        field = new cLineEdit(text, 20, backgroundPath, &window, echoMode);
        field->setGeometry(10, 10, fieldWidth, FieldHeight);
        other = new cLineEdit(QString(), 20, backgroundPath, &window, 0);
        other->setGeometry(10, 45, 150, FieldHeight);
        window.show();
    }
    bool active() { return QTest::qWaitForWindowExposed(&window) && QTest::qWaitForWindowActive(&window); }
    bool focusField()
    {
        field->setFocus();
        return active() && field->hasFocus();
    }

    QWidget window;
    cLineEdit *field = nullptr;
    cLineEdit *other = nullptr;
};

void editRow(const char *name, const QString &text, const QString &script, const QString &expected,
             int cursor, int anchor, bool selecting, int refused = 0)
{
    QTest::newRow(name) << text << script << expected << cursor << anchor << selecting << refused;
}

void clipRow(const char *name, const QString &text, int echo, const QString &script, const QString &before,
             const QString &expected, int cursor, const QString &after, int refused = 0,
             const QByteArray &printed = {})
{
    QTest::newRow(name) << text << echo << script << before << expected << cursor << after << refused
                        << printed;
}

} // namespace

Q_DECLARE_METATYPE(TextGeometry::Boundary)

class TestCLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boundaryAt_data();
    void boundaryAt();
    void editing_data();
    void editing();
    void clipboard_data();
    void clipboard();
    void signalCounts();
    void scrollingKeepsCaretVisible();
    void highlightAndCaretPixels();
    void maskedEcho();

private:
    QTemporaryDir dir;
};

void TestCLineEdit::initTestCase()
{
    QVERIFY(dir.isValid());
    backgroundPath = dir.filePath(QStringLiteral("white.svg"));
    QFile svg(backgroundPath);
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="9" height="9"><rect width="9" height="9" )"
              R"(fill="#fff"/></svg>)");
}

void TestCLineEdit::boundaryAt_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("t");
    QTest::addColumn<TextGeometry::Boundary>("expected");

    const QList<int> four{0, 6, 12, 18, 24};
    QTest::newRow("left of the text") << four << -5 << TextGeometry::Boundary{0, 0};
    QTest::newRow("first midpoint goes left") << four << 3 << TextGeometry::Boundary{0, 0};
    QTest::newRow("past the first midpoint") << four << 4 << TextGeometry::Boundary{1, 6};
    QTest::newRow("between 2nd and 3rd midpoints") << four << 12 << TextGeometry::Boundary{2, 12};
    QTest::newRow("third midpoint goes left") << four << 15 << TextGeometry::Boundary{2, 12};
    QTest::newRow("past the third midpoint") << four << 16 << TextGeometry::Boundary{3, 18};
    QTest::newRow("last character places behind it") << four << 19 << TextGeometry::Boundary{4, 24};
    QTest::newRow("right of the text") << four << 99 << TextGeometry::Boundary{4, 24};
    QTest::newRow("odd width rounds the midpoint down")
        << QList<int>{0, 7, 14} << 4 << TextGeometry::Boundary{1, 7};
    QTest::newRow("empty") << QList<int>{0} << 5 << TextGeometry::Boundary{0, 0};
}

void TestCLineEdit::boundaryAt()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, t);
    QTEST(TextGeometry::boundaryAt(widths, t), "expected");
}

// Every row starts with the field focused: its whole text selected, the cursor at 0.
void TestCLineEdit::editing_data()
{
    for (const char *column : {"text", "script", "expected"})
        QTest::addColumn<QString>(column);
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<bool>("selecting");
    QTest::addColumn<int>("refused");

    editRow("typing replaces the focus selection", "abc", "'x'", "x", 1, 1, false);
    editRow("typing in the middle", "ac", "Home Right 'b'", "abc", 2, 2, false);
    editRow("filter refuses underscore", "ab", "host End '_'", "ab", 2, 2, false, 1);
    editRow("filter takes a lower-case letter", "ab", "host End 'c'", "abc", 3, 3, false);
    editRow("refused character keeps the selection", "abc", "host Space", "abc", 0, 3, true, 1);
    editRow("length limit drops the key", "abc", "limit:3 End 'd'", "abc", 3, 3, false);
    editRow("over-long text is cut by the next key", "abcde", "limit:3 End 'x'", "abc", 3, 3, false);
    editRow("several characters in one key fill up to the limit", "ab", "limit:3 End multi:xyz", "abx", 3, 3,
            false);
    editRow("a surrogate pair that does not fit is dropped", "ab",
            QString::fromUtf16(u"limit:3 End multi:\U0001F600"), "ab", 2, 2, false);
    editRow("Shift+Left twice from the end", "abcd", "End Shift+Left Shift+Left", "abcd", 2, 4, true);
    editRow("Shift+Right grows, Shift+Left shrinks", "abcd",
            "Home Shift+Right Shift+Right Shift+Right Shift+Left", "abcd", 2, 0, true);
    editRow("Shift+Home from the middle", "abcd", "End Left Shift+Home", "abcd", 0, 3, true);
    editRow("typing replaces a Shift selection", "abcd", "End Shift+Left Shift+Left 'x'", "abx", 3, 3, false);
    editRow("capital letter replaces a Shift selection", "abcd", "End Shift+Left Shift+Left Shift+X", "abX",
            3, 3, false);
    editRow("Backspace at the start", "ab", "Home Backspace", "ab", 0, 0, false);
    editRow("Backspace in the middle", "abc", "End Left Backspace", "ac", 1, 1, false);
    editRow("Delete at the end", "abc", "End Del", "abc", 3, 3, false);
    editRow("Delete at the start", "abc", "Home Del", "bc", 0, 0, false);
    editRow("Delete removes the focus selection", "abc", "Del", "", 0, 0, false);
    editRow("Backspace removes a Shift selection", "abcd", "End Shift+Left Shift+Left Backspace", "ab", 2, 2,
            false);
    editRow("Shift+Backspace removes nothing", "abc", "End Shift+Backspace", "abc", 3, 3, false);
    editRow("Escape ends the selection", "abcd", "End Shift+Left Esc", "abcd", 3, 3, false);
    editRow("arrows stop at the ends", "ab", "Left End Right Right", "ab", 2, 2, false);
    editRow("keys without text change nothing", "abc", "End Up Down PgUp PgDown F1 Ins Ctrl+A", "abc", 3, 3,
            false);
    editRow("shorter text pulls the cursor back", "abcdef", "End set:ab 'x'", "abx", 3, 3, false);
    editRow("read-only field ignores keys", "abc", "readonly End 'x' Backspace", "abc", 0, 3, true);
    editRow("Tab into the field selects all", "abc", "blur Tab", "abc", 0, 3, true);
    // The toolkit focuses the field before the press arrives, so the click wins over select-all.
    editRow("click into the unfocused field", "abcd", "blur click:2", "abcd", 2, 2, false);
    editRow("click between the midpoints of b and c", "abcd", "click:2", "abcd", 2, 2, false);
    editRow("click past the text", "abcd", "click:>", "abcd", 4, 4, false);
    editRow("click into one character keeps the cursor", "a", "End click:0", "a", 1, 1, false);
    editRow("drag left of the text start", "abcd", "press:2 move:< release:<", "abcd", 2, 0, true);
    editRow("drag past the text end", "abcd", "press:1 move:> release:>", "abcd", 1, 4, true);
    editRow("drag from right to left", "abcd", "press:3 move:1 release:1", "abcd", 3, 1, true);
    editRow("drag back to the press point", "abcd", "press:2 move:3 move:2 release:2", "abcd", 2, 2, false);
    editRow("double click selects all", "abcd", "End dclick:2", "abcd", 0, 4, true);
}

void TestCLineEdit::editing()
{
    QFETCH(QString, text);
    QFETCH(QString, script);

    Form form(text);
    QVERIFY(form.focusField());
    QSignalSpy refused(form.field, &cLineEdit::notValid);
    run(form.field, script);

    QTEST(form.field->text(), "expected");
    QTEST(form.field->cursorPosition(), "cursor");
    QTEST(form.field->anchorPosition(), "anchor");
    QTEST(form.field->isSelecting(), "selecting");
    QTEST(int(refused.count()), "refused");
}

void TestCLineEdit::clipboard_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("echo");
    for (const char *column : {"script", "before", "expected"})
        QTest::addColumn<QString>(column);
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("refused");
    QTest::addColumn<QByteArray>("printed");

    const QString lastTwo = QStringLiteral("End Shift+Left Shift+Left ");
    clipRow("copy without selection empties it", "abcd", 0, "End Ctrl+C", "old", "abcd", 4, "");
    clipRow("cut a Shift selection", "abcd", 0, lastTwo + "Ctrl+X", "old", "ab", 2, "cd");
    clipRow("cut a drag from right to left", "abcd", 0, "press:> move:2 release:2 Ctrl+X", "old", "ab", 2,
            "cd");
    clipRow("masked copy gives asterisks", "secret", 1, "Ctrl+C", "old", "secret", 0, "******");
    clipRow("masked cut gives asterisks", "secret", 1, "Ctrl+X", "old", "", 0, "******");
    clipRow("paste between two characters", "ab", 0, "Home Right Ctrl+V", "xy", "axyb", 1, "xy", 0,
            "PASTE: 1\n");
    clipRow("paste over a Shift selection", "abcd", 0, lastTwo + "Ctrl+V", "Z", "abZ", 2, "Z", 0,
            "PASTE: 2\n");
    clipRow("paste over the focus selection", "abc", 0, "Ctrl+V", "Q", "Q", 0, "Q", 0, "PASTE: 0\n");
    clipRow("filter refuses a whole paste", "ab", 0, "host End Ctrl+V", "a_b", "ab", 2, "a_b", 1,
            "PASTE: 2\n");
    clipRow("refused paste keeps the selection", "abcd", 0, "host " + lastTwo + "Ctrl+V", "x y", "abcd", 2,
            "x y", 1, "PASTE: 2\n");
    clipRow("control characters are refused", "ab", 0, "End Ctrl+V", "x\ty", "ab", 2, "x\ty", 1,
            "PASTE: 2\n");
    clipRow("paste cut at the length limit", "abc", 0, "limit:5 End Ctrl+V", "defgh", "abcde", 3, "defgh", 0,
            "PASTE: 3\n");
    clipRow("replaced selection makes room", "abcd", 0, "limit:4 Ctrl+V", "wxyz!", "wxyz", 0, "wxyz!", 0,
            "PASTE: 0\n");
    clipRow("nothing fits an over-long text", "abcde", 0, "limit:3 End Ctrl+V", "x", "abcde", 5, "x", 0,
            "PASTE: 5\n");
    clipRow("masked field takes the real text", "ab", 1, "End Ctrl+V", "cd", "abcd", 2, "cd", 0,
            "PASTE: 2\n");
}

void TestCLineEdit::clipboard()
{
    QFETCH(QString, text);
    QFETCH(int, echo);
    QFETCH(QString, script);
    QFETCH(QString, before);

    Form form(text, echo);
    QVERIFY(form.focusField());
    QApplication::clipboard()->setText(before);
    QSignalSpy refused(form.field, &cLineEdit::notValid);

    QTEST(captureStdout([&] { run(form.field, script); }), "printed");
    QTEST(form.field->text(), "expected");
    QTEST(form.field->cursorPosition(), "cursor");
    QTEST(QApplication::clipboard()->text(), "after");
    QTEST(int(refused.count()), "refused");
}

void TestCLineEdit::signalCounts()
{
    Form form(QStringLiteral("ab"));
    QVERIFY(form.focusField());
    QSignalSpy changed(form.field, &cLineEdit::textChanged);
    QSignalSpy entered(form.field, &cLineEdit::enter);

    form.field->setText(QStringLiteral("ab"));
    run(form.field, "Home Backspace");
    QCOMPARE(changed.count(), 2); // unchanged text is announced too

    run(form.field, "Return Enter");
    QCOMPARE(entered.count(), 2);
    QCOMPARE(changed.count(), 2);

    run(form.field, "'x'");
    QCOMPARE(changed.count(), 4);
    QCOMPARE(changed.last().at(0).toString(), QStringLiteral("xab"));
}

void TestCLineEdit::scrollingKeepsCaretVisible()
{
    const QString t = QStringLiteral("abcdefghij");
    const int room = 28 - TextGeometry::Padding;
    QVERIFY(px(t, t.size()) > room);
    Form form(t, 0, 28);
    QVERIFY(form.focusField());

    run(form.field, "End");
    const int k = form.field->firstShownIndex();
    QVERIFY(k > 0);
    QVERIFY(px(t.mid(k), t.size()) <= room);
    QVERIFY(px(t.mid(k - 1), t.size()) > room);

    run(form.field, "Home");
    QCOMPARE(form.field->firstShownIndex(), 0);
}

void TestCLineEdit::highlightAndCaretPixels()
{
    const QString t = QStringLiteral("abcd");
    Form form(t);
    QVERIFY(form.focusField());
    cLineEdit *f = form.field;
    const int top = TextGeometry::Inset + 1; // above the glyphs, inside highlight and caret
    const auto textX = [&](int i) { return TextGeometry::TextLeft + px(t, i); };

    QCOMPARE(pixelAt(f, {textX(0), top}), highlight);
    QCOMPARE(pixelAt(f, {textX(4) - 1, top}), highlight);
    QCOMPARE(pixelAt(f, {textX(4) + 1, top}), white);
    QCOMPARE(pixelAt(f, {textX(0), TextGeometry::Inset - 1}), white);

    run(f, "End Shift+Left Shift+Left");
    QCOMPARE(pixelAt(f, {textX(2) - 2, top}), white); // left of the caret
    QCOMPARE(pixelAt(f, {textX(2), top}), highlight);
    QCOMPARE(pixelAt(f, {textX(4) - 1, top}), highlight);

    run(f, "End");
    const QPoint caret(px(t, 4) + TextGeometry::CaretLeft, top);
    QCOMPARE(pixelAt(f, {textX(0), top}), white);
    QTRY_COMPARE(pixelAt(f, caret), black);
    QTRY_COMPARE(pixelAt(f, caret), white);
    QTRY_COMPARE(pixelAt(f, caret), black);
    form.other->setFocus();
    QCOMPARE(pixelAt(f, caret), white);
}

void TestCLineEdit::maskedEcho()
{
    cLineEdit masked(QStringLiteral("abc"), 20, backgroundPath, nullptr, 1);
    cLineEdit stars(QStringLiteral("***"), 20, backgroundPath, nullptr, 0);
    cLineEdit plain(QStringLiteral("abc"), 20, backgroundPath, nullptr, 0);
    for (cLineEdit *f : {&masked, &stars, &plain})
        f->resize(100, FieldHeight);

    QCOMPARE(masked.text(), QStringLiteral("abc"));
    const QImage shown = masked.grab().toImage();
    QCOMPARE(shown, stars.grab().toImage());
    QVERIFY(shown != plain.grab().toImage());
}

QTEST_MAIN(TestCLineEdit)
#include "tst_clineedit.moc"
