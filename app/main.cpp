#include "cli/commandline.h"
#include "i18n/localisation.h"
#include "journal/changejournal.h"
#include "startup.h"
#include "zorururoza.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    // A command, --help or --version: no window and no display, only what was asked for on stdout.
    if (argc > 1)
        return CommandLine::run(argc, argv);

    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/icon")));
    Startup::setApplicationFont();

    // A relative journal path means the folder the window was started from, which is left next.
    const QString journal = qEnvironmentVariable(ChangeJournal::EnvironmentVariable);
    if (!journal.isEmpty() && QDir::isRelativePath(journal))
        qputenv(ChangeJournal::EnvironmentVariable,
                QFile::encodeName(QDir::current().absoluteFilePath(journal)));

    // The executable's real folder, also when started through PATH or a symlink.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    const QStringList listing = Localisation::translationFolderListing();
    for (const QString &name : listing)
        std::printf("%s\n", name.toLatin1().constData());

    QTranslator translator;
    const QString code = Localisation::localeCode(QLocale::system().name());
    const bool translationLoaded = Localisation::loadTranslation(translator, listing, code);
    QCoreApplication::installTranslator(&translator);
    std::printf("QLocale: %s\n", code.toLatin1().constData());
    std::fflush(stdout);

    ZORURuroza window;
    window.setWindowTitle(Startup::windowTitle(translationLoaded));
    window.show();
    window.setMinimumHeight(600);
    window.setMinimumWidth(857);
    window.setMaximumHeight(600);
    window.setMaximumWidth(857);
    window.resize(857, 600);
    return application.exec();
}
