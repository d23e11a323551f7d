// The two text entry fields, cLineEdit and finderLineEdit, driven through real key and mouse events, the
// application clipboard and grabbed pixels.
#include "lineedit/clineedit.h"
#include "stdoutcapture.h"
#include "widgets/finderlineedit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <numeric>

const QString background = QStringLiteral(":/images/popup_form");
// Where the design puts things: text from x 5, caret and pointer measured from x 4, highlight and caret from
// y 3, the text area 10 pixels narrower than the field.
constexpr int FieldHeight = 24, TextLeft = 5, CaretLeft = 4, Top = 4, Padding = 10;
const QRgb paper = qRgb(0xE6, 0xE6, 0xE6), black = qRgb(0, 0, 0), highlight = qRgb(50, 151, 253);

class TestCLineEditAndFinderLineEdit : public QObject
{
    Q_OBJECT

    // cLineEdit draws with the application font at 11 pixels; its positions are measured with it.
    const QFontMetrics metrics{[] {
        QFont font = QApplication::font();
        font.setPixelSize(11);
        return font;
    }()};
    int px(const QString &shown, int i) const { return metrics.horizontalAdvance(shown.left(i)); }
    // Colour at column x of the row just inside the top of highlight and caret, above the text.
    static QRgb pixelAt(QWidget *w, int x) { return w->grab().toImage().pixel(x, Top) | 0xff000000; }
    static void row(const char *name, QString t, QString s, QString e) { QTest::newRow(name) << t << s << e; }

    // The field, given its size, focused in an active window, or null.
    template <class Field> static Field *focused(QWidget &window, Field *field, int width, int height)
    {
        field->setGeometry(10, 10, width, height);
        window.show();
        field->setFocus();
        return QTest::qWaitForWindowActive(&window) ? field : nullptr;
    }

    // Runs a space-separated script on either field: keys as QKeySequence spells them ("End", "Ctrl+V", "x"
    // types x), Shift held down across consecutive Shift steps as a user holds it ("Shift" alone only presses
    // it; pointer steps leave it held); press:i move:i release:i click:i dclick:i at column(i) for boundary i
    // of the text or at column x (xN); multi:text (one key press carrying several characters), clip:text (put
    // on the clipboard), width:w and blur. Other lower-case steps are the field's own: own(name, argument),
    // limit:n and chars:set (the allowed characters) for cLineEdit, mask for finderLineEdit.
    static void run(QWidget *f, const QString &script, const std::function<int(int)> &column,
                    const std::function<void(const QString &, const QString &)> &own)
    {
        bool shift = false;
        for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = step.section(u':', 0, 0), arg = step.section(u':', 1);
            const int action = QStringList{"press", "release", "click", "dclick", "move"}.indexOf(name);
            const QKeyCombination key = QKeySequence(step)[0];
            const bool isKey = step.size() == 1 || step[0].isUpper();
            if (isKey && step.startsWith("Shift") != shift)
                QTest::keyEvent((shift = !shift) ? QTest::Press : QTest::Release, f, Qt::Key_Shift);
            if (action >= 0)
                QTest::mouseEvent(QTest::MouseAction(action), f, action == 4 ? Qt::NoButton : Qt::LeftButton,
                                  {}, {arg.startsWith(u'x') ? arg.mid(1).toInt() : column(arg.toInt()), 8});
            else if (name == "multi")
                QTest::sendKeyEvent(QTest::Press, f, Qt::Key_unknown, arg, Qt::NoModifier);
            else if (name == "clip")
                QApplication::clipboard()->setText(arg);
            else if (name == "width")
                f->resize(arg.toInt(), f->height());
            else if (step == "blur")
                f->clearFocus();
            else if (!isKey)
                own(name, arg);
            else if (step != "Shift")
                QTest::simulateEvent(f, true, key.key(), key.keyboardModifiers(),
                                     QString(QChar(QTest::keyToAscii(key.key()))), false);
        }
    }

    // Runs a finderLineEdit row. Expected: the text with | at the cursor, then the boundaries between which
    // the highlight lies. The caret blinks at the cursor while the field has focus and stops with it.
    void finderEditing(QWidget &window, const QString &text, const QString &script)
    {
        QFETCH(QString, expected);
        auto *f = focused(window, new finderLineEdit(background, &window), 200, 17);
        QVERIFY(f);
        f->setText(text);
        // Pixel column of boundary i of the drawn string.
        const QFontMetrics metrics = f->fontMetrics();
        const auto at = [&](int i) { return 5 + metrics.horizontalAdvance(f->displayedText().left(i)); };
        // Columns where row 2 of the field's picture, the top row of highlight and caret, has exactly colour.
        const auto columnsWith = [&](const QColor &colour) {
            const QImage image = f->grab().toImage();
            QList<int> columns;
            for (int x = 0; x < image.width(); ++x)
                columns += image.pixelColor(x, 2) == colour ? QList<int>{x} : QList<int>();
            return columns;
        };
        run(
            f, script, [&](int i) { return at(i) + 1; }, [&](auto...) { f->setMasked(); });
        QCOMPARE(QString(f->text()).insert(f->cursorPosition(), '|'), expected.section(' ', 0, 0));
        const int from = at(expected.section(' ', 1).section('-', 0, 0).toInt());
        QList<int> highlight(at(expected.section('-', 1).toInt()) - from);
        std::iota(highlight.begin(), highlight.end(), from);
        QTRY_COMPARE(columnsWith(Qt::black), f->hasFocus() ? QList{at(f->cursorPosition())} : QList<int>());
        QVERIFY(f->hasFocus() || QAbstractEventDispatcher::instance()->registeredTimers(f).isEmpty());
        // The caret may stand on one edge of the highlight; look while it is blinked off.
        QTRY_COMPARE(columnsWith(QColor(50, 151, 253)), highlight);
    }

private slots:
    // Every cLineEdit row starts with the field focused, its whole text selected and the cursor at 0, and
    // "old" on the clipboard. It ends with the caret in front of the cursor's character and, in selection
    // mode, the highlight between cursor and anchor. The first character shown is the first from which the
    // text up to the cursor fits into the field.
    void editing_data()
    {
        for (const char *column : {"text", "script", "expected"})
            QTest::addColumn<QString>(column);
        row("typing replaces the focus selection, then inserts", "abc", "x z Left y", "xy|z");
        row("refusals", "abc", "chars:xy Space Del x y Shift+Left Shift+_ Backspace", "x| refused refused");
        row("Shift refusals", "abc", "chars:x End Shift+_ Backspace Home Shift+_ Del", "|b refused refused");
        // A key refused right after Shift goes back to the mode from before the Shift, here selection.
        row("Shift over a click's release", "abcd", "press:2 Shift release:2 Shift+F1", "ab|cd selecting");
        // Cutting an over-long text, the view follows the cursor back.
        row("cut when over-long, then dropped", "abcdefghij", "width:28 End limit:5 x d", "abcde|");
        row("limit, no half pair", "ab", "limit:3 End multi:\U0001F600 multi:xyz", "abx|");
        // A replacement of the same length is measured anew, also behind kerned pairs.
        row("after replacement", "AVAWAY To. ffi, r.yi", "End Shift+Left multi:W Shift+Left Shift+Left",
            "AVAWAY To. ffi, r.|yW^ selecting");
        // Each Shift selection starts at the cursor left by the deletion before it.
        row("deletions", "abc", "Home Shift+Right Backspace Shift+Right Del Shift+Right", "^c| selecting");
        row("textless keys", "abc", "End Del Up Down PgUp F1 Ins Ctrl+A Shift+F1 Left Backspace", "a|c");
        row("Tab into the field selects all", "abc", "End blur Tab", "|abc^ selecting");
        row("double click selects all", "abc", "End dclick:1", "|abc^ selecting");
        // The toolkit focuses the field before the press arrives, so the click wins over select-all.
        row("click into the unfocused field", "abcd", "blur click:2", "ab|cd");
        row("click into one character keeps the cursor", "a", "End click:0", "a|");
        row("drag right to left, past the start", "abcd", "press:3 move:1 move:x0", "^abc|d selecting");
        row("drag back to the press point", "abcd", "press:2 move:3 move:2 release:2", "ab|cd");
        row("click past the text, copy nothing", "abcd", "click:9 Ctrl+C", "abcd| clip:");
        row("cut", "abcd", "Home Shift+Right Shift+Right Shift+Right Shift+Left Ctrl+X", "|cd clip:ab");
        row("paste over a pair", "abcd", "clip:Z End Shift+Left Shift+Left Ctrl+V", "ab|Z PASTE: 2 clip:Z");
        row("refused pastes", "ab", "clip:x\ty Ctrl+V chars:xy clip:x_y Ctrl+V",
            "|ab^ selecting PASTE: 0 PASTE: 0 refused refused clip:x_y");
        row("paste at limit", "abc", "clip:defgh limit:5 Home Right Ctrl+V", "a|debc PASTE: 1 clip:defgh");
        row("replaced makes room", "abcd", "clip:wxyz! limit:4 Ctrl+V", "|wxyz PASTE: 0 clip:wxyz!");
        row("narrow follows caret", "abcdefghij", "width:28 End Left Left Left Backspace w", "abcdefw|hij");
        row("Home scrolls back", "abcdefghij", "width:28 End Home", "|abcdefghij");
        // Kerned pairs and a long text measure as short ones do.
        const QString kerned = QStringLiteral("AVAWAY To. ffi, r.y ").repeated(150);
        row("kerned", kerned, "End Left Left Left Backspace W", kerned.left(2996) + "w|" + kerned.mid(2997));

        // finderLineEdit, 17 pixels high, its pointer steps aimed just right of a boundary.
        const QString f = "abcdef";
        row("finder: click at x 5, then Left at 0", f, "End click:x5 Left", "|abcdef");
        row("finder: click over the third character", f, "click:2", "abc|def");
        row("finder: press and drag", f, "press:1 move:3 release:3", "abcd|ef 2-4");
        // Masked, it measures its asterisks.
        row("finder: masked, Shift+Left twice", f, "mask End Shift+Left Shift+Left", "abcd|ef 4-6");
        row("finder: typing over Shift+Right", f, "Home Shift+Right Shift+Right x", "x|cdef");
        row("finder: Backspace at 0, Del past the end", f, "Home Backspace click:x190 Del blur", "abcdef|");
        row("finder: Down, Backspace on a selection", f, "End Shift+Left Down Shift+Left Backspace", "abcd|");
    }

    void editing()
    {
        QFETCH(QString, text);
        QFETCH(QString, script);
        QWidget window;
        if (QByteArray(QTest::currentDataTag()).startsWith("finder"))
            return finderEditing(window, text, script);
        cLineEdit *f = focused(window, new cLineEdit(text, 20, background, &window), 150, FieldHeight);
        QVERIFY(f);
        QSignalSpy refused(f, &cLineEdit::notValid);
        const auto column = [&](int i) { return CaretLeft + px(f->text(), i); };
        const auto own = [&](auto n, auto a) {
            n == "limit" ? f->setMaxLength(a.toInt()) : f->setAllowedChars(a);
        };
        const QByteArray printed = captureStdout([&] { run(f, "clip:old " + script, column, own); });
        const int cursor = f->cursorPosition(), anchor = f->anchorPosition(), k = f->firstShownIndex();
        const QString t = f->text(), clip = QApplication::clipboard()->text();
        // The field as the rows spell it: the text with | at the cursor and ^ at the anchor where that
        // differs, "selecting" in selection mode, then what the script printed, "refused" per refused
        // character and the clipboard when it no longer holds "old".
        QString shown = QString(t).insert(qMax(cursor, anchor), anchor > cursor ? u'^' : u'|');
        if (anchor != cursor)
            shown.insert(qMin(cursor, anchor), anchor > cursor ? u'|' : u'^');
        QTEST(shown + (f->isSelecting() ? " selecting" : "") +
                  (printed.isEmpty() ? "" : " " + printed.simplified()) +
                  QString(" refused").repeated(refused.count()) + (clip == "old" ? "" : " clip:" + clip),
              "expected");
        QVERIFY(px(t.mid(k), cursor - k) <= f->width() - Padding);
        QVERIFY(k == 0 || px(t.mid(k - 1), cursor - k + 1) > f->width() - Padding);
        // The caret blinks; wait for it. The highlight lies inside both its ends, not past the far one.
        QTRY_COMPARE(pixelAt(f, CaretLeft + px(t.mid(k), cursor - k)), black);
        const int from = TextLeft + px(t, qMin(cursor, anchor)), to = TextLeft + px(t, qMax(cursor, anchor));
        if (f->isSelecting() && cursor != anchor)
            QCOMPARE(QList<QRgb>({pixelAt(f, from), pixelAt(f, to - 2), pixelAt(f, to)}),
                     QList<QRgb>({highlight, highlight, paper}));
    }

    // The pictures of a masked and of a disabled cLineEdit. Masked, the field draws one '*' per character,
    // edits the text and copies asterisks. Backspace at the start still reports the text; Return and Enter
    // report themselves. The caret blinks and goes with the focus.
    void maskedAndDisabled()
    {
        QWidget window;
        cLineEdit *f = focused(window, new cLineEdit("abc", 20, background, &window, 1), 150, FieldHeight);
        QVERIFY(f);
        QSignalSpy changed(f, &cLineEdit::textChanged), entered(f, &cLineEdit::enter);
        run(f, "Ctrl+C Home Backspace Return Enter", {}, {});
        QCOMPARE(QList<qsizetype>({changed.count(), entered.count()}), QList<qsizetype>({1, 2}));
        QCOMPARE(QApplication::clipboard()->text() + f->text(), QStringLiteral("***abc"));
        QTRY_COMPARE(pixelAt(f, CaretLeft), paper);
        QTRY_COMPARE(pixelAt(f, CaretLeft), black);
        f->clearFocus();
        QCOMPARE(pixelAt(f, CaretLeft), paper);
        // Dark strokes in each of the three asterisks' cells from x 5, all above the middle row (letters
        // reach down to the baseline), and none further right.
        const QImage image = f->grab().toImage();
        QList<int> cells(4);
        for (int x = TextLeft; x < f->width() - 1; ++x)
            for (int y = Top; y < FieldHeight - Top; ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    ++cells[y > FieldHeight / 2 ? 3 : qMin(3, int((x - TextLeft) / (px("***", 3) / 3.0)))];
        QVERIFY(cells[0] && cells[1] && cells[2] && !cells[3]);

        // A field that cannot be edited shows its whole text even where it is wider than the field: twenty
        // strokes of "1" where fifteen fit.
        auto *ones = new cLineEdit(QString(20, u'1'), 20, background, &window, 0);
        ones->setGeometry(10, 40, 100, FieldHeight);
        ones->setEnabled(false);
        QVERIFY(px(ones->text(), 20) > 100);
        const QImage disabled = ones->grab().toImage();
        int strokes = 0;
        for (int x = 1, y = FieldHeight / 2; x < disabled.width(); ++x)
            strokes += qGray(disabled.pixel(x, y)) < 128 && qGray(disabled.pixel(x - 1, y)) >= 128;
        QCOMPARE(strokes, 20);
    }
};

QTEST_MAIN(TestCLineEditAndFinderLineEdit)
#include "tst_clineedit.moc"
