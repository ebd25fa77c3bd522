#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Which language file is loaded at start-up, and the list of language files
// the language window offers. Filled once by initLanguage, read-only after.
namespace LanguageChoice {

// Chooses the language file from the "LanguageFile" setting or, when that
// is blank, from the user-interface language through LanguageCodes.csv,
// and loads it. Everything that does not fit (no folder, no table, no
// row, no file) silently leaves the program in English. Returns false
// with error set only when a chosen file exists but cannot be read.
bool initLanguage(const QString& settingValue, const QString& languagesFolder,
                  const QLocale& uiLocale, QString* error = nullptr);

// Appends the folder's "*lang.txt" files (hidden ones too, no folders)
// to LanguageFileList.
void findLanguageFiles(const QString& folder);

// The file name the table gives for a decimal language identifier, or
// empty when the table has no such row or cannot be read. The table is read
// like every text file: UTF-8, else as its byte-order mark says, else in the
// ANSI code page of `locale`.
QString lookupLanguageCode(const QString& csvPath, const QString& languageId,
                           const QLocale& locale = QLocale());

// The Windows language identifier (LANGID) of a locale; 0 when unknown.
int languageId(const QLocale& locale);

// The locale of the user's first user-interface language.
QLocale userInterfaceLocale();

// The Languages folder beside the executable.
QString defaultLanguagesFolder();

// The file name before its first ".lang.txt"; empty without one.
QString languageName(const QString& fileName);

QString languagesFolder();
const QStringList& languageFileList();
// Name of the loaded language; empty when none is loaded.
QString languageName();

// For tests: forget the choice (the loaded file stays; see Translation::reset).
void reset();

} // namespace LanguageChoice
