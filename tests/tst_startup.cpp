// The choice of translation, with real files in a temporary translation folder, and the title.
#include "app/startup.h"
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
        QTest::addColumn<QString>("system");
        QTest::addColumn<QStringList>("files"); // *.qm are real translations, others are not
        QTest::addColumn<bool>("loaded");       // counts for the title
        QTest::addColumn<bool>("translating");  // something was loaded, fallback included
        QTest::newRow("locale file among others")
            << "en_US" << QStringList{"finder_en_EN.qm", "notes.txt"} << true << true;
        QTest::newRow("english fallback")
            << "fr_CA" << QStringList{"finder_de_DE.qm", "finder_en_EN.qm"} << false << true;
        QTest::newRow("fr_CA is looked for as fr_FR")
            << "fr_CA" << QStringList{"finder_fr_FR.qm", "a.qm"} << true << true;
        QTest::newRow("german: no fallback")
            << "de_AT" << QStringList{"a.qm", "finder_en_EN.qm"} << false << false;
        QTest::newRow("de_CH is german") << "de_CH" << QStringList{"finder_de_DE.qm", "b.qm"} << true << true;
        QTest::newRow("single file wins over locale")
            << "de_DE" << QStringList{"finder_fr_FR.qm"} << true << true;
        QTest::newRow("single file not a translation")
            << "en_US" << QStringList{"finder_en_EN.txt"} << false << false;
        QTest::newRow("search cuts at the last underscore")
            << "de_DE" << QStringList{"finder_de.qm", "other.txt"} << true << true;
        QTest::newRow("empty folder") << "en_US" << QStringList{} << false << false;
    }

    void chooseTranslation()
    {
        QFETCH(QString, system);
        QFETCH(QStringList, files);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("lang_finder"));
        for (const QString &name : files) {
            QFile file(dir.filePath("lang_finder/" + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QFile qm(NetnsTest::buildDir() + QStringLiteral("/translations/finder_en_EN.qm"));
            QVERIFY(qm.open(QIODevice::ReadOnly));
            file.write(name.endsWith(".qm") ? qm.readAll() : "not a translation\n");
        }
        const QString home = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QStringList listing = Startup::translationFolderListing();
        QCOMPARE(QSet<QString>(listing.cbegin(), listing.cend()),
                 QSet<QString>(files.cbegin(), files.cend()));

        QTranslator translator;
        QTEST(Startup::loadTranslation(translator, listing, Startup::localeCode(system)), "loaded");
        QDir::setCurrent(home);
        QTEST(translator.translate("ZORURuroza", "Suchen") == QLatin1String("Search"), "translating");
        QCOMPARE(Startup::windowTitle(false), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));
        QCOMPARE(Startup::windowTitle(true), QStringLiteral("ORV-IP-Gateway Finder 1.1.2"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
