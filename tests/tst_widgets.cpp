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

// What the widget's background image alone looks like at its size: the reference for pixel checks.
QImage reference(const QString &image, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter painter(&out);
    QSvgRenderer(image).render(&painter, QRectF(QPointF(0, 0), size));
    return out;
}

bool showsImage(QWidget *w, const QString &image, QPoint probe)
{
    return grabbed(w).pixel(probe) == reference(image, w->size()).pixel(probe);
}

int countPixels(const QImage &image, const QRect &area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

// The lightest grey in the area: anti-aliased text reaches its pen colour only in its cores.
int lightest(const QImage &image, const QRect &area)
{
    int best = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, qGray(image.pixel(x, y)));
    return best;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void pushButtonCaptionColour();
    void pushButtonPressAndRelease();
    void pushButtonReleasedElsewhere();
    void checkBoxLooksFollowThePointer();
    void checkBoxCheckedLookWhileHovered();
    void messageBoxLayout();
    void messageBoxOkClosesThenSignals();
};

void TestWidgets::pushButtonCaptionColour()
{
    QWidget parent;
    parent.resize(200, 100);
    auto *button = new PushButton(":/images/btn_normal", ":/images/btn_down", "Suchen", &parent);
    button->setGeometry(10, 10, 113, 27);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    const QRect captionArea(20, 5, 73, 17);
    QVERIFY(countPixels(grabbed(button), captionArea, qRgb(51, 51, 51)) > 5);
    QVERIFY(showsImage(button, ":/images/btn_normal", {3, 13}));

    button->setTextColor(QColor(229, 229, 229));
    QVERIFY(countPixels(grabbed(button), captionArea, qRgb(229, 229, 229)) > 5);
    QCOMPARE(countPixels(grabbed(button), captionArea, qRgb(51, 51, 51)), 0);
    QVERIFY(button->QPushButton::text().isEmpty()); // the caption is the button's own, not the base's
}

void TestWidgets::pushButtonPressAndRelease()
{
    PushButton button(":/images/btn_normal", ":/images/btn_down", "OK");
    button.resize(113, 27);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const QPoint probe(6, 4);
    QVERIFY(!showsImage(&button, ":/images/btn_down", probe)); // the two looks differ here

    QTest::mouseMove(&button, {50, 13});
    QVERIFY(showsImage(&button, ":/images/btn_normal", probe)); // no hover look

    QTest::mousePress(&button, Qt::LeftButton, {}, {50, 13});
    QVERIFY(showsImage(&button, ":/images/btn_down", probe));

    bool downWhenClicked = false;
    connect(&button, &PushButton::clicked, this,
            [&] { downWhenClicked = showsImage(&button, ":/images/btn_down", probe); });
    QSignalSpy clicked(&button, &PushButton::clicked);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {50, 13});
    QCOMPARE(clicked.count(), 1);
    QVERIFY(downWhenClicked);
    QVERIFY(showsImage(&button, ":/images/btn_normal", probe));
}

void TestWidgets::pushButtonReleasedElsewhere()
{
    QWidget parent;
    parent.resize(300, 100);
    auto *button = new PushButton(":/images/btn_normal", ":/images/btn_down", "OK", &parent);
    button->setGeometry(0, 0, 113, 27);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicked(button, &PushButton::clicked);

    QTest::mousePress(button, Qt::LeftButton, {}, {50, 13});
    QTest::mouseMove(button, {250, 80});
    QTest::mouseRelease(button, Qt::LeftButton, {}, {250, 80});
    QCOMPARE(clicked.count(), 0);
    QVERIFY(showsImage(button, ":/images/btn_normal", {6, 4}));
}

void TestWidgets::checkBoxLooksFollowThePointer()
{
    QWidget parent;
    parent.resize(60, 60);
    auto *box = new CheckBox(&parent);
    box->setGeometry(20, 20, 13, 13);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicked(box, &CheckBox::clicked);
    const QPoint middle(6, 6);

    QCOMPARE(box->currentLook(), CheckBox::Normal);
    QVERIFY(showsImage(box, ":/images/cb_normal", middle));

    QEnterEvent enter(QPointF(6, 6), QPointF(26, 26), QPointF(26, 26));
    QApplication::sendEvent(box, &enter);
    QVERIFY(showsImage(box, ":/images/cb_over", middle));

    QTest::mousePress(box, Qt::LeftButton, {}, middle);
    QVERIFY(showsImage(box, ":/images/cb_down", middle));

    QTest::mouseRelease(box, Qt::LeftButton, {}, middle);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toBool(), true);
    QVERIFY(box->isChecked());
    QCOMPARE(box->currentLook(), CheckBox::CheckedOver);
    QVERIFY(showsImage(box, ":/images/cb_checked_over", middle));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(box, &leave);
    QVERIFY(showsImage(box, ":/images/cb_checked", middle));

    // Unticking by a second click runs the ticked half of the table back.
    QApplication::sendEvent(box, &enter);
    QTest::mousePress(box, Qt::LeftButton, {}, middle);
    QCOMPARE(box->currentLook(), CheckBox::CheckedDown);
    QTest::mouseRelease(box, Qt::LeftButton, {}, middle);
    QCOMPARE(clicked.at(1).at(0).toBool(), false);
    QCOMPARE(box->currentLook(), CheckBox::Over);
}

void TestWidgets::checkBoxCheckedLookWhileHovered()
{
    CheckBox box;
    box.resize(13, 13);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QEnterEvent enter(QPointF(6, 6), QPointF(6, 6), QPointF(6, 6));
    QApplication::sendEvent(&box, &enter);
    QCOMPARE(box.currentLook(), CheckBox::Over);

    box.setCheckedLook(true);
    QVERIFY(!box.isChecked()); // the look alone; callers set the state themselves
    QVERIFY(showsImage(&box, ":/images/cb_checked", {6, 6}));
    QVERIFY(!showsImage(&box, ":/images/cb_checked_over", {6, 6}));
}

void TestWidgets::messageBoxLayout()
{
    QWidget window;
    window.resize(857, 600);
    auto *box = new MessageBox({}, "Meldung", &window);
    box->setGeometry(0, 0, 857, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto buttons = box->findChildren<PushButton *>();
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons.at(0)->caption(), QStringLiteral("OK"));
    QCOMPARE(buttons.at(0)->geometry(), QRect(571, 403, 113, 27));
    QVERIFY(buttons.at(0)->isVisible());
    QCOMPARE(buttons.at(1)->caption(), QStringLiteral("Abbrechen"));
    QVERIFY(!buttons.at(1)->isVisible());

    const int panel = 0x33;
    QImage empty = grabbed(box);
    QVERIFY(lightest(empty, PopupWidget::titleRect().toRect()) > 200);
    QCOMPARE(lightest(empty, PopupWidget::lineRect(0).toRect()), panel);

    auto *withLines = new MessageBox({"eins", "", "drei"}, "Titel", &window);
    withLines->setGeometry(0, 0, 857, 600);
    withLines->show();
    QImage image = grabbed(withLines);
    QVERIFY(qAbs(lightest(image, PopupWidget::lineRect(0).toRect()) - 136) < 12); // grey, not light
    QCOMPARE(lightest(image, PopupWidget::lineRect(1).toRect()), panel);
    QVERIFY(qAbs(lightest(image, PopupWidget::lineRect(2).toRect()) - 136) < 12);
}

void TestWidgets::messageBoxOkClosesThenSignals()
{
    QWidget window;
    window.resize(857, 600);
    QPointer<MessageBox> box = new MessageBox({"Zeile"}, "Meldung", &window);
    box->setGeometry(0, 0, 857, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool closedBeforeSignal = false;
    bool aliveInReceiver = false;
    connect(box, &MessageBox::ok, this, [&] {
        aliveInReceiver = !box.isNull();
        closedBeforeSignal = aliveInReceiver && !box->isVisible();
    });
    QSignalSpy cancelled(box.data(), &MessageBox::cancel);
    QTest::mouseClick(box->findChildren<PushButton *>().at(0), Qt::LeftButton);
    QVERIFY(aliveInReceiver);
    QVERIFY(closedBeforeSignal);
    QCOMPARE(cancelled.count(), 0);
    QTRY_VERIFY(box.isNull()); // deleted by the event loop
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
