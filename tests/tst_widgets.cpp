// Skinned buttons, the image check box and the message popup, driven through real events.
#include "widgets/checkbox.h"
#include "widgets/messagebox.h"
#include "widgets/pushbutton.h"

#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

namespace {

QImage grabbed(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether the widget shows the image at the probe, compared with the image rendered alone.
bool showsImage(QWidget *w, const QString &image, QPoint probe)
{
    QImage reference(w->size(), QImage::Format_RGB32);
    reference.fill(Qt::black);
    QPainter painter(&reference);
    QSvgRenderer(image).render(&painter, QRectF(reference.rect()));
    return grabbed(w).pixel(probe) == reference.pixel(probe);
}

// The extreme greys in the area: anti-aliased text reaches its pen colour only in its cores.
std::pair<int, int> greyRange(const QImage &image, const QRect &area)
{
    int low = 255, high = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            low = std::min(low, qGray(image.pixel(x, y)));
            high = std::max(high, qGray(image.pixel(x, y)));
        }
    return {low, high};
}

int lightest(const QImage &image, const QRect &area)
{
    return greyRange(image, area).second;
}

int darkest(const QImage &image, const QRect &area)
{
    return greyRange(image, area).first;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void pushButton();
    void checkBoxLooksFollowThePointer();
    void messageBox();
};

void TestWidgets::pushButton()
{
    PushButton button(":/images/btn_normal", ":/images/btn_down", "Suchen");
    button.resize(113, 27);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const QPoint probe(6, 4);
    const QRect caption(20, 5, 73, 17);
    QVERIFY(!showsImage(&button, ":/images/btn_down", probe));  // the two looks differ here
    QVERIFY(qAbs(darkest(grabbed(&button), caption) - 51) < 8); // dark caption

    QTest::mouseMove(&button, {50, 13});
    QVERIFY(showsImage(&button, ":/images/btn_normal", probe)); // no hover look
    QTest::mousePress(&button, Qt::LeftButton, {}, {50, 13});
    QVERIFY(showsImage(&button, ":/images/btn_down", probe));

    // clicked() comes while the pressed image still shows; the released image follows.
    bool downWhenClicked = false;
    connect(&button, &PushButton::clicked, this,
            [&] { downWhenClicked = showsImage(&button, ":/images/btn_down", probe); });
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {50, 13});
    QVERIFY(downWhenClicked);
    QVERIFY(showsImage(&button, ":/images/btn_normal", probe));

    button.setTextColor(QColor(229, 229, 229));
    QVERIFY(lightest(grabbed(&button), caption) > 225);
    QVERIFY(button.QPushButton::text().isEmpty()); // the caption is the button's own
}

void TestWidgets::checkBoxLooksFollowThePointer()
{
    CheckBox box;
    box.resize(13, 13);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clicked(&box, &CheckBox::clicked);
    const QPoint middle(6, 6);
    const QPointF at(middle);
    QEnterEvent enter(at, at, at);
    QEvent leave(QEvent::Leave);

    QVERIFY(showsImage(&box, ":/images/cb_normal", middle));
    QApplication::sendEvent(&box, &enter);
    QVERIFY(showsImage(&box, ":/images/cb_over", middle));
    QTest::mousePress(&box, Qt::LeftButton, {}, middle);
    QVERIFY(showsImage(&box, ":/images/cb_down", middle));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, middle);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toBool(), true);
    QVERIFY(showsImage(&box, ":/images/cb_checked_over", middle));
    QApplication::sendEvent(&box, &leave);
    QVERIFY(showsImage(&box, ":/images/cb_checked", middle));

    // Unticking runs the ticked half of the table back to the hovered look.
    QApplication::sendEvent(&box, &enter);
    QTest::mousePress(&box, Qt::LeftButton, {}, middle);
    QCOMPARE(box.currentLook(), CheckBox::CheckedDown);
    QTest::mouseRelease(&box, Qt::LeftButton, {}, middle);
    QCOMPARE(clicked.at(1).at(0).toBool(), false);
    QCOMPARE(box.currentLook(), CheckBox::Over);

    // setCheckedLook sets the look alone, whatever the pointer does.
    box.setCheckedLook(true);
    QVERIFY(!box.isChecked());
    QVERIFY(showsImage(&box, ":/images/cb_checked", middle));
}

void TestWidgets::messageBox()
{
    QWidget window;
    window.resize(857, 600);
    QPointer<MessageBox> box = new MessageBox({"eins", "", "drei"}, "Meldung", &window);
    box->setGeometry(0, 0, 857, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto buttons = box->findChildren<PushButton *>();
    QCOMPARE(buttons.at(0)->caption(), QStringLiteral("OK"));
    QCOMPARE(buttons.at(0)->geometry(), QRect(571, 403, 113, 27));
    QVERIFY(!buttons.at(1)->isVisible()); // "Abbrechen"

    const int panel = 0x33;
    const QImage image = grabbed(box);
    QVERIFY(lightest(image, PopupWidget::titleRect().toRect()) > 200);
    QVERIFY(qAbs(lightest(image, PopupWidget::lineRect(0).toRect()) - 136) < 12); // grey, not light
    QCOMPARE(lightest(image, PopupWidget::lineRect(1).toRect()), panel);
    QVERIFY(qAbs(lightest(image, PopupWidget::lineRect(2).toRect()) - 136) < 12);

    // OK closes first, then signals: the receiver still finds the popup, deleted later.
    bool closedBeforeSignal = false;
    connect(box, &MessageBox::ok, this, [&] { closedBeforeSignal = box && !box->isVisible(); });
    QTest::mouseClick(buttons.at(0), Qt::LeftButton);
    QVERIFY(closedBeforeSignal);
    QTRY_VERIFY(box.isNull());
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
