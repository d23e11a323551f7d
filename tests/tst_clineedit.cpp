// The text entry field driven through real key and mouse events, the application clipboard and
// grabbed pixels.
#include "lineedit/clineedit.h"
#include "lineedit/textgeometry.h"
#include "stdoutcapture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
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

// The field draws with the application font at 11 pixels; positions below are measured with it.
int px(const QString &shown, int i)
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return QFontMetrics(font).horizontalAdvance(shown.left(i));
}

// Pointer position over boundary i of shown (0 < i < n lands exactly there).
QPoint at(const QString &shown, int i)
{
    return {TextGeometry::CaretLeft + px(shown, i), FieldHeight / 2};
}

QRgb pixelAt(QWidget *w, QPoint p)
{
    const QRgb c = w->grab().toImage().pixel(p);
    return qRgb(qRed(c), qGreen(c), qBlue(c));
}

struct Keys
{
    QTestEventList list;

    Keys &key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            list.addKeyClick(key, modifiers);
        return *this;
    }
    Keys &shifted(char ascii)
    {
        list.addKeyClick(ascii, Qt::ShiftModifier);
        return *this;
    }
    Keys &type(const QString &text)
    {
        list.addKeyClicks(text);
        return *this;
    }
    Keys &press(QPoint pos)
    {
        list.addMousePress(Qt::LeftButton, Qt::NoModifier, pos);
        return *this;
    }
    Keys &move(QPoint pos)
    {
        list.addMouseMove(pos);
        return *this;
    }
    Keys &release(QPoint pos)
    {
        list.addMouseRelease(Qt::LeftButton, Qt::NoModifier, pos);
        return *this;
    }
    operator QTestEventList() const { return list; }
};

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
    bool focusField()
    {
        if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowActive(&window))
            return false;
        field->setFocus();
        return field->hasFocus();
    }

    QWidget window;
    cLineEdit *field = nullptr;
    cLineEdit *other = nullptr;
};

} // namespace

class TestCLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boundaryAt_data();
    void boundaryAt();
    void keyboard_data();
    void keyboard();
    void paste_data();
    void paste();
    void copyAndCut_data();
    void copyAndCut();
    void mouse_data();
    void mouse();
    void clickIntoUnfocusedField();
    void tabSelectsAll();
    void signalCounts();
    void notEditable();
    void shorterTextPullsCursorBack();
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
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)"
              R"(<rect width="10" height="10" fill="#ffffff"/></svg>)");
}

void TestCLineEdit::boundaryAt_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("t");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("x");

    const QList<int> four{0, 6, 12, 18, 24};
    QTest::newRow("left of the text") << four << -5 << 0 << 0;
    QTest::newRow("midpoint goes left") << four << 3 << 0 << 0;
    QTest::newRow("past the midpoint") << four << 4 << 1 << 6;
    QTest::newRow("second midpoint") << four << 9 << 1 << 6;
    QTest::newRow("between 2nd and 3rd midpoints") << four << 12 << 2 << 12;
    QTest::newRow("third midpoint") << four << 15 << 2 << 12;
    QTest::newRow("past third midpoint") << four << 16 << 3 << 18;
    QTest::newRow("left half of the last character") << four << 19 << 4 << 24;
    QTest::newRow("right of the text") << four << 100 << 4 << 24;
    QTest::newRow("odd width rounds down") << QList<int>{0, 7, 14} << 3 << 0 << 0;
    QTest::newRow("odd width, one past") << QList<int>{0, 7, 14} << 4 << 1 << 7;
    QTest::newRow("one character") << QList<int>{0, 7} << 1 << 1 << 7;
    QTest::newRow("empty") << QList<int>{0} << 5 << 0 << 0;
}

void TestCLineEdit::boundaryAt()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, t);
    QFETCH(int, index);
    QFETCH(int, x);
    QCOMPARE(TextGeometry::boundaryAt(widths, t), (TextGeometry::Boundary{index, x}));
}

// Every row starts with the field focused, so its whole text is selected and the cursor is at 0.
void TestCLineEdit::keyboard_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("allowed");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QTestEventList>("events");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<bool>("selecting");
    QTest::addColumn<int>("refused");

    const auto S = Qt::ShiftModifier;
    QTest::newRow("typing replaces the focus selection")
        << "abc"
        << "" << 0 << QTestEventList(Keys().type("x")) << "x" << 1 << 1 << false << 0;
    QTest::newRow("type at the end") << "abc"
                                     << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).type("de"))
                                     << "abcde" << 5 << 5 << false << 0;
    QTest::newRow("type in the middle")
        << "ac"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Right).type("b")) << "abc" << 2 << 2
        << false << 0;
    QTest::newRow("filter refuses underscore")
        << "ab" << hostChars << 0 << QTestEventList(Keys().key(Qt::Key_End).type("_")) << "ab" << 2 << 2
        << false << 1;
    QTest::newRow("filter takes a lower-case letter")
        << "ab" << hostChars << 0 << QTestEventList(Keys().key(Qt::Key_End).type("c")) << "abc" << 3 << 3
        << false << 0;
    QTest::newRow("refused character keeps the selection")
        << "abc" << hostChars << 0 << QTestEventList(Keys().type(" ")) << "abc" << 0 << 3 << true << 1;
    QTest::newRow("length limit drops the key")
        << "abc"
        << "" << 3 << QTestEventList(Keys().key(Qt::Key_End).type("d")) << "abc" << 3 << 3 << false << 0;
    QTest::newRow("over-long text is cut by the next key")
        << "abcde"
        << "" << 3 << QTestEventList(Keys().key(Qt::Key_End).type("x")) << "abc" << 3 << 3 << false << 0;
    QTest::newRow("Shift+Left twice from the end")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left, S, 2)) << "abcd" << 2 << 4
        << true << 0;
    QTest::newRow("Shift+Right grows and Shift+Left shrinks")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Right, S, 3).key(Qt::Key_Left, S))
        << "abcd" << 2 << 0 << true << 0;
    QTest::newRow("Shift+Home from the middle")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left).key(Qt::Key_Home, S)) << "abcd"
        << 0 << 3 << true << 0;
    QTest::newRow("Shift+End from the middle")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Right).key(Qt::Key_End, S))
        << "abcd" << 4 << 1 << true << 0;
    QTest::newRow("typing replaces a Shift selection")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left, S, 2).type("x")) << "abx" << 3
        << 3 << false << 0;
    QTest::newRow("Shift+letter replaces a Shift selection")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left, S, 2).shifted('X')) << "abX"
        << 3 << 3 << false << 0;
    QTest::newRow("Backspace at the start")
        << "ab"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Backspace)) << "ab" << 0 << 0
        << false << 0;
    QTest::newRow("Backspace at the end")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Backspace)) << "ab" << 2 << 2
        << false << 0;
    QTest::newRow("Backspace in the middle")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left).key(Qt::Key_Backspace)) << "ac"
        << 1 << 1 << false << 0;
    QTest::newRow("Delete at the end")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Delete)) << "abc" << 3 << 3 << false
        << 0;
    QTest::newRow("Delete at the start")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Delete)) << "bc" << 0 << 0 << false
        << 0;
    QTest::newRow("Delete removes the focus selection")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_Delete)) << "" << 0 << 0 << false << 0;
    QTest::newRow("Backspace removes a Shift selection")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left, S, 2).key(Qt::Key_Backspace))
        << "ab" << 2 << 2 << false << 0;
    QTest::newRow("Shift+Backspace removes nothing")
        << "abc"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Backspace, S)) << "abc" << 3 << 3
        << false << 0;
    QTest::newRow("Escape ends the selection")
        << "abcd"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_Left, S).key(Qt::Key_Escape))
        << "abcd" << 3 << 3 << false << 0;
    QTest::newRow("arrows stop at the ends")
        << "ab"
        << "" << 0
        << QTestEventList(Keys().key(Qt::Key_Left).key(Qt::Key_End).key(Qt::Key_Right, Qt::NoModifier, 2))
        << "ab" << 2 << 2 << false << 0;
    QTest::newRow("keys without printable text change nothing") << "abc"
                                                                << "" << 0
                                                                << QTestEventList(Keys()
                                                                                      .key(Qt::Key_End)
                                                                                      .key(Qt::Key_Up)
                                                                                      .key(Qt::Key_Down)
                                                                                      .key(Qt::Key_PageUp)
                                                                                      .key(Qt::Key_PageDown)
                                                                                      .key(Qt::Key_F1)
                                                                                      .key(Qt::Key_Insert))
                                                                << "abc" << 3 << 3 << false << 0;
    QTest::newRow("Control with another letter does nothing")
        << "ab"
        << "" << 0 << QTestEventList(Keys().key(Qt::Key_End).key(Qt::Key_A, Qt::ControlModifier)) << "ab" << 2
        << 2 << false << 0;
}

void TestCLineEdit::keyboard()
{
    QFETCH(QString, text);
    QFETCH(QString, allowed);
    QFETCH(int, maxLength);
    QFETCH(QTestEventList, events);

    Form form(text);
    form.field->setAllowedChars(allowed);
    if (maxLength > 0)
        form.field->setMaxLength(maxLength);
    QVERIFY(form.focusField());
    QSignalSpy refusedSpy(form.field, &cLineEdit::notValid);

    events.simulate(form.field);

    QTEST(form.field->text(), "expected");
    QTEST(form.field->cursorPosition(), "cursor");
    QTEST(form.field->anchorPosition(), "anchor");
    QTEST(form.field->isSelecting(), "selecting");
    QTEST(int(refusedSpy.count()), "refused");
}

void TestCLineEdit::paste_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("allowed");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<int>("echoMode");
    QTest::addColumn<QTestEventList>("events");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("refused");
    QTest::addColumn<QByteArray>("diagnostic");

    const auto S = Qt::ShiftModifier;
    const QTestEventList atEnd = Keys().key(Qt::Key_End);
    const QTestEventList lastTwo = Keys().key(Qt::Key_End).key(Qt::Key_Left, S, 2);
    QTest::newRow("between two characters")
        << "ab"
        << "" << 0 << 0 << QTestEventList(Keys().key(Qt::Key_Home).key(Qt::Key_Right)) << "xy"
        << "axyb" << 1 << 0 << QByteArray("PASTE: 1\n");
    QTest::newRow("over a Shift selection") << "abcd"
                                            << "" << 0 << 0 << lastTwo << "Z"
                                            << "abZ" << 2 << 0 << QByteArray("PASTE: 2\n");
    QTest::newRow("over the focus selection") << "abc"
                                              << "" << 0 << 0 << QTestEventList() << "Q"
                                              << "Q" << 0 << 0 << QByteArray("PASTE: 0\n");
    QTest::newRow("empty clipboard removes the selection") << "abcd"
                                                           << "" << 0 << 0 << lastTwo << ""
                                                           << "ab" << 2 << 0 << QByteArray("PASTE: 2\n");
    QTest::newRow("filter refuses the whole text") << "ab" << hostChars << 0 << 0 << atEnd << "a_b"
                                                   << "ab" << 2 << 1 << QByteArray("PASTE: 2\n");
    QTest::newRow("refused text leaves the selection in place")
        << "abcd" << hostChars << 0 << 0 << lastTwo << "x y"
        << "abcd" << 2 << 1 << QByteArray("PASTE: 2\n");
    QTest::newRow("control characters are refused") << "ab"
                                                    << "" << 0 << 0 << atEnd << "x\ty"
                                                    << "ab" << 2 << 1 << QByteArray("PASTE: 2\n");
    QTest::newRow("cut at the length limit") << "abc"
                                             << "" << 5 << 0 << atEnd << "defgh"
                                             << "abcde" << 3 << 0 << QByteArray("PASTE: 3\n");
    QTest::newRow("replaced selection makes room") << "abcd"
                                                   << "" << 4 << 0 << QTestEventList() << "wxyz!"
                                                   << "wxyz" << 0 << 0 << QByteArray("PASTE: 0\n");
    QTest::newRow("nothing fits into an over-long text") << "abcde"
                                                         << "" << 3 << 0 << atEnd << "x"
                                                         << "abcde" << 5 << 0 << QByteArray("PASTE: 5\n");
    QTest::newRow("masked field takes the real text") << "ab"
                                                      << "" << 0 << 1 << atEnd << "cd"
                                                      << "abcd" << 2 << 0 << QByteArray("PASTE: 2\n");
}

void TestCLineEdit::paste()
{
    QFETCH(QString, text);
    QFETCH(QString, allowed);
    QFETCH(int, maxLength);
    QFETCH(int, echoMode);
    QFETCH(QTestEventList, events);
    QFETCH(QString, clipboard);

    Form form(text, echoMode);
    form.field->setAllowedChars(allowed);
    if (maxLength > 0)
        form.field->setMaxLength(maxLength);
    QVERIFY(form.focusField());
    events.simulate(form.field);
    QApplication::clipboard()->setText(clipboard);
    QSignalSpy refusedSpy(form.field, &cLineEdit::notValid);

    const QByteArray written =
        captureStdout([&] { QTest::keyClick(form.field, Qt::Key_V, Qt::ControlModifier); });

    QTEST(written, "diagnostic");
    QTEST(form.field->text(), "expected");
    QTEST(form.field->cursorPosition(), "cursor");
    QTEST(int(refusedSpy.count()), "refused");
    QCOMPARE(form.field->displayText().size(), form.field->text().size());
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
}

void TestCLineEdit::copyAndCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("echoMode");
    QTest::addColumn<QTestEventList>("events");
    QTest::addColumn<Qt::Key>("command");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    const QString t = QStringLiteral("abcd");
    const QTestEventList shiftLeftTwice = Keys().key(Qt::Key_End).key(Qt::Key_Left, Qt::ShiftModifier, 2);
    const QTestEventList dragRightToLeft =
        Keys().press(at(t, 4) + QPoint(10, 0)).move(at(t, 2)).release(at(t, 2));
    QTest::newRow("copy without selection empties the clipboard")
        << t << 0 << QTestEventList(Keys().key(Qt::Key_End)) << Qt::Key_C << "" << t << 4;
    QTest::newRow("copy a Shift selection") << t << 0 << shiftLeftTwice << Qt::Key_C << "cd" << t << 2;
    QTest::newRow("cut a Shift selection") << t << 0 << shiftLeftTwice << Qt::Key_X << "cd"
                                           << "ab" << 2;
    QTest::newRow("cut a drag from right to left") << t << 0 << dragRightToLeft << Qt::Key_X << "cd"
                                                   << "ab" << 2;
    QTest::newRow("masked copy gives asterisks") << "secret" << 1 << QTestEventList() << Qt::Key_C << "******"
                                                 << "secret" << 0;
    QTest::newRow("masked cut gives asterisks") << "secret" << 1 << QTestEventList() << Qt::Key_X << "******"
                                                << "" << 0;
}

void TestCLineEdit::copyAndCut()
{
    QFETCH(QString, text);
    QFETCH(int, echoMode);
    QFETCH(QTestEventList, events);
    QFETCH(Qt::Key, command);

    Form form(text, echoMode);
    QVERIFY(form.focusField());
    events.simulate(form.field);
    QApplication::clipboard()->setText(QStringLiteral("old"));

    QTest::keyClick(form.field, command, Qt::ControlModifier);

    QTEST(QApplication::clipboard()->text(), "clipboard");
    QTEST(form.field->text(), "expected");
    QTEST(form.field->cursorPosition(), "cursor");
}

// Every row starts with the field focused; the press comes after the focus is in place.
void TestCLineEdit::mouse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTestEventList>("events");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<bool>("selecting");

    const QString t = QStringLiteral("abcd");
    const QPoint betweenMidpoints = at(t, 2) + QPoint(1, 0);
    QTest::newRow("click between the midpoints of b and c")
        << t << QTestEventList(Keys().press(betweenMidpoints).release(betweenMidpoints)) << 2 << 2 << false;
    QTest::newRow("click right of the text")
        << t << QTestEventList(Keys().press({140, 12}).release({140, 12})) << 4 << 4 << false;
    QTest::newRow("click into one character keeps the cursor")
        << "a" << QTestEventList(Keys().key(Qt::Key_End).press({1, 12}).release({1, 12})) << 1 << 1 << false;
    QTest::newRow("drag left of the text start")
        << t << QTestEventList(Keys().press(at(t, 2)).move({0, 12}).release({0, 12})) << 2 << 0 << true;
    QTest::newRow("drag right of the text end")
        << t << QTestEventList(Keys().press(at(t, 1)).move({140, 12}).release({140, 12})) << 1 << 4 << true;
    QTest::newRow("drag from right to left")
        << t << QTestEventList(Keys().press(at(t, 3)).move(at(t, 1)).release(at(t, 1))) << 3 << 1 << true;
    QTest::newRow("drag back to the press point")
        << t << QTestEventList(Keys().press(at(t, 2)).move(at(t, 3)).move(at(t, 2)).release(at(t, 2))) << 2
        << 2 << false;
}

void TestCLineEdit::mouse()
{
    QFETCH(QString, text);
    QFETCH(QTestEventList, events);

    Form form(text);
    QVERIFY(form.focusField());
    events.simulate(form.field);

    QTEST(form.field->cursorPosition(), "cursor");
    QTEST(form.field->anchorPosition(), "anchor");
    QTEST(form.field->isSelecting(), "selecting");

    QTest::mouseDClick(form.field, Qt::LeftButton, Qt::NoModifier, at(text, 0));
    QTest::mouseRelease(form.field, Qt::LeftButton, Qt::NoModifier, at(text, 0));
    QCOMPARE(form.field->cursorPosition(), 0);
    QCOMPARE(form.field->anchorPosition(), text.size());
    QVERIFY(form.field->isSelecting());
}

void TestCLineEdit::clickIntoUnfocusedField()
{
    const QString t = QStringLiteral("abcd");
    Form form(t);
    QVERIFY(QTest::qWaitForWindowExposed(&form.window) && QTest::qWaitForWindowActive(&form.window));
    form.other->setFocus();

    QTest::mouseClick(form.field, Qt::LeftButton, Qt::NoModifier, at(t, 2));

    QVERIFY(form.field->hasFocus());
    QCOMPARE(form.field->cursorPosition(), 2);
    QCOMPARE(form.field->anchorPosition(), 2);
    QVERIFY(!form.field->isSelecting());

    QTest::mouseMove(form.field, at(t, 1));
    QCOMPARE(form.field->cursor().shape(), Qt::IBeamCursor);
    QTest::mouseMove(&form.window, {190, 75});
    QCOMPARE(form.field->cursor().shape(), Qt::ArrowCursor);
}

void TestCLineEdit::tabSelectsAll()
{
    Form form(QStringLiteral("abc"));
    QVERIFY(QTest::qWaitForWindowExposed(&form.window) && QTest::qWaitForWindowActive(&form.window));
    form.other->setFocus();

    QTest::keyClick(form.other, Qt::Key_Tab);

    QVERIFY(form.field->hasFocus());
    QCOMPARE(form.field->cursorPosition(), 0);
    QCOMPARE(form.field->anchorPosition(), 3);
    QVERIFY(form.field->isSelecting());
}

void TestCLineEdit::signalCounts()
{
    Form form(QStringLiteral("ab"));
    QVERIFY(form.focusField());
    QSignalSpy changed(form.field, &cLineEdit::textChanged);
    QSignalSpy entered(form.field, &cLineEdit::enter);

    form.field->setText(QStringLiteral("ab"));
    QCOMPARE(changed.count(), 1);

    changed.clear();
    QTest::keyClick(form.field, Qt::Key_Home);
    QTest::keyClick(form.field, Qt::Key_Backspace);
    QCOMPARE(changed.count(), 1);

    changed.clear();
    QTest::keyClick(form.field, Qt::Key_Return);
    QTest::keyClick(form.field, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(entered.count(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(form.field->text(), QStringLiteral("ab"));

    QTest::keyClick(form.field, 'x');
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).toString(), QStringLiteral("xab"));
}

void TestCLineEdit::notEditable()
{
    Form form(QStringLiteral("abc"));
    form.field->setEditable(false);
    QVERIFY(form.focusField());
    QCOMPARE(form.field->anchorPosition(), 0);

    QTest::keyClicks(form.field, QStringLiteral("xy"));
    QTest::keyClick(form.field, Qt::Key_Backspace);
    QTest::keyClick(form.field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form.field->text(), QStringLiteral("abc"));
}

// Text set by the program while the cursor stands further right must not make the next key pad it.
void TestCLineEdit::shorterTextPullsCursorBack()
{
    Form form(QStringLiteral("abcdef"));
    QVERIFY(form.focusField());
    QTest::keyClick(form.field, Qt::Key_End);
    form.field->setText(QStringLiteral("ab"));
    QCOMPARE(form.field->cursorPosition(), 2);

    QTest::keyClick(form.field, 'x');
    QCOMPARE(form.field->text(), QStringLiteral("abx"));
    QTest::keyClick(form.field, Qt::Key_Backspace);
    QCOMPARE(form.field->text(), QStringLiteral("ab"));
}

void TestCLineEdit::scrollingKeepsCaretVisible()
{
    const QString t = QStringLiteral("abcdefghij");
    QVERIFY(px(t, t.size()) > 18);
    Form form(t, 0, 28);
    QVERIFY(form.focusField());

    QTest::keyClick(form.field, Qt::Key_End);
    const int k = form.field->firstShownIndex();
    QVERIFY(k > 0);
    QVERIFY(px(t.mid(k), t.size() - k) <= 18);
    QVERIFY(px(t.mid(k - 1), t.size() - k + 1) > 18);

    QTest::keyClick(form.field, Qt::Key_Home);
    QCOMPARE(form.field->firstShownIndex(), 0);
}

void TestCLineEdit::highlightAndCaretPixels()
{
    const QString t = QStringLiteral("abcd");
    Form form(t);
    QVERIFY(form.focusField());
    cLineEdit *f = form.field;
    const int top = TextGeometry::Inset + 1; // above the glyphs, inside highlight and caret

    // Focus selects everything: the highlight runs from the text start to its end.
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft, top}), highlight);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft + px(t, 4) - 1, top}), highlight);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft + px(t, 4) + 1, top}), white);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft, TextGeometry::Inset - 1}), white);

    // Shift+Left twice from the end highlights the last two characters only.
    QTest::keyClick(f, Qt::Key_End);
    QTest::keyClick(f, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(f, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft + px(t, 2) - 2, top}), white); // left of the caret
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft + px(t, 2), top}), highlight);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft + px(t, 4) - 1, top}), highlight);

    // The caret blinks at the end of the text while focused and is gone after focus out.
    QTest::keyClick(f, Qt::Key_End);
    const QPoint caret(px(t, 4) + TextGeometry::CaretLeft, top);
    QCOMPARE(pixelAt(f, {TextGeometry::TextLeft, top}), white);
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
    QCOMPARE(masked.displayText(), QStringLiteral("***"));
    const QImage shown = masked.grab().toImage();
    QCOMPARE(shown, stars.grab().toImage());
    QVERIFY(shown != plain.grab().toImage());
    QCOMPARE(shown.pixel(2, 2), white);
}

QTEST_MAIN(TestCLineEdit)
#include "tst_clineedit.moc"
