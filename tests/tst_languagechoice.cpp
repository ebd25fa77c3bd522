#include "localization/languagechoice.h"
#include "localization/translation.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString sourceDir = QStringLiteral(LEXO_SOURCE_DIR);

// A language file whose one entry shows which file was loaded.
QByteArray languageFile(const QString& name) {
    return "{Analyze}" + name.toUtf8() + "\n";
}

using TestFiles::utf16;

// Every literal handed to translateText in the program's sources.
QStringList sourceTexts() {
    static const QRegularExpression call(
        uR"re(translateText\(\s*(?:[\w:]+\(\s*)?u?"((?:[^"\\]|\\.)*)")re"_s);
    QStringList keys;
    QDirIterator files(sourceDir + u"/src"_s, {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(file.fileName()));
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto& match : call.globalMatch(text)) {
            QString key = match.captured(1);
            key.replace(u"\\\""_s, u"\""_s).replace(u"\\\\"_s, u"\\"_s);
            if (!keys.contains(key)) keys << key;
        }
    }
    return keys;
}

} // namespace

class TstLanguageChoice : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Translation::reset();
        LanguageChoice::reset();
    }
    void cleanup() {
        Translation::reset();
        LanguageChoice::reset();
    }

    void initLanguage_data();
    void initLanguage();
    void missingFolder();
    void fileList();
    void tableEncoding_data();
    void tableEncoding();
    void unreadableLanguageFile();
    void languageId_data();
    void languageId();
    void languageName_data();
    void languageName();
    void shippedTableCoversCommonLocales_data();
    void shippedTableCoversCommonLocales();
    void shippedFileTranslatesEverySourceText_data();
    void shippedFileTranslatesEverySourceText();

private:
    // A fresh Languages folder holding the given files, each with its own
    // marker translation, and the table when it is not null.
    QString makeFolder(const QStringList& files, const QByteArray& table) {
        folders.emplace_back(std::make_unique<QTemporaryDir>());
        const QString path = folders.back()->filePath(u"Languages"_s);
        if (!QDir().mkpath(path)) qFatal("cannot create %s", qPrintable(path));
        for (const QString& name : files)
            TestFiles::write(path + u'/' + name, languageFile(name));
        if (!table.isNull()) TestFiles::write(path + u"/LanguageCodes.csv"_s, table);
        return path;
    }

    std::vector<std::unique_ptr<QTemporaryDir>> folders;
};

void TstLanguageChoice::initLanguage_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("loaded"); // file name in the folder; empty: English
    QTest::addColumn<QString>("name");

    const QStringList germanFrench{"German.lang.txt", "French.lang.txt"};
    const QByteArray table = "1033,English.lang.txt\r\n"
                             "1031,German.lang.txt\r\n"
                             "1036,French.lang.txt\r\n"
                             "3079,German.lang.txt\r\n";

    // The setting decides whenever it is not blank.
    QTest::newRow("setting names an existing file") << germanFrench << table << "French.lang.txt"
                                                    << "de-DE"
                                                    << "French.lang.txt"
                                                    << "French";
    QTest::newRow("setting names a deleted file: table not consulted")
        << germanFrench << table << "Italian.lang.txt"
        << "de-DE"
        << ""
        << "";
    QTest::newRow("English chosen in the language window")
        << germanFrench << table << "English.lang.txt"
        << "de-DE"
        << ""
        << "";
    QTest::newRow("setting compared with the folder as written")
        << germanFrench << table << "german.lang.txt"
        << "fr-FR"
        << ""
        << "";
    QTest::newRow("setting with blanks around is used unchanged")
        << germanFrench << table << " German.lang.txt"
        << "fr-FR"
        << ""
        << "";
    QTest::newRow("setting names a file without the dot before lang")
        << QStringList{"Germanlang.txt"} << QByteArray() << "Germanlang.txt"
        << "de-DE"
        << "Germanlang.txt"
        << "";

    // A blank setting consults the table with the interface language.
    QTest::newRow("empty setting, row found") << germanFrench << table << ""
                                              << "de-DE"
                                              << "German.lang.txt"
                                              << "German";
    QTest::newRow("setting of blanks only consults the table") << germanFrench << table << " \t "
                                                               << "fr-FR"
                                                               << "French.lang.txt"
                                                               << "French";
    QTest::newRow("region has its own row") << germanFrench << table << ""
                                            << "de-AT"
                                            << "German.lang.txt"
                                            << "German";
    QTest::newRow("region without a row: English") << germanFrench << table << ""
                                                   << "de-CH"
                                                   << ""
                                                   << "";
    QTest::newRow("row names a file not in the folder") << germanFrench << table << ""
                                                        << "en-US"
                                                        << ""
                                                        << "";
    QTest::newRow("no table") << germanFrench << QByteArray() << ""
                              << "de-DE"
                              << ""
                              << "";
    QTest::newRow("row in other letter case: folder's spelling")
        << QStringList{"GerMan.lang.txt"} << "1031, GERMAN.LANG.TXT \r\n"_qba
        << ""
        << "de-DE"
        << "GerMan.lang.txt"
        << "GerMan";
    QTest::newRow("only ASCII letters folded")
        << QStringList{"Français.lang.txt"} << "1036,FRANÇAIS.lang.txt\r\n"_qba
        << ""
        << "fr-FR"
        << ""
        << "";
    QTest::newRow("first equal row wins")
        << germanFrench << "1031,French.lang.txt\n1031,German.lang.txt\n"_qba
        << ""
        << "de-DE"
        << "French.lang.txt"
        << "French";
    QTest::newRow("identifier compared exactly, trimmed")
        << germanFrench << "01031,French.lang.txt\n1031 ,German.lang.txt\n"_qba
        << ""
        << "de-DE"
        << "German.lang.txt"
        << "German";
    QTest::newRow("header and rows without a comma ignored")
        << germanFrench << "LANGID,File\n1031\nFrench.lang.txt\n1031,German.lang.txt"_qba
        << ""
        << "de-DE"
        << "German.lang.txt"
        << "German";
    QTest::newRow("split at the first comma")
        << QStringList{"German,Swiss.lang.txt"} << "2055,German,Swiss.lang.txt\n"_qba
        << ""
        << "de-CH"
        << "German,Swiss.lang.txt"
        << "German,Swiss";
    QTest::newRow("rows end in CR only") << germanFrench << "1036,French.lang.txt\r1031,x\r"_qba
                                         << ""
                                         << "fr-FR"
                                         << "French.lang.txt"
                                         << "French";
    QTest::newRow("script picks the row")
        << QStringList{"SerbianLatin.lang.txt", "SerbianCyrillic.lang.txt"}
        << "10266,SerbianCyrillic.lang.txt\n9242,SerbianLatin.lang.txt\n"_qba
        << ""
        << "sr-Latn-RS"
        << "SerbianLatin.lang.txt"
        << "SerbianLatin";
    QTest::newRow("row naming a folder: English") << QStringList{} << "1031,German.lang.txt\n"_qba
                                                  << ""
                                                  << "de-DE"
                                                  << ""
                                                  << "";
}

void TstLanguageChoice::initLanguage() {
    QFETCH(QStringList, files);
    QFETCH(QByteArray, table);
    QFETCH(QString, setting);
    QFETCH(QString, locale);
    QFETCH(QString, loaded);
    QFETCH(QString, name);

    const QString folder = makeFolder(files, table);
    // A folder named like a language file is never listed nor loaded.
    QVERIFY(QDir(folder).mkdir(u"German.lang.txt"_s) || files.contains(u"German.lang.txt"_s));

    QString error;
    QVERIFY(LanguageChoice::initLanguage(setting, folder, QLocale(locale), &error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(LanguageChoice::languagesFolder(), folder);
    QCOMPARE(LanguageChoice::languageName(), name);
    if (loaded.isEmpty()) {
        QVERIFY(Translation::languageFilePath().isEmpty());
        QCOMPARE(translateText(u"Analyze"_s), u"Analyze"_s);
    } else {
        QCOMPARE(Translation::languageFilePath(), folder + u'/' + loaded);
        QCOMPARE(translateText(u"Analyze"_s), loaded);
    }
}

void TstLanguageChoice::missingFolder() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"Languages"_s);
    QVERIFY(LanguageChoice::initLanguage(u"German.lang.txt"_s, folder + u'/', QLocale(u"de-DE"_s)));
    QCOMPARE(LanguageChoice::languagesFolder(), folder);
    QVERIFY(LanguageChoice::languageFileList().isEmpty());
    QVERIFY(LanguageChoice::languageName().isEmpty());
    QVERIFY(Translation::languageFilePath().isEmpty());
}

void TstLanguageChoice::fileList() {
    const QString folder =
        makeFolder({"Turkish.lang.txt", "german.lang.txt", "Germanlang.txt", ".Hidden.lang.txt",
                    "lang.txt.bak", "notes.txt", "French.LANG.TXT"},
                   QByteArray());
    QVERIFY(QDir(folder).mkdir(u"Folder.lang.txt"_s));

    QVERIFY(LanguageChoice::initLanguage(QString(), folder, QLocale(u"de-DE"_s)));
    // Matched like a Windows wildcard (letter case ignored) and listed in
    // name order, letter case ignored.
    const QStringList expected{".Hidden.lang.txt", "French.LANG.TXT", "german.lang.txt",
                               "Germanlang.txt", "Turkish.lang.txt"};
    QCOMPARE(LanguageChoice::languageFileList(), expected);

    // A second call starts the list afresh; FindLanguageFiles alone appends.
    QVERIFY(LanguageChoice::initLanguage(QString(), folder, QLocale(u"de-DE"_s)));
    QCOMPARE(LanguageChoice::languageFileList(), expected);
    LanguageChoice::findLanguageFiles(folder);
    QCOMPARE(LanguageChoice::languageFileList(), expected + expected);
}

void TstLanguageChoice::tableEncoding_data() {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("locale"); // whose ANSI code page applies
    QTest::addColumn<QString>("found");

    const QString rows = u"1033,English.lang.txt\r\n1036,Français.lang.txt\r\n"_s;
    const QString french = u"Français.lang.txt"_s;
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + rows.toUtf8() << "fr_FR" << french;
    QTest::newRow("UTF-16 LE with BOM")
        << utf16(rows, QStringConverter::Utf16LE) << "fr_FR" << french;
    QTest::newRow("UTF-16 BE with BOM")
        << utf16(rows, QStringConverter::Utf16BE) << "fr_FR" << french;
    QTest::newRow("BOM before the first row's identifier")
        << "\xEF\xBB\xBF" + u"1036,Français.lang.txt"_s.toUtf8() << "fr_FR" << french;
    QTest::newRow("UTF-8 without BOM, whatever the code page")
        << rows.toUtf8() << "ru_RU" << french;
    // Not UTF-8 and no BOM: the ANSI code page of the locale, as in Windows.
    const QByteArray windows1252 = "1033,English.lang.txt\r\n1036,Fran\xE7"
                                   "ais.lang.txt\r\n"_qba;
    QTest::newRow("no BOM, not UTF-8: code page 1252") << windows1252 << "fr_FR" << french;
    QTest::newRow("no BOM, not UTF-8: code page 1251")
        << windows1252 << "ru_RU" << u"Franзais.lang.txt"_s;
}

void TstLanguageChoice::tableEncoding() {
    QFETCH(QByteArray, table);
    QFETCH(QString, locale);
    QFETCH(QString, found);

    const QString folder = makeFolder({"Français.lang.txt"}, table);
    QCOMPARE(LanguageChoice::lookupLanguageCode(folder + u"/LanguageCodes.csv"_s, u"1036"_s,
                                                QLocale(locale)),
             found);

    // At start-up the code page is that of the default locale.
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const bool chosen = LanguageChoice::initLanguage(QString(), folder, QLocale(u"fr-FR"_s));
    QLocale::setDefault(previous);
    QVERIFY(chosen);
    // Only the folder's own spelling names a file that is there.
    QCOMPARE(LanguageChoice::languageName(),
             found == u"Français.lang.txt"_s ? u"Français"_s : QString());
}

void TstLanguageChoice::unreadableLanguageFile() {
    const QString folder = makeFolder({}, "1031,German.lang.txt\n"_qba);
    const QString path = folder + u"/German.lang.txt"_s;
    TestFiles::write(path, languageFile(u"German.lang.txt"_s));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    if (QFile(path).open(QIODevice::ReadOnly)) {
        // Permissions do not stop root; a file that fails on reading does.
        QVERIFY(QFile::remove(path));
        if (!QFile::link(u"/proc/self/mem"_s, path) || Translation::load(path))
            QSKIP("no way to make an unreadable file here");
        Translation::reset();
    }

    QString error;
    QVERIFY(!LanguageChoice::initLanguage(QString(), folder, QLocale(u"de-DE"_s), &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(Translation::languageFilePath().isEmpty());
    QVERIFY(LanguageChoice::languageName().isEmpty());
    QCOMPARE(LanguageChoice::languageFileList(), QStringList{u"German.lang.txt"_s});
}

void TstLanguageChoice::languageId_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("id");

    QTest::newRow("en-US") << "en-US" << 0x0409;
    QTest::newRow("en-GB") << "en-GB" << 0x0809;
    QTest::newRow("de-DE") << "de-DE" << 0x0407;
    QTest::newRow("de-CH") << "de-CH" << 0x0807;
    QTest::newRow("language only: its main region") << "de" << 0x0407;
    QTest::newRow("es-ES, modern sort") << "es-ES" << 0x0C0A;
    QTest::newRow("nb-NO") << "nb-NO" << 0x0414;
    QTest::newRow("pt-BR") << "pt-BR" << 0x0416;
    QTest::newRow("pt-PT") << "pt-PT" << 0x0816;
    QTest::newRow("zh-CN") << "zh-CN" << 0x0804;
    QTest::newRow("zh-TW") << "zh-TW" << 0x0404;
    QTest::newRow("sr-Latn") << "sr-Latn" << 0x241A;
    QTest::newRow("sr-Cyrl-RS") << "sr-Cyrl-RS" << 0x281A;
    QTest::newRow("sr-Latn-ME") << "sr-Latn-ME" << 0x2C1A;
    QTest::newRow("uz-Latn-UZ") << "uz-Latn-UZ" << 0x0443;
    QTest::newRow("uz-Cyrl-UZ") << "uz-Cyrl-UZ" << 0x0843;
    QTest::newRow("C locale: none") << "C" << 0;
}

void TstLanguageChoice::languageId() {
    QFETCH(QString, locale);
    QFETCH(int, id);
    QCOMPARE(LanguageChoice::languageId(QLocale(locale)), id);
}

void TstLanguageChoice::languageName_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("name");

    QTest::newRow("language file") << "German.lang.txt"
                                   << "German";
    QTest::newRow("no dot before lang") << "Germanlang.txt"
                                        << "";
    QTest::newRow("suffix in other letter case") << "German.LANG.txt"
                                                 << "";
    QTest::newRow("first occurrence") << "A.lang.txt.lang.txt"
                                      << "A";
    QTest::newRow("suffix only") << ".lang.txt"
                                 << "";
    QTest::newRow("suffix in the middle") << "German.lang.txt.bak"
                                          << "German";
    QTest::newRow("empty") << ""
                           << "";
}

void TstLanguageChoice::languageName() {
    QFETCH(QString, fileName);
    QFETCH(QString, name);
    QCOMPARE(LanguageChoice::languageName(fileName), name);
}

void TstLanguageChoice::shippedTableCoversCommonLocales_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("shipped"); // the file that ships for it, if one does
    for (const char* tag :
         {"en-US", "en-GB", "de-DE",   "de-AT", "de-CH", "fr-FR", "fr-CA", "es-ES", "es-MX",
          "it-IT", "pt-BR", "pt-PT",   "nl-NL", "sv-SE", "da-DK", "nb-NO", "fi-FI", "pl-PL",
          "cs-CZ", "sk-SK", "hu-HU",   "ro-RO", "tr-TR", "ru-RU", "uk-UA", "bg-BG", "el-GR",
          "he-IL", "ar-SA", "fa-IR",   "ja-JP", "zh-CN", "zh-TW", "ko-KR", "vi-VN", "th-TH",
          "id-ID", "hr-HR", "sr-Latn", "sl-SI", "lt-LT", "lv-LV", "et-EE"}) {
        static const QHash<QString, QString> shipped{{u"de"_s, u"German"_s},
                                                     {u"fr"_s, u"French"_s},
                                                     {u"es"_s, u"Spanish"_s},
                                                     {u"tr"_s, u"Turkish"_s},
                                                     {u"ru"_s, u"Russian"_s},
                                                     {u"he"_s, u"Hebrew"_s},
                                                     {u"zh-CN"_s, u"ChineseSimplified"_s}};
        const QString locale = QString::fromLatin1(tag);
        const QString name = shipped.value(locale.section(u'-', 0, 0), shipped.value(locale));
        QTest::newRow(tag) << locale << (name.isEmpty() ? name : name + u".lang.txt"_s);
    }
}

void TstLanguageChoice::shippedTableCoversCommonLocales() {
    QFETCH(QString, locale);
    QFETCH(QString, shipped);
    const QString folder = sourceDir + u"/Languages"_s;
    const QString id = QString::number(LanguageChoice::languageId(QLocale(locale)));
    const QString file = LanguageChoice::lookupLanguageCode(folder + u"/LanguageCodes.csv"_s, id);
    QVERIFY2(!LanguageChoice::languageName(file).isEmpty(), qPrintable(id + u" -> "_s + file));
    if (shipped.isEmpty()) return;
    // The row names the file that ships, as the folder spells it.
    QCOMPARE(file, shipped);
    QVERIFY(QFileInfo(folder + u'/' + shipped).isFile());
}

void TstLanguageChoice::shippedFileTranslatesEverySourceText_data() {
    QTest::addColumn<QString>("path");
    const QDir folder(sourceDir + u"/Languages"_s);
    // The languages that must ship, then any other file in the folder.
    QStringList names{"German.lang.txt",           "French.lang.txt",  "Spanish.lang.txt",
                      "Turkish.lang.txt",          "Russian.lang.txt", "Hebrew.lang.txt",
                      "ChineseSimplified.lang.txt"};
    for (const QString& name : folder.entryList({u"*.lang.txt"_s}, QDir::Files, QDir::Name))
        if (!names.contains(name)) names << name;
    for (const QString& name : std::as_const(names))
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}
void TstLanguageChoice::shippedFileTranslatesEverySourceText() {
    QFETCH(QString, path);
    static const QStringList keys = sourceTexts();
    QVERIFY2(keys.size() > 40, qPrintable(keys.join(u", ")));

    QVERIFY(Translation::load(path));

    // Every entry well formed: a translation, its placeholders kept, no key
    // twice, and no byte that is not UTF-8.
    QStringList entries;
    for (const QString& line : Translation::languageLines()) {
        QVERIFY2(!line.contains(QChar::ReplacementCharacter), qPrintable(line));
        if (!line.startsWith(u'{')) continue;
        const qsizetype close = line.indexOf(u'}');
        QVERIFY2(close > 1, qPrintable(line));
        const QString key = line.mid(1, close - 1);
        const QString translation = line.mid(close + 1);
        QVERIFY2(!entries.contains(key), qPrintable(u"twice: "_s + key));
        entries << key;
        QVERIFY2(!translation.isEmpty() && translation == translation.trimmed(), qPrintable(line));
        QVERIFY2(key.count(u"%s"_s) == translation.count(u"%s"_s) &&
                     key.count(u'%') == translation.count(u'%'),
                 qPrintable(line));
    }
    QVERIFY(entries.contains(u"INFO:Translated By"_s));

    QStringList missing;
    for (const QString& key : keys)
        if (!entries.contains(key)) missing << key;
    QVERIFY2(missing.isEmpty(), qPrintable(u"untranslated: "_s + missing.join(u" | "_s)));
}

QTEST_GUILESS_MAIN(TstLanguageChoice)
#include "tst_languagechoice.moc"
