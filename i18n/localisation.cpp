#include "localisation.h"

#include <QDir>
#include <QTranslator>

namespace Localisation {

QStringList translationFolderListing(const QString &base)
{
    QDir folder = base.isEmpty() ? QDir::current() : QDir(base);
    (void)folder.cd(QString::fromLatin1(TranslationFolder));
    return folder.entryList(QDir::Files, QDir::NoSort);
}

QString localeCode(const QString &systemLocaleName)
{
    const QString language = systemLocaleName.left(2);
    return language + QLatin1Char('_') + language.toUpper();
}

bool loadTranslation(QTranslator &translator, const QStringList &listing, const QString &localeCode,
                     const QString &base)
{
    const QString folder =
        (base.isEmpty() ? QString() : base + QLatin1Char('/')) + QString::fromLatin1(TranslationFolder);
    if (listing.size() == 1)
        return translator.load(listing.first(), folder);
    if (translator.load(QStringLiteral("finder_") + localeCode, folder))
        return true;
    // German is built in; any other language falls back to English, without the translated brand.
    if (localeCode != QLatin1String("de_DE"))
        (void)translator.load(QStringLiteral("finder_en_EN"), folder);
    return false;
}

} // namespace Localisation
