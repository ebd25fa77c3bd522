#include "localization/languagechoice.h"

#include "localization/translation.h"
#include "text/linesplitter.h"
#include "text/programfolder.h"
#include "text/textfile.h"
#include "text/textrules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unicode/uloc.h>

namespace {

// Written once at start-up, read-only afterwards.
QString chosenFolder;
QStringList fileList;
QString loadedName;

const QString LanguageFileSuffix = QStringLiteral(".lang.txt");

uint32_t lcidOf(const QString& localeId) {
    return uloc_getLCID(localeId.toLatin1().constData());
}

} // namespace

namespace LanguageChoice {

bool initLanguage(const QString& settingValue, const QString& folder, const QLocale& uiLocale,
                  QString* error) {
    chosenFolder = folder;
    while (chosenFolder.size() > 1 && chosenFolder.endsWith(u'/'))
        chosenFolder.chop(1);
    fileList.clear();
    loadedName.clear();

    if (!QFileInfo(chosenFolder).isDir()) return true;
    findLanguageFiles(chosenFolder);

    QString fileName = settingValue;
    // A setting that names a missing file does not fall back to the table:
    // choosing English stores "English.lang.txt", which normally is missing.
    if (TextRules::trimmed(settingValue).isEmpty()) {
        const QString table = chosenFolder + QStringLiteral("/LanguageCodes.csv");
        if (QFileInfo(table).isFile()) {
            const QString wanted = lookupLanguageCode(table, QString::number(languageId(uiLocale)));
            for (const QString& entry : std::as_const(fileList)) {
                if (TextRules::equalsIgnoringAsciiCase(entry, wanted)) {
                    fileName = entry;
                    break;
                }
            }
        }
    }

    const QString path = chosenFolder + u'/' + fileName;
    if (!QFileInfo(path).isFile()) return true;
    if (!Translation::load(path, error)) return false;
    loadedName = languageName(fileName);
    return true;
}

void findLanguageFiles(const QString& folder) {
    // Sorted like a Windows folder listing, so the language window and the
    // first-match rules see the same order on every file system.
    fileList += QDir(folder).entryList({QStringLiteral("*lang.txt")},
                                       QDir::Files | QDir::Hidden | QDir::System,
                                       QDir::Name | QDir::IgnoreCase);
}

QString lookupLanguageCode(const QString& csvPath, const QString& languageId,
                           const QLocale& locale) {
    TextFile::Text text;
    if (!TextFile::read(csvPath, text, nullptr, locale)) return {};
    for (const QString& row : LineSplitter::lines(text.utf8)) {
        const qsizetype comma = row.indexOf(u',');
        if (comma < 0) continue;
        if (TextRules::trimmed(QStringView(row).first(comma)) == languageId)
            return TextRules::trimmed(QStringView(row).sliced(comma + 1)).toString();
    }
    return {};
}

int languageId(const QLocale& locale) {
    const QString language = QLocale::languageToCode(locale.language());
    const QString script = QLocale::scriptToCode(locale.script());
    const QString territory = QLocale::territoryToCode(locale.territory());

    // ICU answers the bare language's identifier for combinations it does not
    // know (de_Latn_DE), so try the most specific form first and take the
    // first answer that is more than the bare language.
    const uint32_t bare = lcidOf(language);
    QStringList candidates;
    if (!territory.isEmpty()) {
        if (!script.isEmpty()) candidates << language + u'_' + script + u'_' + territory;
        candidates << language + u'_' + territory;
    }
    for (const QString& candidate : std::as_const(candidates)) {
        const uint32_t lcid = lcidOf(candidate);
        if (lcid != 0 && lcid != bare) return int(lcid & 0xFFFF);
    }
    return int(bare & 0xFFFF);
}

QLocale userInterfaceLocale() {
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? QLocale::system() : QLocale(languages.first());
}

QString defaultLanguagesFolder() {
    return ProgramFolder::filePath(QStringLiteral("Languages"));
}

QString languageName(const QString& fileName) {
    const qsizetype at = fileName.indexOf(LanguageFileSuffix);
    return at < 0 ? QString() : fileName.left(at);
}

QString languagesFolder() {
    return chosenFolder;
}

const QStringList& languageFileList() {
    return fileList;
}

QString languageName() {
    return loadedName;
}

void reset() {
    chosenFolder.clear();
    fileList.clear();
    loadedName.clear();
}

} // namespace LanguageChoice
