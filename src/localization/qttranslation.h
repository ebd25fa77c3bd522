#pragma once

#include <QLocale>
#include <QString>

// Qt's own texts (standard buttons, context menus of text boxes) in the
// language of the loaded language file, and its reading direction.
namespace QtTranslation {

// The locale of a language file: that of the first row of the folder's
// LanguageCodes.csv naming the file (letter case of A to Z ignored), by its
// Windows language identifier. The C locale when no row names it.
QLocale localeOf(const QString& languagesFolder, const QString& fileName);

// Installs Qt's translation for that locale on the application, once;
// the application then lays out right to left when the translation says
// so. False when no translation is found.
bool install(const QString& languagesFolder, const QString& fileName);

// install() for the language file loaded at start-up; nothing when none is.
bool installForLoadedLanguage();

// The reading direction of the language file loaded at start-up, by its
// locale, so that a right-to-left language lays the windows out from the
// right also where Qt has no translation for it; left to right when none is
// loaded.
Qt::LayoutDirection directionOfLoadedLanguage();

// For tests: removes the translation and lays out left to right again.
void uninstall();

} // namespace QtTranslation
