#include "widgets/finderlineedit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTest>

#include <memory>
#include <numeric>

namespace {

// Columns where row 2 of the field's picture, the top row of highlight and caret, has exactly colour.
QList<int> columnsWith(QWidget *field, const QColor &colour)
{
    const QImage image = field->grab().toImage();
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, 2) == colour)
            columns << x;
    return columns;
}

// Pixel column of boundary i of the drawn string.
int at(finderLineEdit *f, int i)
{
    return finderLineEdit::TextInset + f->fontMetrics().horizontalAdvance(f->displayedText().left(i));
}

// Runs space-separated steps: keys as QKeySequence spells them ("End", "Del", "Shift+Left"), Shift held
// down across consecutive Shift steps as a user holds it; 'text' typed; press:x, release:x, click:x and
// move:x at pointer column x, where cN stands for a column just inside character N.
void run(finderLineEdit *f, const QString &script)
{
    bool shift = false;
    for (const QString &step : script.split(' ')) {
        const QKeyCombination key = QKeySequence(step)[0];
        const bool shifted = key.keyboardModifiers() == Qt::ShiftModifier;
        if (shifted != shift)
            QTest::sendKeyEvent(shifted ? QTest::Press : QTest::Release, f, Qt::Key_Shift, QString(), {});
        shift = shifted;
        const QString arg = step.section(':', 1);
        const int x = arg.startsWith('c') ? at(f, arg.mid(1).toInt()) + 1 : arg.toInt();
        const int action =
            QStringList{"press", "release", "click", "dclick", "move"}.indexOf(step.split(':')[0]);
        if (action >= 0)
            QTest::mouseEvent(QTest::MouseAction(action), f,
                              action == QTest::MouseMove ? Qt::NoButton : Qt::LeftButton, {}, {x, 8});
        else if (step.startsWith('\''))
            QTest::keyClicks(f, step.mid(1, step.size() - 2));
        else {
            QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
            QApplication::sendEvent(f, &press);
        }
    }
}

} // namespace

class TestFinderLineEdit : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> host;
    finderLineEdit *field = nullptr;

private slots:
    void init()
    {
        host = std::make_unique<QWidget>();
        field = new finderLineEdit(":/images/popup_form", host.get());
        field->setGeometry(0, 0, 200, 17);
        field->setText("abcdef");
        host->show();
        field->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
    }

    void editing_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("from"); // the boundaries between which the highlight lies
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("text");
        QTest::newRow("click at x 5") << "End click:5" << 0 << 0 << 0 << "abcdef";
        QTest::newRow("click over the third character") << "click:c2" << 3 << 0 << 0 << "abcdef";
        QTest::newRow("click over the last character") << "click:c5" << 6 << 0 << 0 << "abcdef";
        QTest::newRow("click right of the end") << "click:190" << 6 << 0 << 0 << "abcdef";
        QTest::newRow("press and drag") << "press:c1 move:c3 release:c3" << 4 << 2 << 4 << "abcdef";
        QTest::newRow("Shift+Left twice") << "End Shift+Left Shift+Left" << 4 << 4 << 6 << "abcdef";
        QTest::newRow("typing over Shift+Left") << "End Shift+Left Shift+Left 'x'" << 5 << 0 << 0 << "abcdx";
        QTest::newRow("Shift+Right, typing") << "Home Shift+Right Shift+Right 'x'" << 1 << 0 << 0 << "xcdef";
        QTest::newRow("Backspace at 0") << "Home Backspace" << 0 << 0 << 0 << "abcdef";
        QTest::newRow("Delete at the end") << "End Del" << 6 << 0 << 0 << "abcdef";
        QTest::newRow("Down deletes a selection") << "End Shift+Left Down" << 5 << 0 << 0 << "abcde";
    }

    void editing()
    {
        QFETCH(QString, script);
        QFETCH(int, from);
        QFETCH(int, to);
        run(field, script);
        QTEST(field->text(), "text");
        QTEST(field->cursorPosition(), "cursor");
        QList<int> highlight(at(field, to) - at(field, from));
        std::iota(highlight.begin(), highlight.end(), at(field, from));
        // The caret stands on one edge of the highlight; look while it is blinked off.
        QTRY_COMPARE(columnsWith(field, finderLineEdit::HighlightColor), highlight);
    }

    void masked()
    {
        field->setMasked();
        field->setText("iii");
        auto *stars = new finderLineEdit(":/images/popup_form", host.get());
        stars->setGeometry(0, 50, 200, 17);
        stars->setText("***");
        QCOMPARE(field->text(), QString("iii"));
        QCOMPARE(field->grab().toImage(), stars->grab().toImage());
    }

    void focusLossStopsBlink()
    {
        run(field, "End");
        const QList<int> caret{at(field, 6)};
        QCOMPARE(columnsWith(field, finderLineEdit::CaretColor), caret);
        QTRY_COMPARE(columnsWith(field, finderLineEdit::CaretColor), QList<int>()); // it blinks
        QTRY_COMPARE(columnsWith(field, finderLineEdit::CaretColor), caret);
        QVERIFY(!QAbstractEventDispatcher::instance()->registeredTimers(field).isEmpty());
        field->clearFocus();
        QCOMPARE(columnsWith(field, finderLineEdit::CaretColor), QList<int>());
        QVERIFY(QAbstractEventDispatcher::instance()->registeredTimers(field).isEmpty());
    }
};

QTEST_MAIN(TestFinderLineEdit)
#include "tst_finderlineedit.moc"
