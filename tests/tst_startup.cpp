// Start-up: the choice of translation with real files in temporary folders, and the whole program
// started through a symlink from a folder with a non-ASCII name.
#include "app/startup.h"
#include "netnstest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

QString englishQm()
{
    return NetnsTest::buildDir() + QStringLiteral("/translations/finder_en_EN.qm");
}

// Makes <root>/lang_finder holding the named files: *.qm are real translations, others are not.
void makeTranslationFolder(const QString &root, const QStringList &files)
{
    QDir(root).mkpath(QStringLiteral("lang_finder"));
    for (const QString &name : files) {
        const QString path = root + QStringLiteral("/lang_finder/") + name;
        if (name.endsWith(QLatin1String(".qm"))) {
            QVERIFY(QFile::copy(englishQm(), path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a translation\n");
        }
    }
}

// Runs the program until it has sent its first discovery request; returns what it printed.
QByteArray outputUntilSearch(const QString &program, const QMap<QString, QString> &environment)
{
    QProcess finder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        env.remove(name);
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    finder.setProcessEnvironment(env);
    finder.setWorkingDirectory(QDir::rootPath());
    finder.start(program, {});
    QByteArray out;
    if (finder.waitForStarted()) {
        QDeadlineTimer deadline(15000);
        while (!out.contains("Bytes gesendet\n") && !deadline.hasExpired() && finder.waitForReadyRead(500))
            out += finder.readAllStandardOutput();
    }
    finder.kill();
    finder.waitForFinished();
    return out;
}

QString copyProgramTo(const QString &folder)
{
    const QString copy = folder + QStringLiteral("/gateway-finder");
    QFile::copy(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    return copy;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void localeCode_data();
    void localeCode();
    void chooseTranslation_data();
    void chooseTranslation();
    void title();
    void wholeProgramThroughSymlink();
    void programFolderListedWithoutTranslationFolder();

private:
    QString startDir = QDir::currentPath();
};

void TestStartup::initTestCase()
{
    NetnsTest::requirePrivateNetwork(); // the program binds and broadcasts
    QVERIFY2(QFile::exists(englishQm()), qPrintable(englishQm()));
}

void TestStartup::cleanup()
{
    QDir::setCurrent(startDir);
}

void TestStartup::localeCode_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("code");
    QTest::newRow("en_US") << "en_US"
                           << "en_EN";
    QTest::newRow("de_AT") << "de_AT"
                           << "de_DE";
    QTest::newRow("de_CH") << "de_CH"
                           << "de_DE";
    QTest::newRow("fr_CA") << "fr_CA"
                           << "fr_FR";
}

void TestStartup::localeCode()
{
    QFETCH(QString, system);
    QFETCH(QString, code);
    QCOMPARE(Startup::localeCode(system), code);
}

void TestStartup::chooseTranslation_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("loaded");      // counts for the title
    QTest::addColumn<bool>("translating"); // something was loaded, fallback included

    QTest::newRow("locale file among others")
        << "en_EN" << QStringList{"finder_en_EN.qm", "notes.txt"} << true << true;
    QTest::newRow("english fallback")
        << "fr_FR" << QStringList{"finder_de_DE.qm", "finder_en_EN.qm"} << false << true;
    QTest::newRow("german: no fallback") << "de_DE" << QStringList{"a.qm", "b.qm"} << false << false;
    QTest::newRow("single file wins over locale")
        << "de_DE" << QStringList{"finder_fr_FR.qm"} << true << true;
    QTest::newRow("single file not a translation")
        << "en_EN" << QStringList{"finder_en_EN.txt"} << false << false;
    QTest::newRow("search cuts at the last underscore")
        << "de_DE" << QStringList{"finder_de.qm", "other.txt"} << true << true;
    QTest::newRow("empty folder") << "en_EN" << QStringList{} << false << false;
}

void TestStartup::chooseTranslation()
{
    QFETCH(QString, code);
    QFETCH(QStringList, files);
    QFETCH(bool, loaded);
    QFETCH(bool, translating);

    QTemporaryDir dir;
    makeTranslationFolder(dir.path(), files);
    QDir::setCurrent(dir.path());
    const QStringList listing = Startup::translationFolderListing();
    QCOMPARE(QSet<QString>(listing.cbegin(), listing.cend()), QSet<QString>(files.cbegin(), files.cend()));

    QTranslator translator;
    QCOMPARE(Startup::loadTranslation(translator, listing, code), loaded);
    QCOMPARE(translator.translate("ZORURuroza", "Suchen") == QLatin1String("Search"), translating);
}

void TestStartup::title()
{
    QCOMPARE(Startup::windowTitle(false), QStringLiteral("ZAN-IP-Gateway Finder 1.1.2"));
    QCOMPARE(Startup::windowTitle(true), QStringLiteral("ORV-IP-Gateway Finder 1.1.2"));
}

void TestStartup::wholeProgramThroughSymlink()
{
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/Gerät Prüfung");
    QVERIFY(QDir().mkpath(home));
    const QString program = copyProgramTo(home);
    makeTranslationFolder(home, {"finder_en_EN.qm", "liesmich.txt"});
    QVERIFY(QDir().mkpath(dir.path() + "/elsewhere"));
    const QString link = dir.path() + QStringLiteral("/elsewhere/finder");
    QVERIFY(QFile::link(program, link));

    QList<QByteArray> lines = outputUntilSearch(link, {{"LANG", "en_US.UTF-8"}}).split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(QSet<QByteArray>({lines.at(0), lines.at(1)}),
             QSet<QByteArray>({"finder_en_EN.qm", "liesmich.txt"}));
    QCOMPARE(lines.at(2), QByteArray("QLocale: en_EN"));
    QCOMPARE(lines.at(3), QByteArray("Es wurden 60 Bytes gesendet"));
}

void TestStartup::programFolderListedWithoutTranslationFolder()
{
    QTemporaryDir dir;
    const QString program = copyProgramTo(dir.path());
    QVERIFY(QDir(dir.path()).mkdir("a folder"));
    QCOMPARE(outputUntilSearch(program, {{"LC_ALL", "de_AT.UTF-8"}}),
             QByteArray("gateway-finder\nQLocale: de_DE\nEs wurden 60 Bytes gesendet\n"));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
