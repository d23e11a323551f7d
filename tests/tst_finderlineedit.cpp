#include "widgets/finderlineedit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTest>

#include <memory>

void row(const char *name, const char *script, const char *expected)
{
    QTest::newRow(name) << QString(script) << QString(expected);
}

class TestFinderLineEdit : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> host;
    finderLineEdit *field = nullptr;

    // Pixel column of boundary i of the drawn string.
    int at(int i)
    {
        return finderLineEdit::TextInset +
               field->fontMetrics().horizontalAdvance(field->displayedText().left(i));
    }

    // Columns where row 2 of the field's picture, the top row of highlight and caret, has exactly colour.
    QList<int> columnsWith(const QColor &colour)
    {
        const QImage image = field->grab().toImage();
        QList<int> columns;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, 2) == colour)
                columns << x;
        return columns;
    }

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

    // Steps: keys as QKeySequence spells them, Shift held down across consecutive Shift steps as a user
    // holds it; press, move, release and click at boundary N (a column just right of it) or at column x
    // (xN). Expected: the text with | at the cursor, then the boundaries between which the highlight lies.
    void editing_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        row("click at x 5", "End click:x5", "|abcdef");
        row("click over the third character", "click:2", "abc|def");
        row("click right of the end", "click:x190", "abcdef|");
        row("press and drag", "press:1 move:3 release:3", "abcd|ef 2-4");
        row("Shift+Left twice", "End Shift+Left Shift+Left", "abcd|ef 4-6");
        row("typing over Shift+Right", "Home Shift+Right Shift+Right X", "X|cdef");
        row("Backspace at 0, Delete at the end", "Home Backspace End Del", "abcdef|");
        row("Down deletes a selection", "End Shift+Left Down", "abcde|");
    }

    void editing()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        bool shift = false;
        for (const QString &step : script.split(' ')) {
            const QKeyCombination key = QKeySequence(step)[0];
            if (const bool shifted = key.keyboardModifiers() == Qt::ShiftModifier; shifted != shift)
                QTest::sendKeyEvent((shift = shifted) ? QTest::Press : QTest::Release, field, Qt::Key_Shift,
                                    "", {});
            const QString arg = step.section(':', 1);
            const int action =
                QStringList{"press", "release", "click", "", "move"}.indexOf(step.section(':', 0, 0));
            if (action >= 0)
                QTest::mouseEvent(QTest::MouseAction(action), field,
                                  action == 4 ? Qt::NoButton : Qt::LeftButton, {},
                                  {arg.startsWith('x') ? arg.mid(1).toInt() : at(arg.toInt()) + 1, 8});
            else
                QTest::simulateEvent(field, true, key.key(), key.keyboardModifiers(),
                                     step.size() == 1 ? step : "", false);
        }
        QCOMPARE(QString(field->text()).insert(field->cursorPosition(), '|'), expected.section(' ', 0, 0));
        QList<int> highlight;
        for (int x = at(expected.section(' ', 1).section('-', 0, 0).toInt());
             x < at(expected.section('-', 1).toInt()); ++x)
            highlight << x;
        // The caret stands on one edge of the highlight; look while it is blinked off.
        QTRY_COMPARE(columnsWith(finderLineEdit::HighlightColor), highlight);
    }

    // Masked, the field draws one '*' per character; its caret blinks and stops with the focus.
    void maskedAndBlink()
    {
        field->setMasked();
        field->setText("iii");
        QCOMPARE(field->displayedText(), QString("***"));
        QCOMPARE(field->text(), QString("iii"));
        QTest::keyClick(field, Qt::Key_End);
        for (const QList<int> &caret : {QList<int>{at(3)}, QList<int>(), QList<int>{at(3)}})
            QTRY_COMPARE(columnsWith(finderLineEdit::CaretColor), caret);
        field->clearFocus();
        QCOMPARE(columnsWith(finderLineEdit::CaretColor), QList<int>());
        QVERIFY(QAbstractEventDispatcher::instance()->registeredTimers(field).isEmpty());
    }
};

QTEST_MAIN(TestFinderLineEdit)
#include "tst_finderlineedit.moc"
