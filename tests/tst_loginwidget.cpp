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
        for (PushButton *b : popup->findChildren<PushButton *>()) {
            if (b->geometry() == geometry)
                return b;
        }
        return nullptr;
    }

    QWidget window;
    QPointer<LoginWidget> popup;
};

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestLoginWidget : public QObject
{
    Q_OBJECT

private slots:
    void closeCross_data();
    void closeCross();
    void buttonsNeverClose();
    void fields();
    void captions_data();
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
    settle();

    QTEST(int(cancelled.count()), "cancels");
    QCOMPARE(accepted.count(), 0);
    QVERIFY(shown.popup);
    QVERIFY(shown.popup->isVisible());
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
    settle();
    QCOMPARE(accepted.count(), 2);
    QCOMPARE(okSignal.count(), 0);
    QVERIFY(shown.popup && shown.popup->isVisible());

    QTest::mouseClick(cancel, Qt::LeftButton);
    settle();
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(shown.popup && shown.popup->isVisible());
}

void TestLoginWidget::fields()
{
    Shown shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QVERIFY(QTest::qWaitForWindowActive(&shown.window));
    auto *user = shown.popup->findChild<cLineEdit *>(QStringLiteral("userEdit"));
    auto *password = shown.popup->findChild<cLineEdit *>(QStringLiteral("passwordEdit"));
    QVERIFY(user && password);
    QCOMPARE(user->geometry(), LoginWidget::userEditRect());
    QCOMPARE(password->geometry(), LoginWidget::passwordEditRect());

    // Tab from the user name field reaches the password field, whose text stays hidden.
    QTest::mouseClick(user, Qt::LeftButton);
    QTest::keyClicks(user, QStringLiteral("admin"));
    QTest::keyClick(user, Qt::Key_Tab);
    QVERIFY(password->hasFocus());
    QTest::keyClicks(password, QStringLiteral("geheim"));
    QCOMPARE(user->text(), QStringLiteral("admin"));
    QCOMPARE(password->text(), QStringLiteral("geheim"));
    QCOMPARE(user->displayText(), QStringLiteral("admin"));
    QCOMPARE(password->displayText(), QStringLiteral("******"));

    QTest::keyClick(password, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(password, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("******"));

    // Unfocused, the password field looks exactly like a plain field holding the asterisks.
    user->setText(QStringLiteral("******"));
    shown.popup->setFocus();
    QCOMPARE(password->grab().toImage(), user->grab().toImage());
}

void TestLoginWidget::captions_data()
{
    QTest::addColumn<QPoint>("baseline");

    QTest::newRow("information line") << LoginWidget::infoBaseline();
    QTest::newRow("Benutzername") << LoginWidget::userCaptionBaseline();
    QTest::newRow("Password") << LoginWidget::passwordCaptionBaseline();
}

// Light text is painted over the background just above each caption's baseline.
void TestLoginWidget::captions()
{
    QFETCH(QPoint, baseline);

    Shown shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    const QImage painted = shown.popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage plain(painted.size(), QImage::Format_RGB32);
    plain.fill(shown.popup->palette().color(QPalette::Window));
    QPainter painter(&plain);
    QSvgRenderer(background).render(&painter, QRectF(plain.rect()));

    int light = 0;
    for (int y = baseline.y() - 8; y < baseline.y(); ++y) {
        for (int x = baseline.x(); x < baseline.x() + 50; ++x) {
            const QColor c = painted.pixelColor(x, y);
            light += painted.pixel(x, y) != plain.pixel(x, y) && c.lightness() > 150;
        }
    }
    QVERIFY(light > 10);
}

QTEST_MAIN(TestLoginWidget)
#include "tst_loginwidget.moc"
