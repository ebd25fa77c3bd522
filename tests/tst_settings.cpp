#include "envguard.h"
#include "filesizelimit.h"
#include "shell/datafolder.h"
#include "shell/wordlettersfile.h"
#include "testfiles.h"
#include "text/inistore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

using TestFiles::utf16;

bool runningAsRoot() {
    return ::geteuid() == 0;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void folderWritable_data();
    void folderWritable();
    void existingCheckFileMeansNotWritable();
    void readOnlyFolderIsNotWritable();
    void decideKeepsWritableProgramFolder();
    void decideFallsBackToUserFolder_data();
    void decideFallsBackToUserFolder();

    void iniRead_data();
    void iniRead();
    void iniOpenFails_data();
    void iniOpenFails();
    void iniMissingFileIsEmpty();
    void iniOpenOrResetKeepsUnreadableFile_data();
    void iniOpenOrResetKeepsUnreadableFile();
    void iniSaveKeepsForeignEntries();
    void iniWriteMatchesNamesWithoutCase();
    void iniSaveFailureKeepsOldFile();
    void iniSaveIntoMissingFolderReportsFile();

    void wordLettersLoad_data();
    void wordLettersLoad();
    void wordLettersLoadMissing();
    void wordLettersRewrittenAsUtf8_data();
    void wordLettersRewrittenAsUtf8();
    void wordLettersEmptyDeletes();
    void wordLettersStoreFailureIsSilent();
};

void TestSettings::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

// ---- DataFolder ----

void TestSettings::folderWritable_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("writable");

    QTest::newRow("existing folder") << QString() << true;
    QTest::newRow("missing folder") << QStringLiteral("nosuchfolder") << false;
    QTest::newRow("a file, not a folder") << QStringLiteral("plain.txt") << false;
}

void TestSettings::folderWritable() {
    QFETCH(QString, relative);
    QFETCH(bool, writable);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestFiles::write(dir.filePath(QStringLiteral("plain.txt")), "x");
    const QString folder = relative.isEmpty() ? dir.path() : dir.filePath(relative);

    QCOMPARE(DataFolder::isFolderWritable(folder), writable);
    // The probe never stays behind.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("chk.tmp"))));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("plain.txt")});
}

void TestSettings::existingCheckFileMeansNotWritable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString probe = dir.filePath(QStringLiteral("chk.tmp"));
    TestFiles::write(probe, "someone else's");

    QVERIFY(!DataFolder::isFolderWritable(dir.path()));
    QCOMPARE(TestFiles::read(probe), QByteArray("someone else's"));
}

void TestSettings::readOnlyFolderIsNotWritable() {
    if (runningAsRoot()) QSKIP("root may create files in any folder");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = DataFolder::isFolderWritable(dir.path());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!writable);
}

void TestSettings::decideKeepsWritableProgramFolder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    EnvGuard guard("XDG_CONFIG_HOME");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    QCOMPARE(DataFolder::decide(dir.path(), QStringLiteral("Maker"), QStringLiteral("Lexometer")),
             dir.path() + u'/');
    QCOMPARE(
        DataFolder::decide(dir.path() + u'/', QStringLiteral("Maker"), QStringLiteral("Lexometer")),
        dir.path() + u'/');
    // Nothing is created in the per-user folder.
    QVERIFY(QDir(config.path()).isEmpty());
}

void TestSettings::decideFallsBackToUserFolder_data() {
    QTest::addColumn<bool>("viaXdg");
    QTest::addColumn<bool>("companyExists");

    QTest::newRow("XDG_CONFIG_HOME") << true << false;
    QTest::newRow("XDG_CONFIG_HOME, maker folder exists") << true << true;
    QTest::newRow("~/.config") << false << false;
}

void TestSettings::decideFallsBackToUserFolder() {
    QFETCH(bool, viaXdg);
    QFETCH(bool, companyExists);
    QTemporaryDir program;
    QTemporaryDir user;
    QVERIFY(program.isValid() && user.isValid());
    // A leftover probe file makes the program folder count as read-only, also for root.
    TestFiles::write(program.filePath(QStringLiteral("chk.tmp")), "");

    EnvGuard xdg("XDG_CONFIG_HOME");
    EnvGuard home("HOME");
    QString configHome;
    if (viaXdg) {
        configHome = user.path();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    } else {
        configHome = user.filePath(QStringLiteral(".config"));
        QVERIFY(QDir().mkdir(configHome));
        qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(user.path()));
    }
    if (companyExists) QVERIFY(QDir().mkdir(configHome + QStringLiteral("/Maker Ltd")));

    const QString folder = DataFolder::decide(program.path(), QStringLiteral("Maker Ltd"),
                                              QStringLiteral("Lexometer"));
    QCOMPARE(folder, configHome + QStringLiteral("/Maker Ltd/Lexometer/"));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFile::exists(program.filePath(QStringLiteral("chk.tmp"))));
}

// ---- IniStore ----

void TestSettings::iniRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray plain("[Settings]\r\nShowLineNumbers=OFF\r\nWordWrap=on\r\n");
    QTest::newRow("exact names") << plain << "Settings"
                                 << "ShowLineNumbers"
                                 << "OFF";
    QTest::newRow("section name case") << plain << "SETTINGS"
                                       << "ShowLineNumbers"
                                       << "OFF";
    QTest::newRow("key name case") << plain << "Settings"
                                   << "showlinenumbers"
                                   << "OFF";
    QTest::newRow("value case kept") << plain << "Settings"
                                     << "WordWrap"
                                     << "on";
    QTest::newRow("absent key") << plain << "Settings"
                                << "PdfEngine"
                                << "";
    QTest::newRow("absent section") << plain << "Other"
                                    << "WordWrap"
                                    << "";
    QTest::newRow("key of another section")
        << QByteArray("[Other]\r\nPdfEngine=Xpdf\r\n[Settings]\r\nWordWrap=ON\r\n") << "Settings"
        << "PdfEngine"
        << "";
    QTest::newRow("byte-order mark skipped") << Bom + plain << "Settings"
                                             << "ShowLineNumbers"
                                             << "OFF";
    QTest::newRow("LF lines") << QByteArray("[Settings]\nPdfEngine=Xpdf\n") << "Settings"
                              << "PdfEngine"
                              << "Xpdf";
    QTest::newRow("CR lines") << QByteArray("[Settings]\rPdfEngine=Xpdf\rWordWrap=ON") << "Settings"
                              << "PdfEngine"
                              << "Xpdf";
    QTest::newRow("no break after last line")
        << QByteArray("[Settings]\r\nPdfEngine=Xpdf") << "Settings"
        << "PdfEngine"
        << "Xpdf";
    QTest::newRow("blanks around names and value")
        << QByteArray("[ Settings ]\r\n  PdfEngine = Xpdf \r\n") << "Settings"
        << "PdfEngine"
        << "Xpdf";
    QTest::newRow("non-ASCII value")
        << QByteArray("[Settings]\r\nLanguageFile=T\xC3\xBCrk\xC3\xA7\x65.lang.txt\r\n")
        << "Settings"
        << "LanguageFile" << QStringLiteral("Türkçe.lang.txt");
    QTest::newRow("equals sign inside value")
        << QByteArray("[Settings]\r\nLanguageFile=a=b\r\n") << "Settings"
        << "LanguageFile"
        << "a=b";
    QTest::newRow("comment is no entry")
        << QByteArray("[Settings]\r\n;WordWrap=ON\r\n") << "Settings"
        << ";WordWrap"
        << "";
}

void TestSettings::iniRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    TestFiles::write(path, bytes);

    IniStore store;
    FileError error;
    QVERIFY2(store.open(path, &error), qPrintable(FileErrorText::text(error)));
    QCOMPARE(store.read(section, key), expected);
    QCOMPARE(store.read(section, key, QStringLiteral("default")),
             expected.isEmpty() ? QStringLiteral("default") : expected);
}

void TestSettings::iniOpenFails_data() {
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("UTF-16 LE with BOM")
        << utf16(QStringLiteral("[Settings]\r\nWordWrap=ON\r\n"), QStringConverter::Utf16LE);
    QTest::newRow("UTF-16 BE with BOM")
        << utf16(QStringLiteral("[Settings]\r\nWordWrap=ON\r\n"), QStringConverter::Utf16BE);
    QTest::newRow("windows-1252 value")
        << QByteArray("[Settings]\r\nLanguageFile=T\xFCrk\xE7\x65.lang.txt\r\n");
    QTest::newRow("truncated sequence at end") << QByteArray("[Settings]\r\nLanguageFile=\xC3");
}

void TestSettings::iniOpenFails() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    TestFiles::write(path, bytes);

    IniStore store;
    FileError error;
    QVERIFY(!store.open(path, &error));
    QVERIFY2(error.path == path, qPrintable(FileErrorText::text(error)));
    QCOMPARE(error.reason, FileError::Reason::NotUtf8);
}

void TestSettings::iniMissingFileIsEmpty() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    IniStore store;
    QVERIFY(store.open(path));
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("WordWrap")), QString());
    QVERIFY(!QFile::exists(path));

    // A folder in the file's place cannot be read.
    QVERIFY(QDir().mkdir(path));
    FileError error;
    QVERIFY(!store.open(path, &error));
    QVERIFY2(error.path == path, qPrintable(FileErrorText::text(error)));
}

void TestSettings::iniOpenOrResetKeepsUnreadableFile_data() {
    QTest::addColumn<QByteArray>("content");
    const QString text =
        QStringLiteral("; my own notes: caf\u00e9\r\n[Settings]\r\nShowLineNumbers=OFF\r\n");
    QTest::newRow("UTF-16") << utf16(text, QStringConverter::Utf16LE);
    QTest::newRow("Windows-1252") << text.toLatin1();
}

void TestSettings::iniOpenOrResetKeepsUnreadableFile() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QString kept = path + QStringLiteral(".unreadable");
    TestFiles::write(path, content);
    TestFiles::write(kept, "an older copy");

    IniStore store;
    store.openOrReset(path);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(TestFiles::read(kept), content);
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("ShowLineNumbers")), QString());

    // The store stays bound to the path.
    store.write(QStringLiteral("Settings"), QStringLiteral("WordWrap"), QStringLiteral("ON"));
    QVERIFY(store.save());
    QCOMPARE(TestFiles::read(path), Bom + "[Settings]\r\nWordWrap=ON\r\n");
    QCOMPARE(TestFiles::read(kept), content);
}

void TestSettings::iniSaveKeepsForeignEntries() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    TestFiles::write(path,
                     QByteArray("[Window]\nLeft=10\n\n[Settings]\nOldKey=1\nShowLineNumbers=ON\n"
                                "\n; a remark\n[Other]\nX=y\n"));

    IniStore store;
    QVERIFY(store.open(path));
    store.write(QStringLiteral("Settings"), QStringLiteral("ShowLineNumbers"),
                QStringLiteral("OFF"));
    store.write(QStringLiteral("Settings"), QStringLiteral("PdfEngine"), QStringLiteral("Xpdf"));
    store.write(QStringLiteral("Fresh"), QStringLiteral("K"), QStringLiteral("v"));
    FileError error;
    QVERIFY2(store.save(&error), qPrintable(FileErrorText::text(error)));

    QCOMPARE(TestFiles::read(path),
             Bom + "[Window]\r\nLeft=10\r\n\r\n[Settings]\r\nOldKey=1\r\nShowLineNumbers=OFF\r\n"
                   "PdfEngine=Xpdf\r\n\r\n; a remark\r\n[Other]\r\nX=y\r\n[Fresh]\r\nK=v\r\n");

    IniStore again;
    QVERIFY(again.open(path));
    QCOMPARE(again.read(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("10"));
    QCOMPARE(again.read(QStringLiteral("Settings"), QStringLiteral("PdfEngine")),
             QStringLiteral("Xpdf"));
}

void TestSettings::iniWriteMatchesNamesWithoutCase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    TestFiles::write(path, QByteArray("[settings]\r\nwordwrap=OFF\r\n"));

    IniStore store;
    QVERIFY(store.open(path));
    store.write(QStringLiteral("Settings"), QStringLiteral("WordWrap"), QStringLiteral("ON"));
    QCOMPARE(store.read(QStringLiteral("SETTINGS"), QStringLiteral("WORDWRAP")),
             QStringLiteral("ON"));
    QVERIFY(store.save());
    // One entry, under the names the file already had.
    QCOMPARE(TestFiles::read(path), Bom + "[settings]\r\nwordwrap=ON\r\n");
}

void TestSettings::iniSaveFailureKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray old = Bom + "[Settings]\r\nWordWrap=OFF\r\n";
    TestFiles::write(path, old);

    IniStore store;
    QVERIFY(store.open(path));
    store.write(QStringLiteral("Settings"), QStringLiteral("LanguageFile"),
                QString(200, u'x') + QStringLiteral(".lang.txt"));
    FileError error;
    bool saved = true;
    {
        // The disk is full after 16 bytes.
        FileSizeLimit limit(16);
        saved = store.save(&error);
    }
    QVERIFY(!saved);
    QVERIFY2(error.path == path, qPrintable(FileErrorText::text(error)));
    QCOMPARE(error.action, FileError::Action::Write);
    QCOMPARE(TestFiles::read(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("settings.ini")});
}

void TestSettings::iniSaveIntoMissingFolderReportsFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone/settings.ini"));
    IniStore store;
    QVERIFY(store.open(path));
    store.write(QStringLiteral("Settings"), QStringLiteral("WordWrap"), QStringLiteral("ON"));
    FileError error;
    QVERIFY(!store.save(&error));
    QVERIFY2(error.path == path, qPrintable(FileErrorText::text(error)));
    QCOMPARE(error.action, FileError::Action::Create);
    // The change stays in effect for the run.
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("WordWrap")),
             QStringLiteral("ON"));
}

// ---- WordLettersFile ----

void TestSettings::wordLettersLoad_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    const QString french = QStringLiteral("ABC\nÀàÂâŒœŸÿ\n'");
    QTest::newRow("UTF-8 with BOM, CR LF")
        << Bom + QByteArray(
                     "ABC\r\n\xC3\x80\xC3\xA0\xC3\x82\xC3\xA2\xC5\x92\xC5\x93\xC5\xB8\xC3\xBF\r\n'")
        << "en_US" << french;
    QTest::newRow("UTF-8 without BOM, LF") << french.toUtf8() << "en_US" << french;
    QTest::newRow("UTF-8, CR lines and blanks kept")
        << QByteArray("ab\r \r\rc") << "en_US" << QStringLiteral("ab\n \n\nc");
    QTest::newRow("UTF-16 LE with BOM")
        << utf16(QStringLiteral("ABC\r\nÀàÂâŒœŸÿ\r\n'"), QStringConverter::Utf16LE) << "en_US"
        << french;
    QTest::newRow("UTF-16 BE with BOM")
        << utf16(QStringLiteral("ABC\r\nÀàÂâŒœŸÿ\r\n'"), QStringConverter::Utf16BE) << "en_US"
        << french;
    QTest::newRow("windows-1252") << QByteArray("ABC\r\n\xC0\xE0\xC2\xE2\x8C\x9C\x9F\xFF\r\n'")
                                  << "en_US" << french;
    QTest::newRow("windows-1251 under a Russian locale")
        << QByteArray("\xC0\xE0\xC1\xE1\xA8\xB8\r\n0123456789") << "ru_RU"
        << QStringLiteral("АаБбЁё\n0123456789");
    QTest::newRow("UTF-8 BOM with a broken byte") << Bom + QByteArray("a\xFF\x62") << "en_US"
                                                  << QStringLiteral("a\uFFFD"
                                                                    "b");
}

void TestSettings::wordLettersLoad() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wordletters.txt"));
    TestFiles::write(path, bytes);

    QString text;
    const bool loaded = WordLettersFile::load(path, &text);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(loaded);
    QCOMPARE(text, expected);
}

void TestSettings::wordLettersLoadMissing() {
    QTemporaryDir dir;
    QString text = QStringLiteral("unchanged");
    QVERIFY(!WordLettersFile::load(dir.filePath(QStringLiteral("wordletters.txt")), &text));
    QVERIFY(!WordLettersFile::load(dir.path(), &text));
    QCOMPARE(text, QStringLiteral("unchanged"));
}

// What the start-up does: load, then write the word-character box's text back.
void TestSettings::wordLettersRewrittenAsUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");

    const QString russian = QStringLiteral("АаБбЁё\n0123456789");
    QTest::newRow("UTF-16 LE with BOM")
        << utf16(QStringLiteral("АаБбЁё\r\n0123456789"), QStringConverter::Utf16LE);
    QTest::newRow("UTF-8 with LF") << russian.toUtf8();
    QTest::newRow("UTF-8 with BOM and CR LF")
        << Bom + QStringLiteral("АаБбЁё\r\n0123456789").toUtf8();
}

void TestSettings::wordLettersRewrittenAsUtf8() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wordletters.txt"));
    TestFiles::write(path, bytes);

    QString text;
    QVERIFY(WordLettersFile::load(path, &text));
    WordLettersFile::store(path, text);
    QCOMPARE(TestFiles::read(path), Bom + QStringLiteral("АаБбЁё\r\n0123456789").toUtf8());

    QString again;
    QVERIFY(WordLettersFile::load(path, &again));
    QCOMPARE(again, text);
}

void TestSettings::wordLettersEmptyDeletes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wordletters.txt"));
    WordLettersFile::store(path, QStringLiteral("ab\n\n 'c"));
    QCOMPARE(TestFiles::read(path), Bom + "ab\r\n\r\n 'c");

    WordLettersFile::store(path, QString());
    QVERIFY(!QFile::exists(path));
    // Emptying again without a file is fine.
    WordLettersFile::store(path, QString());
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestSettings::wordLettersStoreFailureIsSilent() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wordletters.txt"));
    const QByteArray old = Bom + "abc";
    TestFiles::write(path, old);
    {
        FileSizeLimit limit(8);
        WordLettersFile::store(path, QString(100, u'x'));
    }
    QCOMPARE(TestFiles::read(path), old);

    WordLettersFile::store(dir.filePath(QStringLiteral("gone/wordletters.txt")),
                           QStringLiteral("abc"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("gone"))));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
