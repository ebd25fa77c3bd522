#include "testpdf.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

// Two phrases repeat, the full stop and the comma close the phrase window,
// and the file ends in an empty line.
const QByteArray Fixture("The cat sat. The cat ran\nNew York, New York\n\n");

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TstAnalyzeCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void writesAllTables();
    void printsOverview();
    void outputWriteErrorFails();
    void failedTableKeepsEarlierSet();
    void hangingPdfAmongGoodFiles();
    void separatorFollowsLocale_data();
    void separatorFollowsLocale();
    void presetWordCharacters();
    void noWordsIsOnlyAWarning();
    void unreadableFileAmongGoodOnes();
    void damagedPdfAmongGoodFiles();
    void help();
    void badOptions_data();
    void badOptions();
    void outOfMemoryEndsOnlyThatFile();
    void sameBaseNameKeepsTablesApart();
    void fileNamesQuoted_data();
    void fileNamesQuoted();
    void phrasesFollowLocaleCase_data();
    void phrasesFollowLocaleCase();
    void nativeDigitLocaleWritesAsciiDigits();
    void concordanceHitsMatchTableCounts_data();
    void concordanceHitsMatchTableCounts();
    void concordancePrintsEachFileInOrder();
    void concordanceEscapesFields();
    void concordanceToCsv();

private:
    // With memoryLimitKb, the tool runs with its address space limited to
    // that many KiB.
    Result run(const QStringList& arguments, int memoryLimitKb = 0);
    QString writeFile(const QString& name, const QByteArray& bytes);
    QByteArray readFile(const QString& path);

    QTemporaryDir dir_;
    QString tool_;
};

void TstAnalyzeCli::initTestCase() {
    tool_ = QStringLiteral(LEXO_BINARY_DIR "/bin/lexometer-analyze");
    QVERIFY2(QFile::exists(tool_), qPrintable(tool_));
    QVERIFY(dir_.isValid());
}

void TstAnalyzeCli::phrasesFollowLocaleCase_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("phraseTable");
    // Turkish "I" is the capital of the dotless i, so "IN" and "in" differ;
    // Danish "aA" is two letters, while "aa", "Aa" and "AA" are one.
    const QByteArray dotless("IN the box. in the box. IN the box.\n");
    const QByteArray doubleA("Aa x. aa x. AA x. aA x.\n");
    QTest::newRow("en_US, I") << "en_US" << dotless << QByteArray("IN the,3\r\nthe box,3\r\n");
    QTest::newRow("tr_TR, I") << "tr_TR" << dotless << QByteArray("IN the;2\r\nthe box;3\r\n");
    QTest::newRow("en_US, aA") << "en_US" << doubleA << QByteArray("Aa x,4\r\n");
    QTest::newRow("da_DK, aA") << "da_DK" << doubleA << QByteArray("Aa x;3\r\n");
    const QByteArray doubleL("Ll x. ll x. LL x. lL x.\n");
    QTest::newRow("es_ES, ll") << "es_ES" << doubleL << QByteArray("Ll x;4\r\n");
    QTest::newRow("es_ES traditional, ll")
        << "es_ES@collation=traditional" << doubleL << QByteArray("Ll x;3\r\n");
}

void TstAnalyzeCli::phrasesFollowLocaleCase() {
    QFETCH(QString, locale);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, phraseTable);
    const QString input = writeFile(QStringLiteral("case.txt"), text);
    const QString out = dir_.filePath(QStringLiteral("case-%1").arg(QTest::currentDataTag()));
    const Result r = run({"--locale", locale, "--quiet", "--out", out, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(out + QStringLiteral("/case_2-Phrase.csv")), Bom + phraseTable);
}

void TstAnalyzeCli::nativeDigitLocaleWritesAsciiDigits() {
    // Egyptian Arabic writes Arabic-Indic digits; every number here keeps
    // ASCII digits with the locale's decimal point.
    const QString input = writeFile(QStringLiteral("digits.txt"), Fixture);
    const QString out = dir_.filePath(QStringLiteral("digits"));
    const Result r = run({"--locale", "ar_EG", "--out", out, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QString point = QLocale(QLocale::Arabic, QLocale::Egypt).decimalPoint();
    const QString lines = QString::fromUtf8(readFile(out + QStringLiteral("/digits_Line.csv")));
    QVERIFY2(lines.contains(QStringLiteral("33") + point + QStringLiteral("33")),
             qPrintable(lines));
    const QString overview =
        QString::fromUtf8(readFile(out + QStringLiteral("/digits_Overview.csv")));
    QVERIFY2(overview.contains(QStringLiteral("10")), qPrintable(overview)); // total words
    for (const QString& text : {lines, overview, r.out})
        for (QChar c : text)
            QVERIFY2(c.unicode() < 0x0660 || c.unicode() > 0x0669, qPrintable(text));
}

void TstAnalyzeCli::concordanceHitsMatchTableCounts_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("row");
    // Each hit as its line number and the item as found, in text order.
    QTest::addColumn<QStringList>("places");
    const QStringList english{"--locale", "en_US"};
    QTest::newRow("word in three letter cases")
        << english << QStringLiteral("The cat. the CAT, THE end\nthe\n") << "the"
        << "Word"
        << "the" << QStringList{"1:The", "1:the", "1:THE", "2:the"};
    // Only ASCII letters are folded: each form is a row of its own.
    const QStringList french{"--locale", "en_US", "--preset", "french"};
    const QString ete = QStringLiteral("\u00C9t\u00E9 \u00E9t\u00E9 \u00C9T\u00C9\n"
                                       "\u00E9t\u00E9, \u00C9t\u00E9\n");
    QTest::newRow("capital \u00C9t\u00E9 under french")
        << french << ete << QStringLiteral("\u00C9t\u00E9") << "Word"
        << QStringLiteral("\u00C9t\u00E9")
        << QStringList{QStringLiteral("1:\u00C9t\u00E9"), QStringLiteral("2:\u00C9t\u00E9")};
    QTest::newRow("small \u00E9t\u00E9 under french")
        << french << ete << QStringLiteral("\u00E9t\u00E9") << "Word"
        << QStringLiteral("\u00E9t\u00E9")
        << QStringList{QStringLiteral("1:\u00E9t\u00E9"), QStringLiteral("2:\u00E9t\u00E9")};
    QTest::newRow("phrase across a line end")
        << english << QStringLiteral("big New\nYork and New York\n") << "new york"
        << "2-Phrase"
        << "New York" << QStringList{QStringLiteral("1:New\u21B5York"), "2:New York"};
    // The comma closes the phrase window: no "box the" runs across it.
    QTest::newRow("phrase after a break")
        << english << QStringLiteral("the box, the box the box the box\n") << "box the"
        << "2-Phrase"
        << "box the" << QStringList{"1:box the", "1:box the"};
    // Words fold ASCII letters only, whatever the locale: "ILIK" is "ilik",
    // while the Turkish forms stay apart.
    QTest::newRow("dotless and dotted i in words under tr_TR")
        << QStringList{"--locale", "tr_TR", "--preset", "turkish"}
        << QStringLiteral("\u0131l\u0131k ILIK \u0130lik ilik\n") << "ILIK"
        << "Word"
        << "ilik" << QStringList{"1:ILIK", "1:ilik"};
    // Phrases are equal under collation: Turkish "I" is not the capital of
    // "i".
    const QString dotless = QStringLiteral("IN the box. in the box. IN the box.\n");
    QTest::newRow("capital I in a phrase under tr_TR")
        << QStringList{"--locale", "tr_TR"} << dotless << "IN the"
        << "2-Phrase"
        << "IN the" << QStringList{"1:IN the", "1:IN the"};
    QTest::newRow("capital I in a phrase under en_US")
        << english << dotless << "in the"
        << "2-Phrase"
        << "IN the" << QStringList{"1:IN the", "1:in the", "1:IN the"};
    // Rules named after the @ hold for the concordance too: traditional
    // Spanish "ll" is one letter, and "lL" is no form of it.
    QTest::newRow("ll under traditional Spanish")
        << QStringList{"--locale", "es_ES@collation=traditional"}
        << QStringLiteral("Ll x. ll x. LL x. lL x.\n") << "ll x"
        << "2-Phrase"
        << "Ll x" << QStringList{"1:Ll x", "1:ll x", "1:LL x"};
}

void TstAnalyzeCli::concordanceHitsMatchTableCounts() {
    // A word or phrase has as many places as its row counts in the table
    // that a run with the same options writes.
    QFETCH(QStringList, options);
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(QString, table);
    QFETCH(QString, row);
    QFETCH(QStringList, places);
    const QString input = writeFile(QStringLiteral("places.txt"), text.toUtf8());
    const QString out = dir_.filePath(QStringLiteral("places-%1").arg(QTest::currentDataTag()));
    Result r = run(options + QStringList{"--quiet", "--separator", "\t", "--out", out, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QByteArray bytes = readFile(out + QStringLiteral("/places_%1.csv").arg(table));
    QVERIFY(bytes.startsWith(Bom));
    const QString csv = QString::fromUtf8(bytes.mid(Bom.size()));
    int counted = 0;
    for (const QString& record : csv.split(QStringLiteral("\r\n"))) {
        const QStringList fields = record.split(u'\t');
        if (fields.size() >= 2 && fields[0] == row) counted = fields[1].toInt();
    }
    QVERIFY2(counted == places.size(), qPrintable(csv));

    r = run(options + QStringList{"--concordance", query, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.err, QString());
    QStringList found;
    QStringList lines = r.out.split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    for (const QString& line : lines) {
        const QStringList fields = line.split(u'\t');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], input);
        found << fields[1] + u':' + fields[3];
    }
    QCOMPARE(found, places);
}

void TstAnalyzeCli::concordancePrintsEachFileInOrder() {
    // Contexts are cut at --context code points, reach back over line ends,
    // and show each break as a mark that counts as one; an unreadable file
    // is reported and the next one is still listed.
    const QString first = writeFile(QStringLiteral("first.txt"), "one cat two\ncat\n");
    const QString missing = dir_.filePath(QStringLiteral("missing.txt"));
    const QString second = writeFile(QStringLiteral("second.txt"), "a CAT\n");
    Result r = run(
        {"--locale", "en_US", "--context", "3", "--concordance", "cat", first, missing, second});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, first + QStringLiteral("\t1\tne \tcat\t tw\n") + first +
                        QStringLiteral("\t2\two\u21B5\tcat\t\n") + second +
                        QStringLiteral("\t1\ta \tCAT\t\n"));
    QCOMPARE(r.err, QStringLiteral("lexometer-analyze: Cannot open file \"%1\". No such file or "
                                   "directory\n")
                        .arg(missing));

    // No hits is no failure.
    r = run({"--locale", "en_US", "--concordance", "dog", first, second});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QString());
}

void TstAnalyzeCli::concordanceEscapesFields() {
    // Backslashes, tabs and line breaks in the file's name and in the text
    // are escaped, so that every hit is one line of five fields.
    const QString folder = dir_.filePath(QStringLiteral("escapes"));
    QDir().mkpath(folder);
    const QString input =
        writeFile(QStringLiteral("escapes/a\tb\\c\nd\re.txt"), "x\\y\tcat\tz\\\nend\n");
    const Result r = run({"--locale", "en_US", "--concordance", "cat", input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, folder + QStringLiteral("/a\\tb\\\\c\\nd\\ne.txt\t1\tx\\\\y\\t\tcat\t"
                                            "\\tz\\\\\u21B5end\n"));
}

void TstAnalyzeCli::concordanceToCsv() {
    // With --out the hits go to NAME_Concordance.csv, named as the tables
    // are (a later file of the same name gets NAME-2), in the project's CSV
    // form with an English header; nothing else is written.
    QDir(dir_.path()).mkpath(QStringLiteral("kwic/a"));
    QDir(dir_.path()).mkpath(QStringLiteral("kwic/b"));
    const QString first =
        writeFile(QStringLiteral("kwic/a/report.txt"), "He said \"the\" one, the end\n");
    const QString second = writeFile(QStringLiteral("kwic/b/report.txt"), "no such word\n");
    const QString out = dir_.filePath(QStringLiteral("kwic/out"));
    const Result r =
        run({"--locale", "en_US", "--concordance", "the", "--out", out, first, second});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString());
    QCOMPARE(readFile(out + QStringLiteral("/report_Concordance.csv")),
             Bom + "Line,Left,Item,Right\r\n"
                   "1,\"He said \"\"\",the,\"\"\" one, the end\"\r\n"
                   "1,\"He said \"\"the\"\" one, \",the, end\r\n");
    QCOMPARE(readFile(out + QStringLiteral("/report-2_Concordance.csv")),
             Bom + "Line,Left,Item,Right\r\n");
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
    QVERIFY2(r.err.contains(QStringLiteral("\"%1\": concordance written as "
                                           "\"report-2_Concordance.csv\"")
                                .arg(second)),
             qPrintable(r.err));
}

Result TstAnalyzeCli::run(const QStringList& arguments, int memoryLimitKb) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    if (memoryLimitKb) {
        // The C locale is built in; a large locale archive would take up
        // address space of its own.
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    }
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_.path());
    if (memoryLimitKb)
        process.start(
            QStringLiteral("/bin/sh"),
            QStringList{"-c", QStringLiteral("ulimit -v %1; exec \"$0\" \"$@\"").arg(memoryLimitKb),
                        tool_} +
                arguments);
    else
        process.start(tool_, arguments);
    Result result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString TstAnalyzeCli::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray TstAnalyzeCli::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TstAnalyzeCli::writesAllTables() {
    const QString input = writeFile(QStringLiteral("sample.txt"), Fixture);
    const QString out = dir_.filePath(QStringLiteral("tables/new"));
    const Result r = run({QStringLiteral("--locale"), QStringLiteral("en_US"),
                          QStringLiteral("--quiet"), QStringLiteral("--out"), out, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QString());

    const QList<std::pair<const char*, QByteArray>> expected = {
        {"sample_Overview.csv",
         "File Size:,48 (bytes)\r\nTotal Characters:,42\r\nUnique Characters:,15\r\n"
         "Total Words:,10\r\nUnique Words:,6\r\nTotal Lines:,3\r\nUnique Lines:,3\r\n"},
        {"sample_Char.csv",
         "Character,Occurrence,%\r\n ,8,19.05\r\n\",\",1,2.38\r\n.,1,2.38\r\nA,4,9.52\r\n"
         "C,2,4.76\r\nE,4,9.52\r\nH,2,4.76\r\nK,2,4.76\r\nN,3,7.14\r\nO,2,4.76\r\n"
         "R,3,7.14\r\nS,1,2.38\r\nT,5,11.90\r\nW,2,4.76\r\nY,2,4.76\r\n"},
        {"sample_Word.csv", "Word,Occurrence,%\r\ncat,2,20.00\r\nnew,2,20.00\r\nran,1,10.00\r\n"
                            "sat,1,10.00\r\nthe,2,20.00\r\nyork,2,20.00\r\n"},
        {"sample_Line.csv", "Line,Occurrence,%\r\n,1,33.33\r\n\"New York, New York\",1,33.33\r\n"
                            "The cat sat. The cat ran,1,33.33\r\n"},
        {"sample_2-Phrase.csv", "New York,2\r\nThe cat,2\r\n"},
        {"sample_3-Phrase.csv", ""},
        {"sample_4-Phrase.csv", ""},
    };
    for (const auto& [name, body] : expected) {
        const QByteArray actual = readFile(QDir(out).filePath(QString::fromLatin1(name)));
        if (actual != Bom + body) qWarning().noquote() << name << "holds" << actual;
        QCOMPARE(actual, Bom + body);
    }
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), expected.size());
}

void TstAnalyzeCli::printsOverview() {
    const QString input = writeFile(QStringLiteral("overview.txt"), Fixture);
    const Result r = run({QStringLiteral("--locale"), QStringLiteral("en_US"), input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("File Size:          48 (bytes)\n"
                                   "Total Characters:   42\n"
                                   "Unique Characters:  15\n"
                                   "Total Words:        10\n"
                                   "Unique Words:       6\n"
                                   "Total Lines:        3\n"
                                   "Unique Lines:       3\n"));
    // Nothing is written without --out.
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("overview_Word.csv"))));
}

void TstAnalyzeCli::outputWriteErrorFails() {
    // As wc does: an overview that cannot be written fails the run.
    const QString input = writeFile(QStringLiteral("full.txt"), Fixture);
    for (const QStringList& arguments : {QStringList{input}, QStringList{"--version"}}) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(tool_, arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 QStringLiteral("lexometer-analyze: write error on standard output: No space "
                                "left on device\n"));
    }
}

void TstAnalyzeCli::failedTableKeepsEarlierSet() {
    const QString out = dir_.filePath(QStringLiteral("set"));
    QVERIFY(QDir().mkpath(out));
    const QString input = writeFile(QStringLiteral("set/report.txt"), Fixture);
    const Result first = run({QStringLiteral("--quiet"), QStringLiteral("--out"), out, input});
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    const QStringList names = QDir(out).entryList({QStringLiteral("report_*.csv")}, QDir::Files);
    QCOMPARE(names.size(), 7);
    QList<QByteArray> before;
    for (const QString& name : names)
        before << readFile(QDir(out).filePath(name));

    // A text whose Word and Line tables outgrow a 20 KB file-size limit,
    // as a full disk would stop them; the small tables still fit.
    QByteArray big;
    for (int i = 0; i < 5000; ++i)
        big += "word" + QByteArray::number(i) + '\n';
    writeFile(QStringLiteral("set/report.txt"), big);
    QProcess process;
    process.start(QStringLiteral("/bin/sh"),
                  {"-c", "trap '' XFSZ; ulimit -f 40; exec \"$0\" \"$@\"", tool_, "--quiet",
                   "--out", out, input});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("lexometer-analyze: Cannot write file \"%1\". ")
                              .arg(QDir(out).filePath(QStringLiteral("report_Word.csv")))),
             qPrintable(err));

    // The earlier set, whole; no temporary file left behind.
    QCOMPARE(QDir(out).entryList({QStringLiteral("report_*.csv")}, QDir::Files), names);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(readFile(QDir(out).filePath(names[i])), before[i]);
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 8); // the tables and the text
}

void TstAnalyzeCli::hangingPdfAmongGoodFiles() {
    // The crafted PDF spins the PDF engine for ever: it is given up after
    // the limit, and the next file is analysed.
    const QString looping = writeFile(QStringLiteral("loop.pdf"), TestPdf::makeLoopingPdf());
    const QString good = writeFile(QStringLiteral("after-loop.txt"), Fixture);
    const Result r = run({QStringLiteral("--pdf-time-limit"), QStringLiteral("1.5"),
                          QStringLiteral("--quiet"), looping, good});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QStringLiteral("lexometer-analyze: \"%1\": Converting the PDF took too long "
                                   "and was abandoned\n")
                        .arg(looping));
}

void TstAnalyzeCli::separatorFollowsLocale_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("lineTable");
    const QByteArray english = "Line,Occurrence,%\r\n,1,33.33\r\n\"New York, New York\",1,33.33\r\n"
                               "The cat sat. The cat ran,1,33.33\r\n";
    QTest::newRow("en_US") << QStringList{"--locale", "en_US"} << english;
    QTest::newRow("de_DE") << QStringList{"--locale", "de_DE"}
                           << QByteArray("Line;Occurrence;%\r\n;1;33,33\r\nNew York, New York;1;"
                                         "33,33\r\nThe cat sat. The cat ran;1;33,33\r\n");
    QTest::newRow("de_DE with comma")
        << QStringList{"--locale", "de_DE", "--separator", ","}
        << QByteArray("Line,Occurrence,%\r\n,1,\"33,33\"\r\n\"New York, New York\",1,\"33,33\"\r\n"
                      "The cat sat. The cat ran,1,\"33,33\"\r\n");
    QTest::newRow("tab") << QStringList{"--locale", "en_US", "--separator", "\t"}
                         << QByteArray(
                                "Line\tOccurrence\t%\r\n\t1\t33.33\r\nNew York, New York\t1\t"
                                "33.33\r\nThe cat sat. The cat ran\t1\t33.33\r\n");
}

void TstAnalyzeCli::separatorFollowsLocale() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, lineTable);
    const QString input = writeFile(QStringLiteral("sep.txt"), Fixture);
    const QString out = dir_.filePath(QStringLiteral("sep-%1").arg(QTest::currentDataTag()));
    const Result r = run(options + QStringList{"--quiet", "--out", out, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(out + QStringLiteral("/sep_Line.csv")), Bom + lineTable);
}

void TstAnalyzeCli::presetWordCharacters() {
    // Only ASCII letters are case-folded: with French letters the two forms
    // stay two words; with the default set the accented letters split words.
    const QString input = writeFile(QStringLiteral("french.txt"),
                                    QStringLiteral("\u00C9t\u00E9 \u00E9t\u00E9\n").toUtf8());
    const QString french = dir_.filePath(QStringLiteral("french"));
    Result r = run({"--locale", "en_US", "--quiet", "--preset", "french", "--out", french, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(french + "/french_Word.csv"),
             Bom + QStringLiteral("Word,Occurrence,%\r\n\u00C9t\u00E9,1,50.00\r\n"
                                  "\u00E9t\u00E9,1,50.00\r\n")
                       .toUtf8());

    const QString english = dir_.filePath(QStringLiteral("english"));
    r = run({"--locale", "en_US", "--quiet", "--out", english, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(english + "/french_Word.csv"), Bom + "Word,Occurrence,%\r\nt,2,100.00\r\n");

    const QString custom = dir_.filePath(QStringLiteral("custom"));
    r = run({"--locale", "en_US", "--quiet", "--word-chars", "t ", "--out", custom, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(custom + "/french_Word.csv"), Bom + "Word,Occurrence,%\r\nt,2,100.00\r\n");
}

void TstAnalyzeCli::noWordsIsOnlyAWarning() {
    const QString input = writeFile(QStringLiteral("digits.txt"), "12 34\n");
    const QString out = dir_.filePath(QStringLiteral("nowords"));
    const Result r = run({"--locale", "en_US", "--word-chars", "xyz", "--out", out, input});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("No words found using the specified characters:")),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("xyz")), qPrintable(r.err));
    QVERIFY2(!r.err.contains(u'\r'), qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("Total Words:        0\n")));
    QCOMPARE(readFile(out + "/digits_Word.csv"), Bom + "Word,Occurrence,%\r\n");
}

void TstAnalyzeCli::unreadableFileAmongGoodOnes() {
    const QString first = writeFile(QStringLiteral("first.txt"), "one two\n");
    const QString missing = dir_.filePath(QStringLiteral("missing.txt"));
    const QString last = writeFile(QStringLiteral("last.txt"), Fixture);
    const QString out = dir_.filePath(QStringLiteral("mixed"));
    const Result r = run({"--locale", "en_US", "--out", out, first, missing, last});
    QCOMPARE(r.exitCode, 1);
    // In English, as the windows' language files never reach the tool.
    QCOMPARE(r.err, QStringLiteral("lexometer-analyze: Cannot open file \"%1\". No such file or "
                                   "directory\n")
                        .arg(missing));

    // The readable files are analysed and written, each under a header line.
    QVERIFY(r.out.contains(QStringLiteral("==> %1 <==\nFile Size:").arg(first)));
    QVERIFY(r.out.contains(QStringLiteral("==> %1 <==\nFile Size:").arg(last)));
    QVERIFY(!r.out.contains(missing));
    QCOMPARE(r.out.count(QStringLiteral("File Size:")), 2);
    QCOMPARE(readFile(out + "/first_Word.csv"),
             Bom + "Word,Occurrence,%\r\none,1,50.00\r\ntwo,1,50.00\r\n");
    QCOMPARE(readFile(out + "/last_2-Phrase.csv"), Bom + "New York,2\r\nThe cat,2\r\n");
    QVERIFY(!QFile::exists(out + "/missing_Word.csv"));
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 14);
}

void TstAnalyzeCli::damagedPdfAmongGoodFiles() {
    const QString pdf = writeFile(QStringLiteral("Book.PDF"), "%PDF-1.4\nnot really\n");
    const QString text = writeFile(QStringLiteral("notes.txt"), "a b\n");
    const QString out = dir_.filePath(QStringLiteral("pdf"));
    const Result r = run({"--locale", "en_US", "--quiet", "--out", out, pdf, text});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(pdf), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("File is not a PDF document or is corrupted")),
             qPrintable(r.err));
    QVERIFY(!QFile::exists(out + "/Book_Word.csv"));
    QVERIFY(QFile::exists(out + "/notes_Word.csv"));
}

void TstAnalyzeCli::help() {
    const Result r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    for (const char* option : {"--word-chars", "--preset", "--out", "--separator", "--quiet",
                               "--concordance", "--context"})
        QVERIFY2(r.out.contains(QLatin1String(option)), option);
    QVERIFY(r.out.contains(QStringLiteral("FILE...")));
}

void TstAnalyzeCli::badOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "x.txt"} << "frobnicate";
    QTest::newRow("unknown preset") << QStringList{"--preset", "klingon", "x.txt"} << "klingon";
    QTest::newRow("both word sets")
        << QStringList{"--preset", "french", "--word-chars", "abc", "x.txt"} << "--preset";
    QTest::newRow("long separator") << QStringList{"--separator", ";;", "x.txt"} << "separator";
    QTest::newRow("quote separator") << QStringList{"--separator", "\"", "x.txt"} << "separator";
    QTest::newRow("missing value") << QStringList{"x.txt", "--out"} << "out";
    QTest::newRow("no file") << QStringList{"--quiet"} << "file";
    QTest::newRow("unknown locale") << QStringList{"--locale", "xx_QQ", "x.txt"} << "xx_QQ";
    QTest::newRow("unknown collation")
        << QStringList{"--locale", "es_ES@collation=klingon", "x.txt"} << "klingon";
    QTest::newRow("PDF time limit of zero")
        << QStringList{"--pdf-time-limit", "0", "x.txt"} << "pdf-time-limit";
    QTest::newRow("concordance of blanks")
        << QStringList{"--concordance", " ", "x.txt"} << "needs a word or a phrase";
    QTest::newRow("concordance of a non-word character")
        << QStringList{"--concordance", "caf\u00E9", "x.txt"}
        << "\"\u00E9\" is not a word character";
    QTest::newRow("concordance of five words")
        << QStringList{"--concordance", "a b c d e", "x.txt"} << "has 5 words";
    QTest::newRow("concordance across a comma")
        << QStringList{"--concordance", "cat, dog", "x.txt"} << "\",\" closes a phrase";
    QTest::newRow("context of zero")
        << QStringList{"--concordance", "cat", "--context", "0", "x.txt"} << "--context";
    QTest::newRow("negative context")
        << QStringList{"--concordance", "cat", "--context", "-3", "x.txt"} << "\"-3\"";
    QTest::newRow("context not a number")
        << QStringList{"--concordance", "cat", "--context", "4x", "x.txt"} << "\"4x\"";
    QTest::newRow("context beyond int")
        << QStringList{"--concordance", "cat", "--context", "99999999999", "x.txt"} << "--context";
    QTest::newRow("context without concordance")
        << QStringList{"--context", "5", "x.txt"} << "--concordance";
}

void TstAnalyzeCli::badOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Result r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(message, Qt::CaseInsensitive), qPrintable(r.err));
    // The message and one line that points at the help, not the help itself.
    QVERIFY2(r.err.endsWith(QStringLiteral(
                 "\nTry 'lexometer-analyze --help' for more information.\n")),
             qPrintable(r.err));
    QCOMPARE(r.err.count(u'\n'), 2);
}

void TstAnalyzeCli::outOfMemoryEndsOnlyThatFile() {
    // About 12 MB of distinct words needs several times that in tables, well
    // beyond the limit; starting the tool takes about 70 MB.
    constexpr int LimitKb = 200 * 1024;
    QByteArray text;
    text.reserve(13 << 20);
    for (quint32 i = 0; i < 1300000; ++i) {
        text += 'w';
        text += QByteArray::number(i * 2654435761u, 16);
        text += i % 12 == 11 ? '\n' : ' ';
    }
    const QString big = writeFile(QStringLiteral("distinct words.txt"), text);
    const QString small = writeFile(QStringLiteral("small.txt"), Fixture);
    const QString out = dir_.filePath(QStringLiteral("memory"));
    const Result r = run({"--locale", "en_US", "--out", out, big, small}, LimitKb);

    // No crash: the shortage is reported, the next file analysed and the
    // status says a file failed.
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err,
             QStringLiteral("lexometer-analyze: not enough memory to analyse \"%1\"\n").arg(big));
    QVERIFY2(
        r.out.contains(QStringLiteral("==> %1 <==\nFile Size:          48 (bytes)\n").arg(small)),
        qPrintable(r.out));
    QCOMPARE(r.out.count(QStringLiteral("File Size:")), 1);
    QCOMPARE(readFile(out + "/small_2-Phrase.csv"), Bom + "New York,2\r\nThe cat,2\r\n");
}

void TstAnalyzeCli::sameBaseNameKeepsTablesApart() {
    // Later files whose tables would take names already written in this run
    // get a number; report-2.txt then comes third.
    QDir(dir_.path()).mkpath(QStringLiteral("same/a"));
    QDir(dir_.path()).mkpath(QStringLiteral("same/b"));
    const QString first = writeFile(QStringLiteral("same/a/report.txt"), "alpha\n");
    const QString second = writeFile(QStringLiteral("same/b/report.txt"), "beta\n");
    const QString third = writeFile(QStringLiteral("same/report-2.txt"), "gamma\n");
    const QString out = dir_.filePath(QStringLiteral("same/out"));
    const Result r = run({"--locale", "en_US", "--quiet", "--out", out, first, second, third});
    QCOMPARE(r.exitCode, 0);

    const QList<std::pair<const char*, QByteArray>> expected = {
        {"report", "alpha"}, {"report-2", "beta"}, {"report-2-2", "gamma"}};
    for (const auto& [stem, word] : expected)
        QCOMPARE(readFile(out + '/' + stem + "_Word.csv"),
                 Bom + "Word,Occurrence,%\r\n" + word + ",1,100.00\r\n");
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 21);
    // Each renamed set is announced on its own line.
    QCOMPARE(r.err.count(u'\n'), 2);
    QVERIFY2(
        r.err.contains(QStringLiteral("\"%1\": tables written as \"report-2_*.csv\"").arg(second)),
        qPrintable(r.err));
    QVERIFY2(
        r.err.contains(QStringLiteral("\"%1\": tables written as \"report-2-2_*.csv\"").arg(third)),
        qPrintable(r.err));
}

void TstAnalyzeCli::fileNamesQuoted_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("line feed") << "two\nlines"
                               << "two\\nlines";
    QTest::newRow("carriage return") << "back\rtrack"
                                     << "back\\rtrack";
    QTest::newRow("tab") << "a\tb"
                         << "a\\tb";
    QTest::newRow("escape") << "esc\x1b[2J"
                            << "esc\\x1b[2J";
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << "a\\u2028b";
    QTest::newRow("quote") << "say \"hi\""
                           << "say \\\"hi\\\"";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
}

void TstAnalyzeCli::fileNamesQuoted() {
    // However a name is made, it stays one line in the messages and headers,
    // so it cannot pass for output of its own.
    QFETCH(QString, name);
    QFETCH(QString, escaped);
    const QString folder = dir_.filePath(QStringLiteral("names"));
    QDir().mkpath(folder);
    const QString file =
        writeFile(QStringLiteral("names/") + name + QStringLiteral(".txt"), "a b\n");
    const QString missing = folder + QStringLiteral("/gone/") + name + QStringLiteral(".txt");
    const Result r = run({"--locale", "en_US", file, missing});
    QCOMPARE(r.exitCode, 1);

    const QString shown = u'"' + folder + u'/' + escaped + QStringLiteral(".txt\"");
    QVERIFY2(r.out.startsWith(QStringLiteral("==> %1 <==\nFile Size:").arg(shown)),
             qPrintable(r.out));
    QCOMPARE(r.out.count(u'\n'), 8);
    const QString shownMissing =
        u'"' + folder + QStringLiteral("/gone/") + escaped + QStringLiteral(".txt\"");
    QVERIFY2(r.err.contains(shownMissing), qPrintable(r.err));
    QCOMPARE(r.err.count(u'\n'), 1);
    QVERIFY(r.err.endsWith(u'\n'));
}

QTEST_GUILESS_MAIN(TstAnalyzeCli)
#include "tst_analyzecli.moc"
