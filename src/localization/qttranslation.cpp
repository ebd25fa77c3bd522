#include "localization/qttranslation.h"

#include "localization/languagechoice.h"
#include "localization/translation.h"
#include "text/linesplitter.h"
#include "text/textfile.h"
#include "text/textrules.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <unicode/uloc.h>

namespace {

QTranslator* installed = nullptr;

} // namespace

namespace QtTranslation {

QLocale localeOf(const QString& languagesFolder, const QString& fileName) {
    TextFile::Text text;
    if (!TextFile::read(languagesFolder + QStringLiteral("/LanguageCodes.csv"), text, nullptr))
        return QLocale::c();
    for (const QString& row : LineSplitter::lines(text.utf8)) {
        const qsizetype comma = row.indexOf(u',');
        if (comma < 0) continue;
        if (!TextRules::equalsIgnoringAsciiCase(
                TextRules::trimmed(QStringView(row).sliced(comma + 1)), fileName))
            continue;
        bool ok = false;
        const uint lcid = TextRules::trimmed(QStringView(row).first(comma)).toUInt(&ok);
        if (!ok) return QLocale::c();
        char name[ULOC_FULLNAME_CAPACITY] = {};
        UErrorCode status = U_ZERO_ERROR;
        uloc_getLocaleForLCID(lcid, name, sizeof name, &status);
        if (U_FAILURE(status) || name[0] == '\0') return QLocale::c();
        return QLocale(QString::fromLatin1(name));
    }
    return QLocale::c();
}

bool install(const QString& languagesFolder, const QString& fileName) {
    const QLocale locale = localeOf(languagesFolder, fileName);
    if (locale.language() == QLocale::C) return false;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    installed = translator;
    return QCoreApplication::installTranslator(translator);
}

bool installForLoadedLanguage() {
    const QString path = Translation::languageFilePath();
    if (path.isEmpty()) return false;
    return install(LanguageChoice::languagesFolder(), QFileInfo(path).fileName());
}

Qt::LayoutDirection directionOfLoadedLanguage() {
    const QString path = Translation::languageFilePath();
    if (path.isEmpty()) return Qt::LeftToRight;
    return localeOf(LanguageChoice::languagesFolder(), QFileInfo(path).fileName()).textDirection();
}

void uninstall() {
    if (!installed) return;
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
}

} // namespace QtTranslation
