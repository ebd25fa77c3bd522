#include "localization/fileerrortranslation.h"
#include "localization/translation.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstTranslation : public QObject {
    Q_OBJECT

private slots:
    void init() { Translation::reset(); }
    void cleanup() { Translation::reset(); }

    void lookup_data();
    void lookup();
    void lines_data();
    void lines();
    void unreadableFile_data();
    void unreadableFile();
    void fileErrorMessages_data();
    void fileErrorMessages();

private:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("Test.lang.txt"));
        TestFiles::write(path, bytes);
        return path;
    }

    QTemporaryDir dir;
};

void TstTranslation::lookup_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("expected");

    const QByteArray turkish = "{INFO:Translated By}Ayşe, Mehmet\n"
                               "\n"
                               "Free text between entries {Analyze}never\n"
                               "{Analyze}Çözümle\n"
                               "{Analyze}Second entry\n"
                               "{analyze}lower case key\n"
                               "{Clear}\n"
                               "{Save}  Kaydet  \n"
                               "{About %s}%s Hakkında\n"
                               "{Open}Aç {yeni}\n"
                               "{Language...}Dil...\n"
                               "{Words:}Sözcükler:\n"
                               "{Cut\n";

    QTest::newRow("no language loaded") << false << turkish << "Analyze"
                                        << "Analyze";
    QTest::newRow("translated, first entry wins") << true << turkish << "Analyze"
                                                  << "Çözümle";
    QTest::newRow("metadata entry") << true << turkish << "INFO:Translated By"
                                    << "Ayşe, Mehmet";
    QTest::newRow("key differs in case") << true << turkish << "ANALYZE"
                                         << "ANALYZE";
    QTest::newRow("line with the key only") << true << turkish << "Clear"
                                            << "Clear";
    QTest::newRow("spaces kept") << true << turkish << "Save"
                                 << "  Kaydet  ";
    QTest::newRow("placeholder in key and text") << true << turkish << "About %s"
                                                 << "%s Hakkında";
    QTest::newRow("brace inside translation") << true << turkish << "Open"
                                              << "Aç {yeni}";
    QTest::newRow("decoration not part of key") << true << turkish << "Language"
                                                << "Language";
    QTest::newRow("trailing colon part of key") << true << turkish << "Words:"
                                                << "Sözcükler:";
    QTest::newRow("key in the middle of a line") << true << "x{Print}Yazdır\n"_qba
                                                 << "Print"
                                                 << "Print";
    QTest::newRow("line shorter than key") << true << turkish << "Cut"
                                           << "Cut";
    QTest::newRow("no entry") << true << turkish << "Paste"
                              << "Paste";
    QTest::newRow("empty english text") << true << "{}boş\n"_qba
                                        << ""
                                        << "boş";
    QTest::newRow("empty file") << true << QByteArray() << "Analyze"
                                << "Analyze";
}

void TstTranslation::lookup() {
    QFETCH(bool, loaded);
    QFETCH(QByteArray, file);
    QFETCH(QString, english);
    QFETCH(QString, expected);

    if (loaded) QVERIFY(Translation::load(write(file)));
    QCOMPARE(translateText(english), expected);
}

void TstTranslation::lines_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("LF") << "{a}1\n{b}2\n"_qba << QStringList{"{a}1", "{b}2"};
    QTest::newRow("CR LF") << "{a}1\r\n{b}2\r\n"_qba << QStringList{"{a}1", "{b}2"};
    QTest::newRow("CR") << "{a}1\r{b}2"_qba << QStringList{"{a}1", "{b}2"};
    QTest::newRow("mixed, blank lines kept")
        << "{a}1\r\n\n{b}2\r\r{c}3\n\r"_qba << QStringList{"{a}1", "", "{b}2", "", "{c}3", ""};
    QTest::newRow("BOM skipped") << "\xEF\xBB\xBF{a}1\r\n{b}2"_qba << QStringList{"{a}1", "{b}2"};
    QTest::newRow("only the first BOM skipped")
        << "\xEF\xBB\xBF\xEF\xBB\xBF{a}1"_qba << QStringList{QChar(0xFEFF) + QString("{a}1")};
    QTest::newRow("invalid UTF-8 still read as UTF-8")
        << "{a}x\xFFy\n{b}\xC3\xA7"_qba << QStringList{"{a}x\uFFFDy", "{b}ç"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("BOM only") << "\xEF\xBB\xBF"_qba << QStringList{};
}

void TstTranslation::lines() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);

    const QString path = write(file);
    QString error;
    QVERIFY(Translation::load(path, &error));
    QCOMPARE(Translation::languageFilePath(), path);
    QCOMPARE(Translation::languageLines(), expected);
    QVERIFY(error.isEmpty());
}

void TstTranslation::unreadableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "Missing.lang.txt"
                             << "No such file or directory";
    QTest::newRow("directory") << "Folder.lang.txt"
                               << "directory";
}

void TstTranslation::unreadableFile() {
    QFETCH(QString, name);
    QFETCH(QString, reason);

    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("Folder.lang.txt"));
    const QString path = dir.filePath(name);
    QString error;
    QVERIFY(!Translation::load(path, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(Translation::languageFilePath().isEmpty());
    QVERIFY(Translation::languageLines().isEmpty());
    QCOMPARE(translateText("Analyze"), QString("Analyze"));
}

void TstTranslation::fileErrorMessages_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<FileError>("error");
    QTest::addColumn<QString>("shown");   // in the windows
    QTest::addColumn<QString>("english"); // by the command-line tool

    using Action = FileError::Action;
    const FileError missing = FileError::system(Action::Open, u"/d/a.txt"_s, u"No such file"_s);
    // A name with a placeholder of its own.
    const FileError percent = FileError::system(Action::Write, u"/d/100%2.csv"_s, u"Full"_s);
    const FileError tooLarge =
        FileError::own(Action::Open, u"/d/big.txt"_s, FileError::Reason::TooLargeForEditor);
    const FileError engine = FileError::message(u"Password required or invalid password"_s);
    const QString missingEnglish = u"Cannot open file \"/d/a.txt\". No such file"_s;
    const QString tooLargeEnglish =
        u"Cannot open file \"/d/big.txt\". The text is too large for the editor"_s;

    QTest::newRow("no language") << false << missing << missingEnglish << missingEnglish;
    QTest::newRow("no language, own reason")
        << false << tooLarge << tooLargeEnglish << tooLargeEnglish;
    QTest::newRow("reason first in the language")
        << true << missing << u"No such file: cannot open /d/a.txt"_s << missingEnglish;
    QTest::newRow("placeholder in the name") << true << percent << u"/d/100%2.csv: Full"_s
                                             << u"Cannot write file \"/d/100%2.csv\". Full"_s;
    QTest::newRow("own reason translated")
        << true << tooLarge << u"too big: cannot open /d/big.txt"_s << tooLargeEnglish;
    QTest::newRow("a message passes as it is") << true << engine << engine.detail << engine.detail;
}

void TstTranslation::fileErrorMessages() {
    QFETCH(bool, loaded);
    QFETCH(FileError, error);
    QFETCH(QString, shown);
    QFETCH(QString, english);
    if (loaded)
        QVERIFY(Translation::load(write("{Cannot open file \"%1\". %2}%2: cannot open %1\n"
                                        "{Cannot write file \"%1\". %2}%1: %2\n"
                                        "{The text is too large for the editor}too big\n")));
    QCOMPARE(FileErrorTranslation::text(error), shown);
    QCOMPARE(FileErrorText::text(error), english);
}

QTEST_GUILESS_MAIN(TstTranslation)
#include "tst_translation.moc"
