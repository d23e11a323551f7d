#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// The edition's version and the choice of its translation, shared by the window and the command
// line, apart so they can be tried with real folders.
namespace Localisation {

inline constexpr char TranslationFolder[] = "lang_finder";
inline constexpr char Version[] = "1.1.2";

// The plain files of the folder "lang_finder" below base (empty: the working directory), in the
// order the file system gives them; of base itself when there is no such folder.
QStringList translationFolderListing(const QString &base = QString());

// "de_AT" -> "de_DE": the language part twice, the second time in upper case.
QString localeCode(const QString &systemLocaleName);

// Loads a translation from the folder "lang_finder" below base (empty: the working directory): the only file
// when the folder holds exactly one, else "finder_<code>", falling back to "finder_en_EN" unless the
// code is "de_DE". Returns true only when the first or second attempt loaded; the English fallback
// does not count.
bool loadTranslation(QTranslator &translator, const QStringList &listing, const QString &localeCode,
                     const QString &base = QString());

} // namespace Localisation
