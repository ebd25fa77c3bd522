#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Which language file is loaded at start-up, and the list of language files
// the language window offers. Filled once by InitLanguage, read-only after.
class LanguageChoice {
public:
    // Chooses the language file from the "LanguageFile" setting or, when that
    // is blank, from the user-interface language through LanguageCodes.csv,
    // and loads it. Everything that does not fit (no folder, no table, no
    // row, no file) silently leaves the program in English. Returns false
    // with error set only when a chosen file exists but cannot be read.
    static bool initLanguage(const QString& settingValue, const QString& languagesFolder,
                             const QLocale& uiLocale, QString* error = nullptr);

    // Appends the folder's "*lang.txt" files (hidden ones too, no folders)
    // to LanguageFileList.
    static void findLanguageFiles(const QString& folder);

    // The file name the table gives for a decimal language identifier, or
    // empty when the table has no such row or cannot be read.
    static QString lookupLanguageCode(const QString& csvPath, const QString& languageId);

    // The Windows language identifier (LANGID) of a locale; 0 when unknown.
    static int languageId(const QLocale& locale);

    // The locale of the user's first user-interface language.
    static QLocale userInterfaceLocale();

    // The Languages folder beside the executable.
    static QString defaultLanguagesFolder();

    // The file name before its first ".lang.txt"; empty without one.
    static QString languageName(const QString& fileName);

    static QString languagesFolder();
    static const QStringList& languageFileList();
    // Name of the loaded language; empty when none is loaded.
    static QString languageName();

    // For tests: forget the choice (the loaded file stays; see Translation::reset).
    static void reset();
};
