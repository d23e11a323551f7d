#include "lineedit/clineedit.h"
#include "widgets/loginwidget.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestLoginWidget : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    LoginWidget *popup = nullptr;

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        popup = new LoginWidget("Anmeldung", {"Zeile"}, "Login", ":/images/popup_bg", window.get());
        popup->setGeometry(0, 0, 857, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    // Each row clicks twice at a popup position, on whichever widget lies there; the close cross spans
    // 678..693 x 138..153.
    void clicks_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("accepts");
        QTest::addColumn<int>("cancels");
        QTest::newRow("cross, top left") << QPoint(678, 138) << 0 << 2;
        QTest::newRow("cross, bottom right") << QPoint(693, 153) << 0 << 2;
        QTest::newRow("left of the cross") << QPoint(677, 145) << 0 << 0;
        QTest::newRow("right of the cross") << QPoint(694, 145) << 0 << 0;
        QTest::newRow("above the cross") << QPoint(685, 137) << 0 << 0;
        QTest::newRow("below the cross") << QPoint(685, 154) << 0 << 0;
        QTest::newRow("OK") << PopupWidget::okButtonRect().center() << 2 << 0;
    }

    void clicks()
    {
        QFETCH(QPoint, pos);
        QSignalSpy accepted(popup, &LoginWidget::acceptChanges), cancelled(popup, &PopupWidget::cancel);
        QWidget *target = popup->childAt(pos) ? popup->childAt(pos) : popup;
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(popup, pos));
        QTEST(int(accepted.count()), "accepts");
        QTEST(int(cancelled.count()), "cancels");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the popup never closes itself
        QVERIFY(window->findChild<LoginWidget *>() && popup->isVisible());
    }

    void passwordMasked()
    {
        auto *password = popup->findChild<cLineEdit *>(QStringLiteral("passwordEdit"));
        QVERIFY(password);
        QTest::keyClicks(password, QStringLiteral("geheim"));
        QCOMPARE(password->text(), QStringLiteral("geheim"));
        QCOMPARE(password->displayText(), QStringLiteral("******"));
    }
};

QTEST_MAIN(TestLoginWidget)
#include "tst_loginwidget.moc"
