#include "analysis/corpus/partialformat.h"
#include "analysis/corpus/partialreader.h"
#include "analysis/engine/listcollator.h"
#include "analysis/report/analysistext.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/numberformat.h"
#include "referenceanalysis.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unicode/uversion.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using Cells = ReferenceAnalysis::Cells;

namespace {

const QStringList Tags = {"Overview", "Char", "Word", "Line", "2-Phrase", "3-Phrase", "4-Phrase"};

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

// The records of a CSV file written by the tool: byte order mark, CR LF,
// fields quoted where they hold the separator or a quote.
Cells parseCsv(const QByteArray& bytes, QChar separator) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    Cells records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            fields << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

// The lines of a UTF-8 file as the tool reads them.
QStringList linesOf(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {};
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (bytes.endsWith('\n')) lines.removeLast();
    return lines;
}

} // namespace

class TstCorpus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listsFiles();
    void corpusIsFilesSummed_data();
    void corpusIsFilesSummed();
    void printsOverviewWithFiles();
    void splitsGiveSameTables_data();
    void splitsGiveSameTables();
    void mergeRefuses_data();
    void mergeRefuses();
    void smallMemoryGivesSameTables();
    void fullTemporaryDiskIsReported();
    void badOptions_data();
    void badOptions();

private:
    Result run(const QStringList& arguments, const QByteArray& input = {},
               const QString& shell = {});
    QString writeFile(const QString& name, const QByteArray& bytes);
    // The seven tables written under `out` for the stem, in Tags order.
    QList<QByteArray> tables(const QString& out, const QString& stem = QStringLiteral("corpus"));
    // Builds the partial a split names, as in "((1 2) [3 4])": a number is
    // one file counted alone, [..] files counted together, (..) a merge.
    QString buildPartial(const QString& split, qsizetype& at, const QStringList& files,
                         const QString& folder, int& made);

    QTemporaryDir dir_;
    QString tool_;
};

void TstCorpus::initTestCase() {
    tool_ = QStringLiteral(LEXO_BINARY_DIR "/bin/lexometer-analyze");
    QVERIFY2(QFile::exists(tool_), qPrintable(tool_));
    QVERIFY(dir_.isValid());
}

Result TstCorpus::run(const QStringList& arguments, const QByteArray& input, const QString& shell) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    env.insert(QStringLiteral("TMPDIR"), dir_.path());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_.path());
    // `shell` runs before the tool, as in "ulimit -f 8".
    if (shell.isEmpty())
        process.start(tool_, arguments);
    else
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{"-c", shell + QStringLiteral("; exec \"$0\" \"$@\""), tool_} +
                          arguments);
    process.write(input);
    process.closeWriteChannel();
    Result result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString TstCorpus::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    TestFiles::write(path, bytes);
    return path;
}

QList<QByteArray> TstCorpus::tables(const QString& out, const QString& stem) {
    QList<QByteArray> all;
    for (const QString& tag : Tags) {
        QFile file(QDir(out).filePath(stem + u'_' + tag + QStringLiteral(".csv")));
        all << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>"));
    }
    return all;
}

void TstCorpus::listsFiles() {
    // Folders expand in place, in byte order of the paths ("a-b" before
    // "a/", capitals first), to .txt and .pdf files in any letter case;
    // a link to a folder is not followed, a link to a file is taken; a
    // named file of any extension counts, and twice when named twice.
    const QString root = dir_.filePath(QStringLiteral("tree"));
    for (const char* name :
         {"tree/b.txt", "tree/A.TXT", "tree/a-b.txt", "tree/a/x.txt", "tree/a/deeper/y.Pdf",
          "tree/a/notes.md", "tree/c.txt.bak", "outside/target.txt", "outside/inner/z.txt"})
        writeFile(QString::fromLatin1(name), "x\n");
    QVERIFY(QFile::link(dir_.filePath(QStringLiteral("outside/target.txt")),
                        dir_.filePath(QStringLiteral("tree/link.txt"))));
    QVERIFY(QFile::link(dir_.filePath(QStringLiteral("outside/inner")),
                        dir_.filePath(QStringLiteral("tree/folderlink"))));
    const QString named = writeFile(QStringLiteral("named.md"), "x\n");
    const QString list = writeFile(QStringLiteral("list.txt"), "from-list.txt\r\n\nnamed.md\n");

    const Result r = run({"--corpus", "--list-files", "tree", "named.md", "tree/b.txt",
                          "--files-from", "list.txt", "--files-from", "-"},
                         "tree/a\n");
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("tree/A.TXT\ntree/a-b.txt\ntree/a/deeper/y.Pdf\n"
                                   "tree/a/x.txt\ntree/b.txt\ntree/link.txt\nnamed.md\n"
                                   "tree/b.txt\nfrom-list.txt\nnamed.md\ntree/a/deeper/y.Pdf\n"
                                   "tree/a/x.txt\n"));
    Q_UNUSED(root);
    Q_UNUSED(named);
    Q_UNUSED(list);
}

void TstCorpus::corpusIsFilesSummed_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("options");
    // A null text is a file that cannot be read.
    QTest::addColumn<QList<QByteArray>>("texts");
    // The order in which the files are named, by index into the texts.
    QTest::addColumn<QList<int>>("order");

    QTest::newRow("a phrase seen once in each of two files")
        << "en_US" << QStringList{}
        << QList<QByteArray>{"alpha beta gamma.\n", "delta. alpha beta\n"} << QList<int>{0, 1};
    QTest::newRow("a case variant first in the second file")
        << "en_US" << QStringList{}
        << QList<QByteArray>{"nothing here.\n", "The End. more\n", "the end. the END.\n"}
        << QList<int>{0, 1, 2};
    QTest::newRow("dotted and dotless i under tr_TR")
        << "tr_TR" << QStringList{"--preset", "turkish"}
        << QList<QByteArray>{"\xC4\xB0stanbul g\xC3\xBCzel. Istanbul g\xC3\xBCzel.\n",
                             "istanbul g\xC3\xBCzel. \xC4\xB1stanbul g\xC3\xBCzel.\n"}
        << QList<int>{0, 1};
    QTest::newRow("an empty file")
        << "en_US" << QStringList{} << QList<QByteArray>{"", "a b. a b\n\n"} << QList<int>{0, 1};
    QTest::newRow("a file given twice")
        << "en_US" << QStringList{} << QList<QByteArray>{"one two three. one two\nx\n"}
        << QList<int>{0, 0};
    // Lines that collate equal are ordered by their UTF-16 code units, in
    // which a character beyond U+FFFF (here an ignorable tag) comes before
    // U+FEFF, though its UTF-8 bytes come after.
    QTest::newRow("equal lines in code-unit order")
        << "en_US" << QStringList{}
        << QList<QByteArray>{"a\xEF\xBB\xBF" "b\n", "a\xF3\xA0\x80\x81" "b\nab\n"}
        << QList<int>{0, 1};
    QTest::newRow("an unreadable file")
        << "en_US" << QStringList{}
        << QList<QByteArray>{"a b c\n", QByteArray(), "a b\n\"quoted, text\"\n"}
        << QList<int>{0, 1, 2};
}

void TstCorpus::corpusIsFilesSummed() {
    QFETCH(QString, locale);
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, texts);
    QFETCH(QList<int>, order);
    const QString folder = QStringLiteral("summed-%1").arg(QTest::currentDataTag());
    QStringList paths;
    for (int i = 0; i < texts.size(); ++i) {
        const QString name = folder + QStringLiteral("/file%1.txt").arg(i);
        paths << (texts[i].isNull() ? dir_.filePath(name) : writeFile(name, texts[i]));
    }
    QStringList named;
    for (int i : order)
        named << paths[i];

    const QLocale qlocale(locale);
    const QChar separator = CsvWriter::localeSeparator(qlocale);
    const QStringList common = QStringList{"--locale", locale, "--quiet"} + options;
    const QString out = dir_.filePath(folder + QStringLiteral("/out"));
    const Result r = run(common + QStringList{"--corpus", "--out", out} + named);
    const bool unreadable =
        std::any_of(order.begin(), order.end(), [&](int i) { return texts[i].isNull(); });
    QCOMPARE(r.exitCode, unreadable ? 1 : 0);
    if (unreadable) QVERIFY2(r.err.contains(QStringLiteral("Cannot open file")), qPrintable(r.err));
    const QList<QByteArray> corpus = tables(out);

    // Each file's own tables, added up.
    struct Sum {
        std::uint64_t count = 0, files = 0;
    };
    QMap<QString, Sum> items[3];
    std::uint64_t fileSize = 0, totals[3] = {}, files = 0;
    const ListCollator collator{qlocale};
    struct Phrase {
        QString form;
        std::uint64_t count = 0, files = 0;
    };
    std::vector<Phrase> phrases[3];
    for (qsizetype n = 0; n < order.size(); ++n) {
        if (texts[order[n]].isNull()) continue;
        ++files;
        const QString single = dir_.filePath(folder + QStringLiteral("/single%1").arg(n));
        const Result one = run(common + QStringList{"--out", single, named[n]});
        QVERIFY2(one.exitCode == 0, qPrintable(one.err));
        const QString stem = QStringLiteral("file%1").arg(order[n]);
        const QList<QByteArray> own = tables(single, stem);
        const Cells overview = parseCsv(own[0], separator);
        fileSize +=
            overview[0][1].section(u' ', 0, 0).remove(qlocale.groupSeparator()).toULongLong();
        for (int t = 0; t < 3; ++t) {
            const Cells rows = parseCsv(own[t + 1], separator);
            // Each half of a surrogate pair is a character of its own, and
            // both are written as U+FFFD; they are told apart by their place.
            int replacements = 0;
            for (qsizetype row = 1; row < rows.size(); ++row) {
                QString key = rows[row][0];
                if (t == 0 && key == QStringLiteral("\uFFFD"))
                    key += QString::number(replacements++);
                Sum& sum = items[t][key];
                sum.count += rows[row][1].toULongLong();
                ++sum.files;
                totals[t] += rows[row][1].toULongLong();
            }
        }
        // Phrases are summed per class before the "more than once" rule,
        // the form taken from the first file that has the class.
        const ReferenceAnalysis::Phrases all =
            ReferenceAnalysis::countAllPhrases(linesOf(texts[order[n]]), collator);
        const Cells* lists[] = {&all.phrases2, &all.phrases3, &all.phrases4};
        for (int k = 0; k < 3; ++k) {
            for (const QStringList& row : *lists[k]) {
                auto same =
                    std::find_if(phrases[k].begin(), phrases[k].end(), [&](const Phrase& p) {
                        return collator.compare(p.form, row[0]) == 0;
                    });
                if (same == phrases[k].end()) same = phrases[k].insert(phrases[k].end(), {row[0]});
                same->count += row[1].toULongLong();
                ++same->files;
            }
        }
    }

    AnalysisOverview overview;
    overview.fileSize = qint64(fileSize);
    overview.totalCharacters = totals[0];
    overview.totalWords = totals[1];
    overview.totalLines = totals[2];
    overview.uniqueCharacters = std::uint64_t(items[0].size());
    overview.uniqueWords = std::uint64_t(items[1].size());
    overview.uniqueLines = std::uint64_t(items[2].size());
    const AnalysisLabels labels;
    Cells expectedOverview;
    for (int row = 0; row < AnalysisText::OverviewRows; ++row)
        expectedOverview << QStringList{
            AnalysisText::overviewLabel(row, labels),
            AnalysisText::overviewValue(overview, row, labels, qlocale)};
    expectedOverview << QStringList{"Files:", NumberFormat::formatCount(qint64(files), qlocale)};
    QCOMPARE(parseCsv(corpus[0], separator), expectedOverview);

    const QString headers[] = {labels.character, labels.word, labels.line};
    for (int t = 0; t < 3; ++t) {
        const QStringList keys = items[t].keys();
        std::vector<std::string> utf8;
        for (const QString& key : keys)
            utf8.push_back(key.toStdString());
        Cells expected{{headers[t], labels.occurrence, "%", "Files"}};
        for (std::uint32_t i :
             collator.sortedOrder(std::uint32_t(utf8.size()),
                                  [&](std::uint32_t i) { return std::string_view(utf8[i]); })) {
            const Sum& sum = items[t][keys[qsizetype(i)]];
            const QString& key = keys[qsizetype(i)];
            expected << QStringList{
                t == 0 ? key.left(1) : key, QString::number(sum.count),
                NumberFormat::formatPercent(double(sum.count) * 100.0 / double(totals[t]), qlocale),
                QString::number(sum.files)};
        }
        const QString difference =
            ReferenceAnalysis::firstDifference(parseCsv(corpus[t + 1], separator), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(Tags[t + 1] + QStringLiteral(": ") + difference));
    }
    for (int k = 0; k < 3; ++k) {
        std::vector<std::string> forms;
        for (const Phrase& p : phrases[k])
            forms.push_back(p.form.toStdString());
        Cells expected;
        for (std::uint32_t i :
             collator.sortedOrder(std::uint32_t(forms.size()),
                                  [&](std::uint32_t i) { return std::string_view(forms[i]); })) {
            const Phrase& p = phrases[k][i];
            if (p.count >= 2)
                expected << QStringList{p.form, QString::number(p.count), QString::number(p.files)};
        }
        const QString difference =
            ReferenceAnalysis::firstDifference(parseCsv(corpus[k + 4], separator), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(Tags[k + 4] + QStringLiteral(": ") + difference));
    }
}

void TstCorpus::printsOverviewWithFiles() {
    const QString first = writeFile(QStringLiteral("print/one.txt"), "One two.\n");
    const QString second = writeFile(QStringLiteral("print/two.txt"), "two THREE\n\n");
    const Result r = run({"--locale", "en_US", "--corpus", first, second});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("File Size:          23 (bytes)\n"
                                   "Total Characters:   17\n"
                                   "Unique Characters:  9\n"
                                   "Total Words:        4\n"
                                   "Unique Words:       3\n"
                                   "Total Lines:        3\n"
                                   "Unique Lines:       3\n"
                                   "Files:              2\n"));
    // Nothing is written without --out.
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("corpus_Word.csv"))));
}

QString TstCorpus::buildPartial(const QString& split, qsizetype& at, const QStringList& files,
                                const QString& folder, int& made) {
    const QString partial = QDir(folder).filePath(QStringLiteral("p%1.part").arg(++made));
    auto skipSpaces = [&] {
        while (at < split.size() && split[at] == u' ')
            ++at;
    };
    skipSpaces();
    QStringList arguments{"--locale", "en_US", "--partial", partial};
    if (split[at] == u'(') {
        // A merge of what the parentheses hold.
        ++at;
        QStringList parts;
        for (skipSpaces(); split[at] != u')'; skipSpaces())
            parts << buildPartial(split, at, files, folder, made);
        ++at;
        arguments << "--merge" << parts;
    } else if (split[at] == u'[') {
        ++at;
        arguments << "--corpus";
        for (skipSpaces(); split[at] != u']'; skipSpaces())
            arguments << files[split[at++].digitValue() - 1];
        ++at;
    } else {
        arguments << "--corpus" << files[split[at++].digitValue() - 1];
    }
    const Result r = run(arguments);
    if (r.exitCode != 0) qWarning().noquote() << r.err;
    return partial;
}

void TstCorpus::splitsGiveSameTables_data() {
    QTest::addColumn<QString>("split");
    QTest::newRow("one partial per file") << "(1 2 3 4 5)";
    QTest::newRow("halves") << "([1 2] [3 4 5])";
    QTest::newRow("left-deep tree") << "((((1 2) 3) 4) 5)";
    QTest::newRow("right-deep tree") << "(1 (2 (3 (4 5))))";
    QTest::newRow("balanced tree") << "(((1 2) (3 4)) 5)";
}

void TstCorpus::splitsGiveSameTables() {
    // Case variants whose first form lies in a later file, phrases seen
    // once per file, a file twice, lines and words shared across files.
    QFETCH(QString, split);
    const QStringList texts = {
        "The cat sat. the cat ran\nNew York, New York\n",
        "THE CAT sat on the mat. a b c d\n\n",
        "",
        "the cat sat on the mat. A B C D\nnew york\n",
        "a b c d e. The Cat Sat On\n\xC3\xA9t\xC3\xA9 \xC3\x89t\xC3\xA9\n",
    };
    const QString folder = dir_.filePath(QStringLiteral("split-%1").arg(QTest::currentDataTag()));
    QStringList files;
    for (qsizetype i = 0; i < texts.size(); ++i)
        files << writeFile(
            QStringLiteral("split-%1/f%2.txt").arg(QTest::currentDataTag()).arg(i + 1),
            texts[i].toUtf8());
    files[2] = files[0]; // the first file again, as the third

    const QString whole = QDir(folder).filePath(QStringLiteral("whole"));
    const Result corpus =
        run(QStringList{"--locale", "en_US", "--quiet", "--corpus", "--out", whole} + files);
    QVERIFY2(corpus.exitCode == 0, qPrintable(corpus.err));

    qsizetype at = 0;
    int made = 0;
    const QString merged = buildPartial(split, at, files, folder, made);
    const QString out = QDir(folder).filePath(QStringLiteral("merged"));
    const Result r = run({"--locale", "en_US", "--quiet", "--merge", "--out", out, merged});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QList<QByteArray> expected = tables(whole), actual = tables(out);
    for (qsizetype t = 0; t < Tags.size(); ++t) {
        if (actual[t] != expected[t])
            qWarning().noquote() << Tags[t] << "holds" << actual[t] << "instead of" << expected[t];
        QCOMPARE(actual[t], expected[t]);
    }
    QVERIFY(!expected[4].isEmpty() && expected[4] != "\xEF\xBB\xBF");
}

void TstCorpus::mergeRefuses_data() {
    QTest::addColumn<QStringList>("options");
    // How the second partial's bytes are changed: "collator" or "format".
    QTest::addColumn<QString>("craft");
    QTest::addColumn<QStringList>("named");

    const std::string root =
        ListCollator(QLocale(QLocale::English, QLocale::UnitedStates)).localeName();
    QTest::newRow("other word characters") << QStringList{"--word-chars", "abc"} << QString()
                                           << QStringList{"word characters", "\"abc\""};
    QTest::newRow("other locale") << QStringList{"--locale", "de_DE"} << QString()
                                  << QStringList{"collation locale", "\"de\"",
                                                 "\"" + QString::fromStdString(root) + "\""};
    QTest::newRow("other collator version")
        << QStringList{} << "collator" << QStringList{"collator version"};
    QTest::newRow("other format version")
        << QStringList{} << "format" << QStringList{"format version 2", "version 1"};
}

void TstCorpus::mergeRefuses() {
    QFETCH(QStringList, options);
    QFETCH(QString, craft);
    QFETCH(QStringList, named);
    const QString input = writeFile(QStringLiteral("refuse/text.txt"), "a b. a b\n");
    const QString first = dir_.filePath(QStringLiteral("refuse/first.part"));
    const QString second =
        dir_.filePath(QStringLiteral("refuse/%1.part").arg(QTest::currentDataTag()));
    Result r = run({"--locale", "en_US", "--corpus", "--partial", first, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    r = run(QStringList{"--locale", "en_US"} + options +
            QStringList{"--corpus", "--partial", second, input});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    if (!craft.isEmpty()) {
        // A partial made elsewhere: the same counts under another header.
        const QByteArray bytes = TestFiles::read(second);
        CorpusHeader header;
        qsizetype headerSize = 0;
        {
            PartialReader reader(second);
            header = reader.header();
            headerSize = qsizetype(reader.headerSize());
        }
        std::uint32_t version = PartialFormat::Version;
        if (craft == u"collator") {
            auto text = [](const std::array<std::uint8_t, 4>& v) {
                char buffer[U_MAX_VERSION_STRING_LENGTH] = {};
                u_versionToString(v.data(), buffer);
                return QStringLiteral("\"%1\"").arg(QString::fromLatin1(buffer));
            };
            named << text(header.settings.collatorVersion);
            header.settings.collatorVersion[3] ^= 1;
            named << text(header.settings.collatorVersion);
        } else {
            version = 2;
        }
        TestFiles::write(second,
                         PartialFormat::encodeHeader(header, version) + bytes.mid(headerSize));
    }

    r = run({"--merge", "--out", dir_.filePath(QStringLiteral("refuse/out")), first, second});
    QCOMPARE(r.exitCode, 1);
    for (const QString& part : named)
        QVERIFY2(r.err.contains(part), qPrintable(r.err + " lacks " + part));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("refuse/out/corpus_Word.csv"))));
}

void TstCorpus::smallMemoryGivesSameTables() {
    // Forty files, each of which outgrows a budget of one megabyte: every
    // file is written as a run, and with few file descriptors the runs are
    // merged on the way, a few at a time.
    QStringList files;
    for (int i = 0; i < 40; ++i) {
        QByteArray text;
        for (int j = 0; j < 30; ++j)
            text += "word" + QByteArray::number((i * 7 + j) % 53) + " Word" +
                    QByteArray::number(j % 5) + (j % 3 ? ". " : " ") + "\n";
        files << writeFile(QStringLiteral("memory/f%1.txt").arg(i, 2, 10, QLatin1Char('0')), text);
    }
    const QString plain = dir_.filePath(QStringLiteral("memory/plain"));
    const QString small = dir_.filePath(QStringLiteral("memory/small"));
    Result r = run(QStringList{"--quiet", "--corpus", "--out", plain} + files);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    r = run(QStringList{"--quiet", "--corpus", "--memory", "1", "--out", small} + files, {},
            QStringLiteral("ulimit -n 40"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(tables(small), tables(plain));
    // No run is left behind in the temporary folder.
    QCOMPARE(QDir(dir_.path()).entryList({"lexometer-corpus-*"}, QDir::Dirs), QStringList());
}

void TstCorpus::fullTemporaryDiskIsReported() {
    // A file-size limit stands for a full disk: runs cannot be written, and
    // the message says where they were going and what they need.
    QStringList files;
    for (int i = 0; i < 4; ++i) {
        QByteArray text;
        for (int j = 0; j < 400; ++j)
            text += "line " + QByteArray::number(i * 1000 + j) + "\n";
        files << writeFile(QStringLiteral("full/f%1.txt").arg(i), text);
    }
    const QString limit = QStringLiteral("trap '' XFSZ; ulimit -f 4");
    Result r = run(QStringList{"--corpus", "--memory", "1"} + files, {}, limit);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Cannot write file")) &&
                 r.err.contains(
                     QStringLiteral("temporary folder \"%1/lexometer-corpus-").arg(dir_.path())) &&
                 r.err.contains(QStringLiteral("TMPDIR")),
             qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(QDir(dir_.path()).entryList({"lexometer-corpus-*"}, QDir::Dirs), QStringList());
    // Within the default budget nothing is written, and the same limit is
    // no hindrance.
    r = run(QStringList{"--corpus"} + files, {}, limit);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("Files:              4\n")));
}

void TstCorpus::badOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("list without corpus")
        << QStringList{"--list-files", "x.txt"} << "--list-files goes with --corpus.";
    QTest::newRow("memory without corpus")
        << QStringList{"--memory", "5", "x.txt"} << "--memory goes with --corpus.";
    QTest::newRow("corpus and merge") << QStringList{"--corpus", "--merge", "x.part"}
                                      << "--corpus and --merge exclude each other.";
    QTest::newRow("partial alone")
        << QStringList{"--partial", "p", "x.txt"} << "--partial goes with --corpus or --merge.";
    QTest::newRow("partial and out")
        << QStringList{"--corpus", "--partial", "p", "--out", "d", "x.txt"}
        << "--partial and --out exclude each other.";
    QTest::newRow("no memory") << QStringList{"--corpus", "--memory", "0", "x.txt"}
                               << "--memory needs a whole number of megabytes above 0.";
    QTest::newRow("no partial") << QStringList{"--merge"} << "No partial result given.";
    QTest::newRow("no file") << QStringList{"--corpus"} << "No file given.";
    QTest::newRow("concordance") << QStringList{"--concordance", "cat", "--corpus", "x.txt"}
                                 << "--concordance and --corpus exclude each other.";
    QTest::newRow("concordance and merge")
        << QStringList{"--concordance", "cat", "--merge", "x.part"}
        << "--concordance and --merge exclude each other.";
}

void TstCorpus::badOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Result r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err.section(u'\n', 0, 0), QStringLiteral("lexometer-analyze: ") + message);
}

QTEST_GUILESS_MAIN(TstCorpus)
#include "tst_corpus.moc"
