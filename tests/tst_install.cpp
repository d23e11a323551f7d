// The installed program: `cmake --install` of the build tree into a temporary prefix with a non-ASCII
// name, the layout it makes, and the program started through its symlink in bin/ finding the
// translation put beside the real executable. The Debian package of the build tree (staged by CPack),
// checked by lintian, and the menu entry and software-centre metadata it carries.
#include "netnstest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

const int TimeoutMs = 30000; // the sanitizer build starts slowly

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { NetnsTest::requirePrivateNetwork(); }
    void install();
    void package();
};

void TestInstall::install()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Gerät Prüfung/usr"));
    QCOMPARE(QProcess::execute(QStringLiteral(FINDER_CMAKE_COMMAND),
                               {"--install", NetnsTest::buildDir(), "--prefix", root}),
             0);

    const QString link = root + QStringLiteral("/bin/gateway-finder");
    QCOMPARE(QString::fromStdString(std::filesystem::read_symlink(QFile::encodeName(link).toStdString())),
             QStringLiteral("../lib/gateway-finder/gateway-finder"));
    const QString icon = root + QStringLiteral("/share/icons/hicolor/%1x%1/apps/gateway-finder.png");
    for (int size : {16, 32, 48, 64, 128, 256})
        QCOMPARE(QImage(icon.arg(size)).size(), QSize(size, size));

    // The English translation beside the real executable, found through the symlink.
    const QString qm = root + QStringLiteral("/lib/gateway-finder/lang_finder/finder_en_EN.qm");
    QVERIFY(QDir().mkpath(QFileInfo(qm).path()));
    QFile::remove(qm); // in case the build deploys it already
    QVERIFY(QFile::copy(NetnsTest::buildDir() + QStringLiteral("/translations/finder_en_EN.qm"), qm));
    // Started from a working directory elsewhere, until it has sent its first discovery request.
    QProcess finder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    finder.setProcessEnvironment(env);
    finder.setWorkingDirectory(dir.path());
    finder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    finder.start(link, {});
    QByteArray out;
    const QDeadlineTimer deadline(TimeoutMs);
    while (!out.contains("Bytes gesendet\n") && finder.waitForReadyRead(int(deadline.remainingTime())))
        out += finder.readAllStandardOutput();
    const QList<QByteArray> lines = out.split('\n');
    QVERIFY2(lines.contains("finder_en_EN.qm") &&
                 lines.indexOf("finder_en_EN.qm") < lines.indexOf("QLocale: en_EN"),
             lines.join('\n').constData());
    QVERIFY(lines.contains("Es wurden 60 Bytes gesendet"));
}

void TestInstall::package()
{
    // The package is made in an empty folder and unpacked there, then every checker passes and reports
    // neither errors nor warnings.
    QTemporaryDir dir;
    const QList<QStringList> steps = {
        {FINDER_CPACK_COMMAND, "--config", NetnsTest::buildDir() + "/CPackConfig.cmake", "-D",
         "CPACK_DEBIAN_FILE_NAME=finder.deb"},
        {"dpkg-deb", "-x", "finder.deb", "root"},
        {"lintian", "--fail-on", "error,warning", "finder.deb"},
        {"appstreamcli", "validate", "--no-net", "--strict",
         "root/usr/share/metainfo/org.example.gatewayfinder.metainfo.xml"},
        {"desktop-file-validate", "root/usr/share/applications/gateway-finder.desktop"},
    };
    const QRegularExpression problem("^[EW]: |: (error|warning): ", QRegularExpression::MultilineOption);
    for (QStringList command : steps) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.takeFirst(), command);
        QVERIFY(process.waitForFinished(2 * TimeoutMs));
        const QString out = QString::fromUtf8(process.readAll());
        QVERIFY2(process.exitCode() == 0 && !out.contains(problem), qPrintable(out));
    }
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
