#include "localization/qttranslation.h"

#include "localization/languagechoice.h"
#include "localization/translation.h"
#include "text/linesplitter.h"
#include "text/textfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <unicode/uloc.h>

namespace {

// Removes leading and trailing characters with codes up to U+0020.
QStringView trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

// Only A to Z are folded, as when the start-up choice reads the table.
bool equalsIgnoringAsciiCase(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i].unicode()) != lower(b[i].unicode())) return false;
    return true;
}

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
        if (!equalsIgnoringAsciiCase(trimmed(QStringView(row).sliced(comma + 1)), fileName))
            continue;
        bool ok = false;
        const uint lcid = trimmed(QStringView(row).first(comma)).toUInt(&ok);
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

void uninstall() {
    if (!installed) return;
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
}

} // namespace QtTranslation
