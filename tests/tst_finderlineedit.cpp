#include "widgets/finderlineedit.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Columns = QList<int>;

QFont fieldFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}

// Columns holding at least one pixel of exactly colour between rows 2 and 14 (highlight and caret).
Columns columnsWith(const QImage &image, const QColor &colour)
{
    Columns columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 2; y <= 14; ++y) {
            if (image.pixelColor(x, y) == colour) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

Columns span(int from, int to)
{
    Columns columns;
    for (int x = from; x < to; ++x)
        columns << x;
    return columns;
}

class TimerCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
};

} // namespace

class TestFinderLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void caretIndexAt_data();
    void caretIndexAt();
    void clickPlacesCaret_data();
    void clickPlacesCaret();
    void dragHighlights();
    void shiftSelection_data();
    void shiftSelection();
    void editKeys_data();
    void editKeys();
    void masked_data();
    void masked();
    void focusLossStopsBlink();

private:
    finderLineEdit *makeField(int mode = 0);
    void holdShiftAndPress(int key, int times);
    QImage shot() const { return field->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    int at(int count) const
    {
        return finderLineEdit::prefixWidth(QFontMetrics(fieldFont()), field->displayedText(), count);
    }

    QTemporaryDir dir;
    QString imagePath;
    QWidget *host = nullptr;
    QLineEdit *other = nullptr;
    finderLineEdit *field = nullptr;
};

void TestFinderLineEdit::initTestCase()
{
    QVERIFY(dir.isValid());
    imagePath = dir.filePath("white.svg");
    QFile svg(imagePath);
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)"
              R"(<rect width="10" height="10" fill="#ffffff"/></svg>)");
}

void TestFinderLineEdit::init()
{
    host = new QWidget;
    host->resize(260, 60);
    other = new QLineEdit(host);
    other->setGeometry(0, 30, 100, 20);
    field = makeField();
}

void TestFinderLineEdit::cleanup()
{
    delete host;
    host = nullptr;
}

finderLineEdit *TestFinderLineEdit::makeField(int mode)
{
    auto *made = new finderLineEdit(imagePath, host, mode);
    made->setFont(fieldFont());
    made->setGeometry(0, 0, 200, 17);
    return made;
}

// Shift stays down while the key is pressed several times; some systems repeat the Shift press.
void TestFinderLineEdit::holdShiftAndPress(int key, int times)
{
    QTest::keyPress(field, Qt::Key_Shift);
    for (int i = 0; i < times; ++i) {
        QKeyEvent repeatedShift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, QString(), true);
        QCoreApplication::sendEvent(field, &repeatedShift);
        QKeyEvent press(QEvent::KeyPress, key, Qt::ShiftModifier);
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::ShiftModifier);
        QCoreApplication::sendEvent(field, &release);
    }
    QTest::keyRelease(field, Qt::Key_Shift, Qt::ShiftModifier);
}

void TestFinderLineEdit::caretIndexAt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("index");
    const QFontMetrics fm(fieldFont());
    const QString text = "abc";
    const int inset = finderLineEdit::TextInset;
    const int a = fm.horizontalAdvance("a");
    const int abc = fm.horizontalAdvance(text);
    QTest::newRow("left of the text") << text << 0 << 0;
    QTest::newRow("at the inset") << text << inset << 0;
    QTest::newRow("just into the first char") << text << inset + 1 << 1;
    QTest::newRow("on the first boundary") << text << inset + a << 1;
    QTest::newRow("just past the first boundary") << text << inset + a + 1 << 2;
    QTest::newRow("inside the last char") << text << inset + abc - 1 << 3;
    QTest::newRow("at the end") << text << inset + abc << 3;
    QTest::newRow("right of the end") << text << inset + abc + 40 << 3;
    QTest::newRow("empty text") << QString() << 50 << 0;
}

void TestFinderLineEdit::caretIndexAt()
{
    QFETCH(QString, text);
    QFETCH(int, x);
    QFETCH(int, index);
    QCOMPARE(finderLineEdit::caretIndexAt(QFontMetrics(fieldFont()), text, x), index);
}

void TestFinderLineEdit::clickPlacesCaret_data()
{
    QTest::addColumn<int>("overChar"); // -1: x = 3; the text length: right of the end
    QTest::addColumn<int>("caret");
    QTest::newRow("x 3") << -1 << 0;
    QTest::newRow("over the first char") << 0 << 1;
    QTest::newRow("over the third char") << 2 << 3;
    QTest::newRow("over the last char") << 5 << 6;
    QTest::newRow("right of the end") << 6 << 6;
}

void TestFinderLineEdit::clickPlacesCaret()
{
    QFETCH(int, overChar);
    QFETCH(int, caret);
    field->setText("abcdef");
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
    const int x = overChar < 0    ? 3
                  : overChar >= 6 ? finderLineEdit::TextInset + at(6) + 20
                                  : finderLineEdit::TextInset + (at(overChar) + at(overChar + 1)) / 2;
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(x, 8));
    QCOMPARE(field->cursorPosition(), caret);
    QCOMPARE(field->text(), QString("abcdef"));
}

void TestFinderLineEdit::dragHighlights()
{
    field->setText("123456");
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
    const int inset = finderLineEdit::TextInset;
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(inset + at(1) + 1, 8));
    QTest::mouseMove(field, QPoint(inset + at(4) + 1, 8));
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(inset + at(4) + 1, 8));
    QCOMPARE(field->cursorPosition(), 5);
    QCOMPARE(columnsWith(shot(), finderLineEdit::HighlightColor), span(inset + at(2), inset + at(5)));
}

void TestFinderLineEdit::shiftSelection_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("afterTyping");
    QTest::newRow("Shift+Left from the end")
        << int(Qt::Key_End) << int(Qt::Key_Left) << 2 << 4 << 6 << "abcdx";
    QTest::newRow("Shift+Right from the start")
        << int(Qt::Key_Home) << int(Qt::Key_Right) << 3 << 0 << 3 << "xdef";
    QTest::newRow("Shift+Left stops at 0")
        << int(Qt::Key_Home) << int(Qt::Key_Left) << 2 << 0 << 0 << "xabcdef";
    QTest::newRow("Shift+Right stops at the end")
        << int(Qt::Key_End) << int(Qt::Key_Right) << 2 << 6 << 6 << "abcdefx";
}

void TestFinderLineEdit::shiftSelection()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, steps);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, afterTyping);
    field->setText("abcdef");
    host->show();
    field->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(host));

    QTest::keyClick(field, Qt::Key(from));
    holdShiftAndPress(key, steps);
    // The caret stands on one edge of the highlight; look while it is blinked off.
    const int inset = finderLineEdit::TextInset;
    QTRY_COMPARE(columnsWith(shot(), finderLineEdit::HighlightColor),
                 span(inset + at(selStart), inset + at(selEnd)));

    QTest::keyClick(field, 'x');
    QCOMPARE(field->text(), afterTyping);
    QCOMPARE(field->cursorPosition(), selStart + 1);
    QCOMPARE(columnsWith(shot(), finderLineEdit::HighlightColor), Columns());
}

void TestFinderLineEdit::editKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");      // reached with Right from the start
    QTest::addColumn<int>("selectLeft"); // then Shift+Left this many times
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCaret");
    const int backspace = Qt::Key_Backspace;
    const int del = Qt::Key_Delete;
    QTest::newRow("Backspace at 0") << "abc" << 0 << 0 << backspace << "abc" << 0;
    QTest::newRow("Backspace in the middle") << "abc" << 2 << 0 << backspace << "ac" << 1;
    QTest::newRow("Backspace on a selection") << "abcdef" << 4 << 2 << backspace << "abef" << 2;
    QTest::newRow("Delete at the end") << "abc" << 3 << 0 << del << "abc" << 3;
    QTest::newRow("Delete in the middle") << "abc" << 1 << 0 << del << "ac" << 1;
    QTest::newRow("Delete on a selection") << "abcdef" << 5 << 3 << del << "abf" << 2;
    QTest::newRow("Up without a selection") << "abc" << 2 << 0 << int(Qt::Key_Up) << "abc" << 2;
    QTest::newRow("F5 without a selection") << "abc" << 1 << 0 << int(Qt::Key_F5) << "abc" << 1;
    QTest::newRow("Down deletes a selection") << "abcdef" << 3 << 2 << int(Qt::Key_Down) << "adef" << 1;
    QTest::newRow("Return types nothing") << "abc" << 1 << 0 << int(Qt::Key_Return) << "abc" << 1;
    QTest::newRow("Control keeps a selection") << "abcdef" << 3 << 2 << int(Qt::Key_Control) << "abcdef" << 1;
    QTest::newRow("End") << "abc" << 1 << 0 << int(Qt::Key_End) << "abc" << 3;
    QTest::newRow("empty text, Backspace") << "" << 0 << 0 << backspace << "" << 0;
    QTest::newRow("empty text, Delete") << "" << 0 << 0 << del << "" << 0;
}

void TestFinderLineEdit::editKeys()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, selectLeft);
    QFETCH(int, key);
    QFETCH(QString, expected);
    QFETCH(int, expectedCaret);
    field->setText(text);
    host->show();
    field->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(host));
    QTest::keyClick(field, Qt::Key_Home);
    for (int i = 0; i < caret; ++i)
        QTest::keyClick(field, Qt::Key_Right);
    holdShiftAndPress(Qt::Key_Left, selectLeft);

    QSignalSpy changed(field, &QLineEdit::textChanged);
    QTest::keyClick(field, Qt::Key(key));
    QCOMPARE(field->text(), expected);
    QCOMPARE(changed.count(), expected == text ? 0 : 1);
    QCOMPARE(field->cursorPosition(), expectedCaret);

    // Every key shows the caret at once.
    const int caretX = finderLineEdit::TextInset + at(expectedCaret);
    QCOMPARE(columnsWith(shot(), finderLineEdit::CaretColor), Columns{caretX});
}

void TestFinderLineEdit::masked_data()
{
    QTest::addColumn<bool>("byConstructor");
    QTest::newRow("constructor") << true;
    QTest::newRow("setMasked") << false;
}

void TestFinderLineEdit::masked()
{
    QFETCH(bool, byConstructor);
    delete field;
    field = makeField(byConstructor ? 1 : 0);
    if (!byConstructor)
        field->setMasked();
    field->setText("iii");
    finderLineEdit *plain = makeField();
    plain->move(0, 50);
    plain->setText("***");
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));

    QCOMPARE(field->text(), QString("iii"));
    QCOMPARE(shot(), plain->grab().toImage().convertToFormat(QImage::Format_RGB32));

    // Placement measures the stars, so a click lands where the caret is drawn.
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(finderLineEdit::TextInset + at(2), 8));
    QCOMPARE(field->cursorPosition(), 2);
    holdShiftAndPress(Qt::Key_Left, 1);
    QTRY_COMPARE(columnsWith(shot(), finderLineEdit::HighlightColor),
                 span(finderLineEdit::TextInset + at(1), finderLineEdit::TextInset + at(2)));
    QCOMPARE(field->text(), QString("iii"));
}

void TestFinderLineEdit::focusLossStopsBlink()
{
    TimerCounter timers;
    field->installEventFilter(&timers);
    field->setText("abc");
    host->show();
    field->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(host));
    QTest::keyClick(field, Qt::Key_End);
    QCOMPARE(columnsWith(shot(), finderLineEdit::CaretColor).size(), 1);

    // Blinks: the caret goes off, then on again.
    QTRY_COMPARE(columnsWith(shot(), finderLineEdit::CaretColor).size(), 0);
    QTRY_COMPARE(columnsWith(shot(), finderLineEdit::CaretColor).size(), 1);

    other->setFocus();
    QTRY_VERIFY(!field->hasFocus());
    QCOMPARE(columnsWith(shot(), finderLineEdit::CaretColor), Columns());
    timers.count = 0;
    QTest::qWait(3 * finderLineEdit::BlinkInterval);
    QCOMPARE(timers.count, 0);
    QCOMPARE(columnsWith(shot(), finderLineEdit::CaretColor), Columns());
}

QTEST_MAIN(TestFinderLineEdit)
#include "tst_finderlineedit.moc"
