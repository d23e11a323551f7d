// The log-in popup laid over a window: close cross, buttons, entry fields and captions.
#include "lineedit/clineedit.h"
#include "widgets/loginwidget.h"
#include "widgets/pushbutton.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>

namespace {

const QString background = QStringLiteral(":/images/popup_bg");

struct Shown
{
    Shown()
    {
        window.resize(857, 600);
        popup = new LoginWidget(QStringLiteral("Anmeldung am Gateway"), {QStringLiteral("Zeile")},
                                QStringLiteral("Login"), background, &window);
        popup->setGeometry(0, 0, 857, 600);
        window.show();
    }
    PushButton *button(const QRect &geometry) const
    {
        const auto buttons = popup->findChildren<PushButton *>();
        const auto it = std::find_if(buttons.begin(), buttons.end(),
                                     [&](PushButton *b) { return b->geometry() == geometry; });
        return it == buttons.end() ? nullptr : *it;
    }
    // Popups delete themselves on close; let a pending deletion happen before looking.
    bool stillOpen() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return popup && popup->isVisible();
    }

    QWidget window;
    QPointer<LoginWidget> popup;
};

} // namespace

class TestLoginWidget : public QObject
{
    Q_OBJECT

private slots:
    void closeCross_data();
    void closeCross();
    void buttonsNeverClose();
    void fields();
    void captions();
};

void TestLoginWidget::closeCross_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("cancels");

    QTest::newRow("top left corner") << QPoint(678, 138) << 1;
    QTest::newRow("bottom right corner") << QPoint(693, 153) << 1;
    QTest::newRow("left of the cross") << QPoint(677, 145) << 0;
    QTest::newRow("right of the cross") << QPoint(694, 145) << 0;
    QTest::newRow("above the cross") << QPoint(685, 137) << 0;
    QTest::newRow("below the cross") << QPoint(685, 154) << 0;
}

void TestLoginWidget::closeCross()
{
    QFETCH(QPoint, pos);
    Shown shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QSignalSpy cancelled(shown.popup, &PopupWidget::cancel);
    QSignalSpy accepted(shown.popup, &LoginWidget::acceptChanges);

    QTest::mouseClick(shown.popup, Qt::LeftButton, Qt::NoModifier, pos);
    QTEST(int(cancelled.count()), "cancels");
    QCOMPARE(accepted.count(), 0);
    QVERIFY(shown.stillOpen());
}

void TestLoginWidget::buttonsNeverClose()
{
    Shown shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    PushButton *ok = shown.button(PopupWidget::okButtonRect());
    PushButton *cancel = shown.button(PopupWidget::cancelButtonRect());
    QVERIFY(ok && cancel);
    QSignalSpy accepted(shown.popup, &LoginWidget::acceptChanges);
    QSignalSpy cancelled(shown.popup, &PopupWidget::cancel);
    QSignalSpy okSignal(shown.popup, &PopupWidget::ok);

    QTest::mouseClick(ok, Qt::LeftButton);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 2);
    QCOMPARE(okSignal.count(), 0);
    QVERIFY(shown.stillOpen());

    QTest::mouseClick(cancel, Qt::LeftButton);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(shown.stillOpen());
}

void TestLoginWidget::fields()
{
    Shown shown;
    QVERIFY(QTest::qWaitForWindowActive(&shown.window));
    auto *user = shown.popup->findChild<cLineEdit *>(QStringLiteral("userEdit"));
    auto *password = shown.popup->findChild<cLineEdit *>(QStringLiteral("passwordEdit"));
    QVERIFY(user && password);
    QCOMPARE(user->geometry(), LoginWidget::userEditRect());
    QCOMPARE(password->geometry(), LoginWidget::passwordEditRect());

    QTest::mouseClick(user, Qt::LeftButton);
    QTest::keyClicks(user, QStringLiteral("admin"));
    QTest::keyClick(user, Qt::Key_Tab);
    QVERIFY(password->hasFocus());
    QTest::keyClicks(password, QStringLiteral("geheim"));
    QCOMPARE(user->text(), QStringLiteral("admin"));
    QCOMPARE(user->displayText(), QStringLiteral("admin"));
    QCOMPARE(password->text(), QStringLiteral("geheim"));
    QCOMPARE(password->displayText(), QStringLiteral("******"));

    QTest::keyClick(password, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(password, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("******"));

    // Unfocused, the password field looks exactly like a plain field holding the asterisks.
    user->setText(QStringLiteral("******"));
    shown.popup->setFocus();
    QCOMPARE(password->grab().toImage(), user->grab().toImage());
}

// Light text is painted over the background just above each caption's baseline.
void TestLoginWidget::captions()
{
    Shown shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    const QImage painted = shown.popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage plain(painted.size(), QImage::Format_RGB32);
    plain.fill(shown.popup->palette().color(QPalette::Window));
    QPainter painter(&plain);
    QSvgRenderer(background).render(&painter, QRectF(plain.rect()));

    for (const QPoint baseline : {LoginWidget::infoBaseline(), LoginWidget::userCaptionBaseline(),
                                  LoginWidget::passwordCaptionBaseline()}) {
        int light = 0;
        for (int y = baseline.y() - 8; y < baseline.y(); ++y) {
            for (int x = baseline.x(); x < baseline.x() + 50; ++x)
                light +=
                    painted.pixel(x, y) != plain.pixel(x, y) && painted.pixelColor(x, y).lightness() > 150;
        }
        QVERIFY2(light > 10, qPrintable(QStringLiteral("at %1,%2").arg(baseline.x()).arg(baseline.y())));
    }
}

QTEST_MAIN(TestLoginWidget)
#include "tst_loginwidget.moc"
