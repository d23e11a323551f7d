#include "widgets/finderlineedit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTest>

#include <numeric>

class TestFinderLineEdit : public QObject
{
    Q_OBJECT

    static void row(const char *name, QString s, QString e) { QTest::newRow(name) << s << e; }

private slots:
    // Each row starts on a focused field holding "abcdef". Steps: keys as QKeySequence spells them, Shift
    // held down across consecutive Shift steps as a user holds it; press, move, release and click at boundary
    // N (a column just right of it) or at column x (xN); mask and blur. Expected: the text with | at the
    // cursor, then the boundaries between which the highlight lies. The caret blinks at the cursor while the
    // field has focus and stops with it.
    void editing_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        row("click at x 5, then Left at 0", "End click:x5 Left", "|abcdef");
        row("click over the third character", "click:2", "abc|def");
        row("press and drag", "press:1 move:3 release:3", "abcd|ef 2-4");
        row("Shift+Left twice", "End Shift+Left Shift+Left", "abcd|ef 4-6");
        row("typing over Shift+Right", "Home Shift+Right Shift+Right X", "X|cdef");
        row("Backspace at 0, Del past the end", "Home Backspace click:x190 Del blur", "abcdef|");
        row("Down and Backspace delete a selection", "End Shift+Left Down Shift+Left Backspace", "abcd|");
        row("masked", "mask End", "abcdef|");
    }

    void editing()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QWidget host;
        auto *f = new finderLineEdit(":/images/popup_form", &host);
        f->setGeometry(0, 0, 200, 17);
        f->setText("abcdef");
        host.show();
        f->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        // Pixel column of boundary i of the drawn string.
        const auto at = [&](int i) {
            return 5 + f->fontMetrics().horizontalAdvance(f->displayedText().left(i));
        };
        // Columns where row 2 of the field's picture, the top row of highlight and caret, has exactly colour.
        const auto columnsWith = [&](const QColor &colour) {
            const QImage image = f->grab().toImage();
            QList<int> columns;
            for (int x = 0; x < image.width(); ++x)
                columns += image.pixelColor(x, 2) == colour ? QList<int>{x} : QList<int>();
            return columns;
        };
        bool shift = false;
        for (const QString &step : script.split(' ')) {
            const QKeyCombination key = QKeySequence(step)[0];
            if (const bool shifted = key.keyboardModifiers() == Qt::ShiftModifier; shifted != shift)
                QTest::keyEvent((shift = shifted) ? QTest::Press : QTest::Release, f, Qt::Key_Shift);
            const QString arg = step.section(':', 1);
            const int action =
                QStringList{"press", "release", "click", "", "move"}.indexOf(step.section(':', 0, 0));
            if (action >= 0)
                QTest::mouseEvent(QTest::MouseAction(action), f, action == 4 ? Qt::NoButton : Qt::LeftButton,
                                  {}, {arg.startsWith('x') ? arg.mid(1).toInt() : at(arg.toInt()) + 1, 8});
            else if (step == "mask")
                f->setMasked();
            else if (step == "blur")
                f->clearFocus();
            else
                QTest::simulateEvent(f, true, key.key(), key.keyboardModifiers(),
                                     step.size() == 1 ? step : "", false);
        }
        QCOMPARE(QString(f->text()).insert(f->cursorPosition(), '|'), expected.section(' ', 0, 0));
        const int from = at(expected.section(' ', 1).section('-', 0, 0).toInt());
        QList<int> highlight(at(expected.section('-', 1).toInt()) - from);
        std::iota(highlight.begin(), highlight.end(), from);
        const bool focus = f->hasFocus();
        QTRY_COMPARE(columnsWith(Qt::black), focus ? QList<int>{at(f->cursorPosition())} : QList<int>());
        QVERIFY(focus || QAbstractEventDispatcher::instance()->registeredTimers(f).isEmpty());
        // The caret may stand on one edge of the highlight; look while it is blinked off.
        QTRY_COMPARE(columnsWith(QColor(50, 151, 253)), highlight);
    }
};

QTEST_MAIN(TestFinderLineEdit)
#include "tst_finderlineedit.moc"
