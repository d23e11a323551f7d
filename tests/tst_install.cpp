// The installed program: `cmake --install` of the build tree into temporary prefixes (one with a
// non-ASCII name, one staged with DESTDIR), the layout it makes, and the program started through its
// symlink in bin/ finding the translation put beside the real executable.
#include "app/zorururoza.h"
#include "finderwindow.h"
#include "netnstest.h"
#include "pixelcompare.h"
#include "widgets/pushbutton.h"
#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>
#include <unistd.h>

namespace {

const int RunTimeoutMs = 30000; // the sanitizer build starts slowly
const QString Program = QStringLiteral("lib/gateway-finder/gateway-finder");

QString readLink(const QString &path)
{
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(target, int(n)));
}

QProcessEnvironment englishEnvironment(const QString &runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    return env;
}

// Runs the program from a working directory elsewhere (the temporary folder) until it has sent its first
// discovery request; returns its output lines.
QList<QByteArray> linesUntilSearch(const QString &program, const QString &workingDirectory)
{
    QProcess finder;
    QProcessEnvironment env = englishEnvironment(workingDirectory);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    finder.setProcessEnvironment(env);
    finder.setWorkingDirectory(workingDirectory);
    finder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    finder.start(program, {});
    QByteArray out;
    if (finder.waitForStarted()) {
        const QDeadlineTimer deadline(RunTimeoutMs);
        while (!out.contains("Bytes gesendet\n") && !deadline.hasExpired() && finder.waitForReadyRead(500))
            out += finder.readAllStandardOutput();
    }
    finder.kill();
    finder.waitForFinished();
    QList<QByteArray> lines = out.split('\n');
    lines.removeLast();
    return lines;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void install_data();
    void install();

private:
    std::unique_ptr<XvfbServer> x;
};

void TestInstall::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    x = std::make_unique<XvfbServer>();
    QString problem;
    QVERIFY2(x->start(QSize(1024, 768), &problem), qPrintable(problem));
}

void TestInstall::install_data()
{
    QTest::addColumn<QString>("prefix");  // below the temporary folder unless absolute
    QTest::addColumn<QString>("destDir"); // below the temporary folder, or none
    QTest::newRow("prefix") << "usr" << QString();
    QTest::newRow("non-ASCII prefix") << "Gerät Prüfung/usr" << QString();
    QTest::newRow("DESTDIR") << "/opt/gateway-finder"
                             << "stage";
}

void TestInstall::install()
{
    QFETCH(QString, prefix);
    QFETCH(QString, destDir);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const bool staged = !destDir.isEmpty();
    const QString installPrefix = staged ? prefix : dir.filePath(prefix);
    const QString root = staged ? dir.filePath(destDir) + prefix : installPrefix;

    QProcess cmake;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DESTDIR"));
    if (staged)
        env.insert(QStringLiteral("DESTDIR"), dir.filePath(destDir));
    cmake.setProcessEnvironment(env);
    cmake.start(QStringLiteral(FINDER_CMAKE_COMMAND), {QStringLiteral("--install"), NetnsTest::buildDir(),
                                                       QStringLiteral("--prefix"), installPrefix});
    QVERIFY(cmake.waitForFinished(RunTimeoutMs));
    QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0,
             cmake.readAllStandardError().constData());

    const QFileInfo program(root + QLatin1Char('/') + Program);
    QVERIFY2(program.isFile() && program.isExecutable() && !program.isSymLink(),
             qPrintable(program.filePath()));
    const QString link = root + QStringLiteral("/bin/gateway-finder");
    QCOMPARE(readLink(link), QStringLiteral("../lib/gateway-finder/gateway-finder"));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString icon =
            QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/gateway-finder.png").arg(root).arg(size);
        QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    const QString desktopFile = root + QStringLiteral("/share/applications/gateway-finder.desktop");
    QVERIFY(QFile::exists(desktopFile));
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {desktopFile});
        QVERIFY(validate.waitForFinished());
        const QByteArray complaints = validate.readAll();
        QVERIFY2(validate.exitCode() == 0 && complaints.isEmpty(), complaints.constData());
    }

    // The English translation beside the real executable, found through the symlink.
    const QString translations = root + QStringLiteral("/lib/gateway-finder/lang_finder");
    QVERIFY(QDir().mkpath(translations));
    const QString qm = NetnsTest::buildDir() + QStringLiteral("/translations/finder_en_EN.qm");
    QFile::remove(translations + QStringLiteral("/finder_en_EN.qm"));
    QVERIFY(QFile::copy(qm, translations + QStringLiteral("/finder_en_EN.qm")));
    const QList<QByteArray> lines = linesUntilSearch(link, dir.path());
    QVERIFY2(lines.contains("finder_en_EN.qm"), lines.join('\n').constData());
    QVERIFY2(lines.indexOf("finder_en_EN.qm") < lines.indexOf("QLocale: en_EN"),
             lines.join('\n').constData());
    QCOMPARE(lines.last(), QByteArray("Es wurden 60 Bytes gesendet"));

    // On a screen: the translated edition's title, and the translated caption on a button.
    FinderWindow finder(x.get());
    QProcessEnvironment screenEnv = englishEnvironment(dir.path());
    const QProcessEnvironment display = x->clientEnvironment();
    screenEnv.insert(QStringLiteral("DISPLAY"), display.value(QStringLiteral("DISPLAY")));
    screenEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QString problem;
    QVERIFY2(finder.start(link, screenEnv, &problem), qPrintable(problem));
    QCOMPARE(finder.title(), QStringLiteral("ORV-IP-Gateway Finder 1.1.2"));

    QTranslator english;
    QVERIFY(english.load(qm));
    const QString search = english.translate("ZORURuroza", "Suchen");
    QVERIFY(!search.isEmpty() && search != QStringLiteral("Suchen"));
    PushButton expected(QStringLiteral(":/images/btn_normal"), QStringLiteral(":/images/btn_down"), search);
    const QRect button = ZORURuroza::searchButtonRect();
    expected.resize(button.size());
    const QImage caption = expected.grab().toImage().copy(3, 3, button.width() - 6, button.height() - 6);
    const QDeadlineTimer deadline(RunTimeoutMs);
    while (!PixelCompare::looksLike(finder.grab().copy(button.adjusted(3, 3, -3, -3)), caption) &&
           !deadline.hasExpired())
        QTest::qWait(100);
    QVERIFY(PixelCompare::looksLike(finder.grab().copy(button.adjusted(3, 3, -3, -3)), caption));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
