// The choice of translation, with real files in a temporary translation folder, and the title.
#include "app/startup.h"
#include "i18n/localisation.h"
#include "netnstest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void chooseTranslation_data()
    {
        QTest::addColumn<QString>("setup");    // the system's locale, then the files (*.qm are translations)
        QTest::addColumn<bool>("loaded");      // counts for the title
        QTest::addColumn<bool>("translating"); // something was loaded, fallback included
        QTest::newRow("locale file among others") << "en_US finder_en_EN.qm notes.txt" << true << true;
        QTest::newRow("english fallback") << "fr_CA finder_de_DE.qm finder_en_EN.qm" << false << true;
        QTest::newRow("german: no fallback") << "de_AT a.qm finder_en_EN.qm" << false << false;
        QTest::newRow("single file wins over locale") << "de_DE finder_fr_FR.qm" << true << true;
        QTest::newRow("single file not a translation") << "en_US finder_en_EN.txt" << false << false;
    }

    void chooseTranslation()
    {
        QFETCH(QString, setup);
        QStringList files = setup.split(' ');
        const QString system = files.takeFirst();
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("lang_finder"));
        const QString qm = NetnsTest::buildDir() + QStringLiteral("/translations/finder_en_EN.qm");
        for (const QString &name : files) {
            QFile file(dir.filePath("lang_finder/" + name));
            QVERIFY(name.endsWith(".qm") ? QFile::copy(qm, file.fileName())
                                         : file.open(QIODevice::WriteOnly));
        }
        QDir::setCurrent(dir.path()); // the program's folder is its working directory
        QStringList listing = Localisation::translationFolderListing();
        QTranslator translator;
        QTEST(Localisation::loadTranslation(translator, listing, Localisation::localeCode(system)), "loaded");
        QTEST(translator.translate("ZORURuroza", "Suchen") == QLatin1String("Search"), "translating");
        listing.sort();
        QCOMPARE(listing, files);
        QCOMPARE(Startup::windowTitle(false), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));
        QCOMPARE(Startup::windowTitle(true), QStringLiteral("ORV-IP-Gateway Finder 1.1.2"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
