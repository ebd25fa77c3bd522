#include "analysis/engine/analysisrun.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/textlines.h"
#include "analysis/report/analysistext.h"
#include "analysis/report/tabletext.h"
#include "localization/translation.h"
#include "referenceanalysis.h"
#include "text/sidethread.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>

using Cells = ReferenceAnalysis::Cells;
using Results = ReferenceAnalysis::Results;

namespace {

const QString English =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");
const QString French = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                      "ÀàÂâÆæÇçÉéÈèÊêËëÎîÏïÔôŒœÙùÛûÜüŸÿ0123456789'");
const QString Russian =
    QStringLiteral("АаБбВвГгДдЕеЁёЖжЗзИиЙйКкЛлМмНнОоПпРрСсТтУуФфХхЦцЧчШшЩщъыьЭэЮюЯя0123456789");
const QString ElapsedPattern = QStringLiteral("Elapsed Time: %s sec");
const QString NoWordsText = QStringLiteral("No words found using the specified characters:");

// A table the case does not look at.
const Cells Skip = {{QStringLiteral("<skip>")}};

QLocale usEnglish() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}
QLocale german() {
    return QLocale(QLocale::German, QLocale::Germany);
}

TextLines makeLines(const QStringList& lines, bool trailingBreak) {
    TextLines result;
    result.append(lines);
    result.setTrailingBreak(trailingBreak);
    return result;
}

QStringList column(const Cells& cells, int c) {
    QStringList values;
    for (const QStringList& row : cells)
        values << row.value(c);
    return values;
}

Cells withHeader(const char* item, const Cells& rows) {
    Cells all{{QString::fromLatin1(item), QStringLiteral("Occurrence"), QStringLiteral("%")}};
    return all + rows;
}

void compareCells(const Cells& actual, const Cells& expected, const QString& what) {
    if (expected == Skip) return;
    const QString difference = ReferenceAnalysis::firstDifference(actual, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(what + QStringLiteral(": ") + difference));
}

// The run's progress as a window words it, in English unless told.
void onStatus(AnalysisRun& run, std::function<bool(const QString&)> handler,
              const AnalysisLabels& labels = AnalysisLabels(),
              const QLocale& locale = usEnglish()) {
    run.setProgressHandler(
        [handler = std::move(handler), labels, locale](const AnalysisProgress& p) {
            return handler(AnalysisText::status(p, labels, locale));
        });
}

// Events of one engine run in the order they happened: statuses as shown,
// the no-words warning as "warning: " and its text.
struct RecordedRun {
    QStringList events;
    bool finished = false;
};

RecordedRun record(const TextLines& lines, const QString& wordCharacters, const QLocale& locale,
                   const AnalysisLabels& labels = AnalysisLabels()) {
    RecordedRun recorded;
    AnalysisRun run(lines, wordCharacters, locale);
    onStatus(
        run,
        [&](const QString& status) {
            recorded.events << status;
            return true;
        },
        labels, locale);
    run.setNoWordsHandler([&] {
        recorded.events << QStringLiteral("warning: ") +
                               AnalysisText::noWordsMessage(labels, wordCharacters);
    });
    recorded.finished = run.run();
    return recorded;
}

} // namespace

class TestAnalysisRun : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void edgeCases_data();
    void edgeCases();
    void localeCells_data();
    void localeCells();
    void oneLineStatuses();
    void emptyLines();
    void noWordsWarning_data();
    void noWordsWarning();
    void wordCharactersCopiedAtStart();
    void cancel_data();
    void cancel();
    void translatedTexts();
    void idleHandler_data();
    void idleHandler();
    void sideThreadErrors();
    void sortErrorReachesCaller();
    void longListsSortInHalves();
    void limits_data();
    void limits();
};

void TestAnalysisRun::init() {
    Translation::reset();
    QLocale::setDefault(usEnglish());
}

void TestAnalysisRun::cleanup() {
    Translation::reset();
    QLocale::setDefault(usEnglish());
}

void TestAnalysisRun::edgeCases_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("trailingBreak");
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<QStringList>("overview");
    QTest::addColumn<Cells>("characters");
    QTest::addColumn<Cells>("words");
    QTest::addColumn<Cells>("lineRows");

    QTest::newRow("characters upper-cased, words lower-cased")
        << QStringList{"aA a"} << false << English
        << QStringList{"4 (bytes)", "4", "2", "2", "2", "1", "1"}
        << Cells{{" ", "1", "25.00"}, {"A", "3", "75.00"}}
        << Cells{{"a", "1", "50.00"}, {"aa", "1", "50.00"}} << Cells{{"aA a", "1", "100.00"}};
    QTest::newRow("one word in three cases")
        << QStringList{"The the THE"} << false << English
        << QStringList{"11 (bytes)", "11", "4", "3", "1", "1", "1"}
        << Cells{{" ", "2", "18.18"}, {"E", "3", "27.27"}, {"H", "3", "27.27"}, {"T", "3", "27.27"}}
        << Cells{{"the", "3", "100.00"}} << Cells{{"The the THE", "1", "100.00"}};
    // Only ASCII letters are folded; collation-equal items fall back to
    // code-unit order.
    QTest::newRow("accented capitals are not folded")
        << QStringList{"Été été"} << false << French
        << QStringList{"7 (bytes)", "7", "4", "2", "2", "1", "1"}
        << Cells{{" ", "1", "14.29"}, {"É", "1", "14.29"}, {"é", "3", "42.86"}, {"T", "2", "28.57"}}
        << Cells{{"Été", "1", "50.00"}, {"été", "1", "50.00"}} << Skip;
    QTest::newRow("ASCII folding can merge mixed words")
        << QStringList{"ÉCOLE École"} << false << French
        << QStringList{"11 (bytes)", "11", "6", "2", "1", "1", "1"}
        << Cells{{" ", "1", "9.09"},  {"C", "2", "18.18"}, {"E", "2", "18.18"},
                 {"É", "2", "18.18"}, {"L", "2", "18.18"}, {"O", "2", "18.18"}}
        << Cells{{"École", "2", "100.00"}} << Skip;
    QTest::newRow("Cyrillic case is kept")
        << QStringList{"Кот кот"} << false << Russian
        << QStringList{"7 (bytes)", "7", "5", "2", "2", "1", "1"} << Skip
        << Cells{{"Кот", "1", "50.00"}, {"кот", "1", "50.00"}} << Skip;
    QTest::newRow("space inside word characters")
        << QStringList{"big cat, big cat"} << false << English + " "
        << QStringList{"16 (bytes)", "16", "8", "2", "1", "1", "1"}
        << Cells{{" ", "3", "18.75"}, {",", "1", "6.25"},  {"A", "2", "12.50"}, {"B", "2", "12.50"},
                 {"C", "2", "12.50"}, {"G", "2", "12.50"}, {"I", "2", "12.50"}, {"T", "2", "12.50"}}
        << Cells{{"big cat", "2", "100.00"}} << Skip;
    QTest::newRow("tab separates words")
        << QStringList{"a\tb"} << false << English
        << QStringList{"3 (bytes)", "3", "3", "2", "2", "1", "1"}
        << Cells{{"\t", "1", "33.33"}, {"A", "1", "33.33"}, {"B", "1", "33.33"}}
        << Cells{{"a", "1", "50.00"}, {"b", "1", "50.00"}} << Cells{{"a\tb", "1", "100.00"}};
    QTest::newRow("tab as word character is trimmed at the ends")
        << QStringList{"\ta\tb\t"} << false << English + "\t"
        << QStringList{"5 (bytes)", "5", "3", "1", "1", "1", "1"}
        << Cells{{"\t", "3", "60.00"}, {"A", "1", "20.00"}, {"B", "1", "20.00"}}
        << Cells{{"a\tb", "1", "100.00"}} << Skip;
    const QString soh(QChar(0x01));
    QTest::newRow("control characters are trimmed, no-break spaces are not")
        << QStringList{soh + "ab" + soh + "cd" + soh + " \u00A0ef\u00A0"} << false
        << English + soh + "\u00A0" << QStringList{"12 (bytes)", "12", "9", "2", "2", "1", "1"}
        << Skip << Cells{{"\u00A0ef\u00A0", "1", "50.00"}, {"ab" + soh + "cd", "1", "50.00"}}
        << Skip;
    QTest::newRow("apostrophe joins, hyphen splits")
        << QStringList{"don't-stop now"} << false << English
        << QStringList{"14 (bytes)", "14", "10", "3", "3", "1", "1"} << Skip
        << Cells{{"don't", "1", "33.33"}, {"now", "1", "33.33"}, {"stop", "1", "33.33"}} << Skip;
    QTest::newRow("words end at the line end")
        << QStringList{"ab", "cd", "ab"} << false << English
        << QStringList{"10 (bytes)", "6", "4", "3", "2", "3", "2"} << Skip
        << Cells{{"ab", "2", "66.67"}, {"cd", "1", "33.33"}}
        << Cells{{"ab", "2", "66.67"}, {"cd", "1", "33.33"}};
    QTest::newRow("empty line is a line")
        << QStringList{"x", "", "x"} << false << English
        << QStringList{"6 (bytes)", "2", "1", "2", "1", "3", "2"} << Cells{{"X", "2", "100.00"}}
        << Cells{{"x", "2", "100.00"}} << Cells{{"", "1", "33.33"}, {"x", "2", "66.67"}};
    QTest::newRow("lines differing in case")
        << QStringList{"Abc", "abc", "Abc"} << false << English
        << QStringList{"13 (bytes)", "9", "3", "3", "1", "3", "2"}
        << Cells{{"A", "3", "33.33"}, {"B", "3", "33.33"}, {"C", "3", "33.33"}}
        << Cells{{"abc", "3", "100.00"}} << Cells{{"Abc", "2", "66.67"}, {"abc", "1", "33.33"}};
    QTest::newRow("editor text ending in a break")
        << QStringList{"a", "b", ""} << false << English
        << QStringList{"6 (bytes)", "2", "2", "2", "2", "2", "2"}
        << Cells{{"A", "1", "50.00"}, {"B", "1", "50.00"}}
        << Cells{{"a", "1", "50.00"}, {"b", "1", "50.00"}}
        << Cells{{"a", "1", "50.00"}, {"b", "1", "50.00"}};
    QTest::newRow("file text ending in an empty line")
        << QStringList{"a", "b", ""} << true << English
        << QStringList{"8 (bytes)", "2", "2", "2", "2", "3", "3"} << Skip << Skip
        << Cells{{"", "1", "33.33"}, {"a", "1", "33.33"}, {"b", "1", "33.33"}};
    QTest::newRow("editor text without final break")
        << QStringList{"a", "b"} << false << English
        << QStringList{"4 (bytes)", "2", "2", "2", "2", "2", "2"} << Skip << Skip << Skip;
    QTest::newRow("file text, a break after each line")
        << QStringList{"a", "b"} << true << English
        << QStringList{"6 (bytes)", "2", "2", "2", "2", "2", "2"} << Skip << Skip
        << Cells{{"a", "1", "50.00"}, {"b", "1", "50.00"}};
    QTest::newRow("editor text of one empty line")
        << QStringList{""} << false << English
        << QStringList{"0 (bytes)", "0", "0", "0", "0", "0", "0"} << Cells{} << Cells{} << Cells{};
    QTest::newRow("file text of one empty line")
        << QStringList{""} << true << English
        << QStringList{"2 (bytes)", "0", "0", "0", "0", "1", "1"} << Cells{} << Cells{}
        << Cells{{"", "1", "100.00"}};
    QTest::newRow("surrogate pairs count as two characters")
        << QStringList{"x😀😀"} << false << QStringLiteral("x😀")
        << QStringList{"5 (bytes)", "5", "3", "1", "1", "1", "1"}
        << Cells{{"X", "1", "20.00"},
                 {QString(QChar(0xD83D)), "2", "40.00"},
                 {QString(QChar(0xDE00)), "2", "40.00"}}
        << Cells{{"x😀😀", "1", "100.00"}} << Skip;
    // A lone surrogate collates below U+FFFD in UTF-16, whatever follows it.
    QTest::newRow("lone surrogate and replacement character")
        << QStringList{QStringLiteral("\uFFFD") + "a", QString(QChar(0xD800)) + "b"} << false
        << English << QStringList{"6 (bytes)", "4", "4", "2", "2", "2", "2"}
        << Cells{{"A", "1", "25.00"},
                 {"B", "1", "25.00"},
                 {QString(QChar(0xD800)), "1", "25.00"},
                 {"\uFFFD", "1", "25.00"}}
        << Cells{{"a", "1", "50.00"}, {"b", "1", "50.00"}}
        << Cells{{QString(QChar(0xD800)) + "b", "1", "50.00"},
                 {QStringLiteral("\uFFFD") + "a", "1", "50.00"}};
    // Both lines collate as "a"; U+E0001 is DB40 DC01 in UTF-16 and so comes
    // before U+FE00, the reverse of their UTF-8 order.
    QTest::newRow("collation-equal lines in UTF-16 order")
        << QStringList{QStringLiteral("a\uFE00"), QStringLiteral("a\U000E0001")} << false << English
        << QStringList{"7 (bytes)", "5", "4", "2", "1", "2", "2"} << Skip
        << Cells{{"a", "2", "100.00"}}
        << Cells{{QStringLiteral("a\U000E0001"), "1", "50.00"},
                 {QStringLiteral("a\uFE00"), "1", "50.00"}};
    QTest::newRow("halves round away from zero")
        << QStringList{"a" + QString(31, 'b')} << false << English
        << QStringList{"32 (bytes)", "32", "2", "1", "1", "1", "1"}
        << Cells{{"A", "1", "3.13"}, {"B", "31", "96.88"}}
        << Cells{{"a" + QString(31, 'b'), "1", "100.00"}} << Skip;
    QTest::newRow("counts past nine") << QStringList{"a a a a a a a a a a a a"} << false << English
                                      << QStringList{"23 (bytes)", "23", "2", "12", "1", "1", "1"}
                                      << Cells{{" ", "11", "47.83"}, {"A", "12", "52.17"}}
                                      << Cells{{"a", "12", "100.00"}} << Skip;
}

void TestAnalysisRun::edgeCases() {
    QFETCH(QStringList, lines);
    QFETCH(bool, trailingBreak);
    QFETCH(QString, wordCharacters);
    QFETCH(QStringList, overview);
    QFETCH(Cells, characters);
    QFETCH(Cells, words);
    QFETCH(Cells, lineRows);

    const QLocale locale = usEnglish();
    const Results engine =
        ReferenceAnalysis::runEngine(makeLines(lines, trailingBreak), wordCharacters, locale);
    const Results reference =
        ReferenceAnalysis::analyze(lines, trailingBreak, wordCharacters, locale);

    for (const auto& [who, r] : {std::pair{QStringLiteral("engine"), &engine},
                                 std::pair{QStringLiteral("reference"), &reference}}) {
        QCOMPARE(column(r->overview, 1), overview);
        compareCells(r->characters.mid(1), characters, who + " characters");
        compareCells(r->words.mid(1), words, who + " words");
        compareCells(r->lines.mid(1), lineRows, who + " lines");
        if (QTest::currentTestFailed()) return;
        QCOMPARE(r->noWords, overview[3] == "0");
    }
}

void TestAnalysisRun::localeCells_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<Cells>("overview");
    QTest::addColumn<QStringList>("percentages");
    QTest::addColumn<QString>("seconds");

    // Percentages of the character, word and line rows in table order.
    QTest::newRow("en_US") << usEnglish()
                           << Cells{{"File Size:", "1,031 (bytes)"}, {"Total Characters:", "1,027"},
                                    {"Unique Characters:", "12"},    {"Total Words:", "6"},
                                    {"Unique Words:", "4"},          {"Total Lines:", "3"},
                                    {"Unique Lines:", "3"}}
                           << QStringList{"0.29",  "0.10",  "0.19",  "0.10",  "0.19",
                                          "0.29",  "0.29",  "0.19",  "0.49",  "0.29",
                                          "97.37", "0.19",  "16.67", "33.33", "16.67",
                                          "33.33", "33.33", "33.33", "33.33"}
                           << QStringLiteral("^\\d+\\.\\d{3}$");
    QTest::newRow("de_DE") << german()
                           << Cells{{"File Size:", "1.031 (bytes)"}, {"Total Characters:", "1.027"},
                                    {"Unique Characters:", "12"},    {"Total Words:", "6"},
                                    {"Unique Words:", "4"},          {"Total Lines:", "3"},
                                    {"Unique Lines:", "3"}}
                           << QStringList{"0,29",  "0,10",  "0,19",  "0,10",  "0,19",
                                          "0,29",  "0,29",  "0,19",  "0,49",  "0,29",
                                          "97,37", "0,19",  "16,67", "33,33", "16,67",
                                          "33,33", "33,33", "33,33", "33,33"}
                           << QStringLiteral("^\\d+,\\d{3}$");
}

void TestAnalysisRun::localeCells() {
    QFETCH(QLocale, locale);
    QFETCH(Cells, overview);
    QFETCH(QStringList, percentages);
    QFETCH(QString, seconds);
    QLocale::setDefault(locale);

    const QString xs(1000, 'x');
    const QStringList lines{"Äpfel äpfel Zahl", "äpfel zahl.", xs};
    const QString wordCharacters = English + "ÄäÖöÜüß";
    const Cells characters = withHeader("Character", {{" ", "3"},
                                                      {".", "1"},
                                                      {"A", "2"},
                                                      {"Ä", "1"},
                                                      {"ä", "2"},
                                                      {"E", "3"},
                                                      {"F", "3"},
                                                      {"H", "2"},
                                                      {"L", "5"},
                                                      {"P", "3"},
                                                      {"X", "1000"},
                                                      {"Z", "2"}});
    const Cells words =
        withHeader("Word", {{"Äpfel", "1"}, {"äpfel", "2"}, {xs, "1"}, {"zahl", "2"}});
    const Cells lineRows =
        withHeader("Line", {{"Äpfel äpfel Zahl", "1"}, {"äpfel zahl.", "1"}, {xs, "1"}});
    const QStringList statuses{"Loading...",   "Loading: 3%",  "Loading: 6%",  "Loading: 10%",
                               "Loading: 26%", "Loading: 43%", "Loading: 60%", "Loading: 65%",
                               "Loading: 70%", "Loading: 75%", "Loading: 80%", "Loading: 83%",
                               "Loading: 86%", "Loading: 90%", "Loading: 91%", "Loading: 93%"};

    // Tables without their percentages, which are compared as one list.
    auto withoutPercent = [](const Cells& cells) {
        Cells out;
        for (const QStringList& row : cells)
            out << row.mid(0, 2);
        return out;
    };
    auto percentColumn = [](const Results& r) {
        return column(r.characters.mid(1), 2) + column(r.words.mid(1), 2) +
               column(r.lines.mid(1), 2);
    };

    TextLines analyzeLines = makeLines(lines, false);
    RecordedRun recorded = record(analyzeLines, wordCharacters, locale);
    QVERIFY(recorded.finished);
    QVERIFY(!recorded.events.isEmpty());
    const QString last = recorded.events.takeLast();
    QVERIFY2(last.startsWith("Elapsed Time: ") && last.endsWith(" sec"), qPrintable(last));
    const QString number = last.mid(14, last.size() - 18);
    QVERIFY2(QRegularExpression(seconds).match(number).hasMatch(), qPrintable(last));
    QCOMPARE(recorded.events, statuses);

    const Results engine = ReferenceAnalysis::runEngine(analyzeLines, wordCharacters, locale);
    const Results reference = ReferenceAnalysis::analyze(lines, false, wordCharacters, locale);
    for (const auto& [who, r] : {std::pair{QStringLiteral("engine"), &engine},
                                 std::pair{QStringLiteral("reference"), &reference}}) {
        compareCells(r->overview, overview, who + " overview");
        compareCells(withoutPercent(r->characters), withoutPercent(characters),
                     who + " characters");
        compareCells(withoutPercent(r->words), withoutPercent(words), who + " words");
        compareCells(withoutPercent(r->lines), withoutPercent(lineRows), who + " lines");
        if (QTest::currentTestFailed()) return;
        QCOMPARE(r->characters[0], (QStringList{"Character", "Occurrence", "%"}));
        QCOMPARE(percentColumn(*r), percentages);
        QCOMPARE(r->phrases2, (Cells{{"äpfel Zahl", "2"}}));
        QCOMPARE(r->phrases3, Cells{});
        QCOMPARE(r->phrases4, Cells{});
        QCOMPARE(r->statuses, statuses + QStringList{ElapsedPattern});
        QVERIFY(!r->noWords);
    }
}

void TestAnalysisRun::oneLineStatuses() {
    const TextLines lines = makeLines({"word"}, false);
    QStringList shown;
    AnalysisRun run(lines, English, usEnglish());
    onStatus(run, [&](const QString& status) {
        shown << status;
        return true;
    });
    QVERIFY(run.run());
    QCOMPARE(shown.size(), 6);
    QCOMPARE(AnalysisText::status(run.progress(), AnalysisLabels()), shown.last());
    QCOMPARE(run.progress().phase, AnalysisProgress::Phase::Finished);
    QVERIFY2(QRegularExpression("^Elapsed Time: \\d+\\.\\d{3} sec$").match(shown.last()).hasMatch(),
             qPrintable(shown.last()));
    shown.removeLast();
    QCOMPARE(shown, (QStringList{"Loading...", "Loading: 10%", "Loading: 60%", "Loading: 80%",
                                 "Loading: 90%"}));
}

void TestAnalysisRun::emptyLines() {
    const TextLines lines;
    RecordedRun recorded = record(lines, English, usEnglish());
    QVERIFY(recorded.finished);
    QCOMPARE(recorded.events.size(), 3);
    QCOMPARE(recorded.events[0], QStringLiteral("Loading..."));
    QCOMPARE(recorded.events[1], QStringLiteral("warning: ") + NoWordsText + "\r\r" + English);
    QCOMPARE(ReferenceAnalysis::maskSeconds(recorded.events[2], usEnglish()), ElapsedPattern);

    const Results engine = ReferenceAnalysis::runEngine(lines, English, usEnglish());
    QCOMPARE(column(engine.overview, 1), (QStringList{"0 (bytes)", "0", "0", "0", "0", "0", "0"}));
    QCOMPARE(engine.characters, withHeader("Character", {}));
    QCOMPARE(engine.words, withHeader("Word", {}));
    QCOMPARE(engine.lines, withHeader("Line", {}));
    QCOMPARE(engine.phrases2, Cells{});
    QCOMPARE(engine.phrases3, Cells{});
    QCOMPARE(engine.phrases4, Cells{});
    QVERIFY(engine.noWords);

    const Results reference = ReferenceAnalysis::analyze({}, true, English, usEnglish());
    QCOMPARE(reference.overview, engine.overview);
    QCOMPARE(reference.statuses, engine.statuses);
    QCOMPARE(reference.noWordsMessage, engine.noWordsMessage);
}

void TestAnalysisRun::noWordsWarning_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<bool>("warned");

    QTest::newRow("punctuation only") << QStringList{"... !!! ---", ""} << English << true;
    QTest::newRow("letters outside the set") << QStringList{"abc"} << "xyz" << true;
    QTest::newRow("blank word characters trim away")
        << QStringList{"a b", "\t\t"} << QStringLiteral(" \t") << true;
    QTest::newRow("one word is enough") << QStringList{"...", "x"} << "x" << false;
}

void TestAnalysisRun::noWordsWarning() {
    QFETCH(QStringList, lines);
    QFETCH(QString, wordCharacters);
    QFETCH(bool, warned);

    const TextLines analyzeLines = makeLines(lines, false);
    const RecordedRun recorded = record(analyzeLines, wordCharacters, usEnglish());
    QVERIFY(recorded.finished);
    const QStringList warnings = recorded.events.filter(QRegularExpression("^warning: "));
    if (!warned) {
        QCOMPARE(warnings, QStringList{});
        return;
    }
    QCOMPARE(warnings, QStringList{"warning: " + NoWordsText + "\r\r" + wordCharacters});
    // The warning follows the line table and comes before the elapsed time.
    const qsizetype at = recorded.events.indexOf(warnings[0]);
    QCOMPARE(at, recorded.events.size() - 2);
    QCOMPARE(recorded.events[at - 1].startsWith("Loading"), true);

    const Results engine = ReferenceAnalysis::runEngine(analyzeLines, wordCharacters, usEnglish());
    QVERIFY(engine.noWords);
    QCOMPARE(engine.words, withHeader("Word", {}));
    QCOMPARE(engine.overview[3], (QStringList{"Total Words:", "0"}));
    QCOMPARE(engine.overview[4], (QStringList{"Unique Words:", "0"}));
    QVERIFY(engine.characters.size() > 1);
}

void TestAnalysisRun::wordCharactersCopiedAtStart() {
    const TextLines lines = makeLines({"ab cd", "ab xy"}, false);
    QString wordCharacters = "abcd";
    AnalysisRun run(lines, wordCharacters, usEnglish());
    // Another Analyze command rebuilds the shared set while this run
    // processes events.
    onStatus(run, [&](const QString&) {
        wordCharacters = "xy";
        return true;
    });
    QVERIFY(run.run());
    QCOMPARE(ReferenceAnalysis::cellsOf(
                 FrequencyText(run.results().words, "Word", "Occurrence", usEnglish())),
             withHeader("Word", {{"ab", "2", "66.67"}, {"cd", "1", "33.33"}}));
}

void TestAnalysisRun::cancel_data() {
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<QString>("cancelAt");

    // Lines "a b", "c d", "e f": characters report 3% and 6%, words 10% to
    // 43%, the word table 60% to 76%, lines 80% to 93%.
    for (const char* status : {"Loading: 3%", "Loading: 10%", "Loading: 43%", "Loading: 60%",
                               "Loading: 76%", "Loading: 80%", "Loading: 90%", "Loading: 93%"})
        QTest::newRow(status) << English << QString::fromLatin1(status);
    // Without words the run would warn after the line table.
    QTest::newRow("no words, Loading: 93%") << QStringLiteral("#") << "Loading: 93%";
}

void TestAnalysisRun::cancel() {
    QFETCH(QString, wordCharacters);
    QFETCH(QString, cancelAt);

    const TextLines lines = makeLines({"a b", "c d", "e f"}, false);
    QStringList events;
    AnalysisRun run(lines, wordCharacters, usEnglish());
    onStatus(run, [&](const QString& status) {
        events << status;
        return status != cancelAt;
    });
    run.setNoWordsHandler([&] {
        events << "warning: " + AnalysisText::noWordsMessage(AnalysisLabels(), wordCharacters);
    });
    QCOMPARE(run.run(), false);
    QVERIFY2(!events.isEmpty() && events.last() == cancelAt, qPrintable(events.join(" | ")));
    QCOMPARE(events.count(cancelAt), 1);
}

void TestAnalysisRun::translatedTexts() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Deutsch.lang.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF"
               "{File Size:}Dateigr\xC3\xB6\xC3\x9F"
               "e:\r\n"
               "{(bytes)}(Bytes)\r\n"
               "{Total Characters:}Zeichen gesamt:\r\n"
               "{Character}Zeichen\r\n"
               "{Occurrence}Anzahl\r\n"
               "{Line}Zeile\r\n"
               "{%}Prozent\r\n"
               "{Loading...}Laden...\r\n"
               "{Loading: %s}Laden: %s\r\n"
               "{Elapsed Time: %s sec}Dauer: %s s\r\n"
               "{No words found using the specified characters:}Keine W\xC3\xB6rter:\r\n");
    file.close();
    QString error;
    QVERIFY2(Translation::load(path, &error), qPrintable(error));

    // The run takes its texts from its caller, which a window builds from
    // the loaded language.
    const AnalysisLabels labels = ReferenceAnalysis::translatedLabels();
    const QStringList lines{"x y"};
    const TextLines analyzeLines = makeLines(lines, false);
    const RecordedRun recorded = record(analyzeLines, "#", usEnglish(), labels);
    QVERIFY(recorded.finished);
    QCOMPARE(recorded.events.size(), 6);
    QVERIFY2(QRegularExpression("^Dauer: \\d+\\.\\d{3} s$").match(recorded.events[5]).hasMatch(),
             qPrintable(recorded.events[5]));
    QCOMPARE(recorded.events.mid(0, 5),
             (QStringList{"Laden...", "Laden: 10%", "Laden: 80%", "Laden: 90%",
                          QStringLiteral("warning: Keine Wörter:\r\r#")}));

    AnalysisRun run(analyzeLines, "#", usEnglish());
    QVERIFY(run.run());
    const AnalysisResults& results = run.results();
    Results engine;
    engine.overview =
        ReferenceAnalysis::cellsOf(OverviewText(results.overview, labels, usEnglish()));
    engine.characters = ReferenceAnalysis::cellsOf(
        FrequencyText(results.characters, labels.character, labels.occurrence, usEnglish()));
    engine.words = ReferenceAnalysis::cellsOf(
        FrequencyText(results.words, labels.word, labels.occurrence, usEnglish()));
    engine.lines = ReferenceAnalysis::cellsOf(
        FrequencyText(results.lines, labels.line, labels.occurrence, usEnglish()));
    QCOMPARE(engine.overview[0], (QStringList{"Dateigröße:", "3 (Bytes)"}));
    QCOMPARE(engine.overview[1], (QStringList{"Zeichen gesamt:", "3"}));
    QCOMPARE(engine.overview[2], (QStringList{"Unique Characters:", "3"}));
    QCOMPARE(engine.characters[0], (QStringList{"Zeichen", "Anzahl", "%"}));
    QCOMPARE(engine.words[0], (QStringList{"Word", "Anzahl", "%"}));
    QCOMPARE(engine.lines[0], (QStringList{"Zeile", "Anzahl", "%"}));

    const Results reference = ReferenceAnalysis::analyze(lines, false, "#", usEnglish());
    QCOMPARE(reference.overview, engine.overview);
    QCOMPARE(reference.characters, engine.characters);
    QCOMPARE(reference.lines, engine.lines);
    QStringList statuses = recorded.events.mid(0, 4);
    statuses << ReferenceAnalysis::maskSeconds(recorded.events[5], usEnglish());
    QCOMPARE(reference.statuses, statuses);
    QCOMPARE(QStringLiteral("warning: ") + reference.noWordsMessage, recorded.events[4]);

    // The run carries no text of its own: English labels give English,
    // whatever is loaded.
    const RecordedRun english = record(analyzeLines, "#", usEnglish());
    QCOMPARE(english.events.mid(0, 5),
             (QStringList{"Loading...", "Loading: 10%", "Loading: 80%", "Loading: 90%",
                          "warning: " + NoWordsText + "\r\r#"}));
}

QTEST_GUILESS_MAIN(TestAnalysisRun)
#include "tst_analysisrun.moc"

void TestAnalysisRun::idleHandler_data() {
    QTest::addColumn<bool>("goOn");
    QTest::newRow("window answers") << true;
    QTest::newRow("window closes") << false;
}

void TestAnalysisRun::idleHandler() {
    QFETCH(bool, goOn);
    // Enough lines and words for the long phases to call the idle handler.
    QStringList text;
    for (int i = 0; i < 70000; ++i)
        text << QStringLiteral("w%1 x%2 y").arg(i).arg(i % 977);
    const TextLines lines = makeLines(text, false);

    AnalysisRun plain(lines, English, usEnglish());
    QStringList plainStatuses;
    onStatus(plain, [&](const QString& status) {
        plainStatuses << status;
        return true;
    });
    QVERIFY(plain.run());

    AnalysisRun run(lines, English, usEnglish());
    QStringList statuses;
    onStatus(run, [&](const QString& status) {
        statuses << status;
        return true;
    });
    int idleCalls = 0;
    run.setIdleHandler([&] {
        ++idleCalls;
        return goOn;
    });
    run.setIdleInterval(0);
    QCOMPARE(run.run(), goOn);
    QVERIFY(idleCalls > 0);
    if (!goOn) {
        QCOMPARE(idleCalls, 1);
        QVERIFY(!statuses.last().startsWith(QLatin1String("Elapsed")));
        return;
    }
    // Idle calls show no status and change no result.
    QCOMPARE(statuses.mid(0, statuses.size() - 1), plainStatuses.mid(0, plainStatuses.size() - 1));
    QVERIFY(run.results().overview == plain.results().overview);
    QCOMPARE(run.results().phrases2.size(), plain.results().phrases2.size());
}

void TestAnalysisRun::sideThreadErrors() {
    // What the job throws reaches its owner, after the job has ended.
    SideThread failing([] { throw std::bad_alloc(); });
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, failing.join());

    // A throw on the owner's side waits for the job instead of ending the
    // process.
    std::atomic<bool> jobEnded{false};
    try {
        SideThread slow([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            jobEnded = true;
        });
        throw std::runtime_error("owner failed");
    } catch (const std::runtime_error&) {
    }
    QVERIFY(jobEnded);
}

void TestAnalysisRun::longListsSortInHalves() {
    // From 65,536 items on, the halves of a list are sorted on two threads
    // and merged: the order must still be the collator's, equal texts by
    // their code units and the same text by its place in the list.
    QRandomGenerator random(11);
    const QByteArray alphabet = "aAbBzZ09 -'";
    std::vector<std::string> texts;
    for (int i = 0; i < 70000; ++i) {
        // Long shared beginnings reach past the ranks of the first eight.
        std::string text = random.bounded(4) == 0 ? "abababab" : "";
        for (int n = 1 + random.bounded(5); n > 0; --n)
            text += alphabet[random.bounded(int(alphabet.size()))];
        texts.push_back(text);
    }
    const std::vector<std::string_view> items(texts.begin(), texts.end());
    const ListCollator collator(usEnglish());
    const std::vector<std::uint32_t> order = collator.sortedOrder(items);
    QCOMPARE(order.size(), items.size());
    std::vector<bool> seen(items.size());
    for (std::uint32_t i : order) {
        QVERIFY(i < items.size() && !seen[i]);
        seen[i] = true;
    }
    for (std::size_t k = 1; k < order.size(); ++k) {
        const std::string_view a = items[order[k - 1]], b = items[order[k]];
        const int c = collator.compareUtf8(a, b);
        QVERIFY2(c < 0 || (c == 0 && (a < b || (a == b && order[k - 1] < order[k]))),
                 qPrintable(QStringLiteral("\"%1\" before \"%2\" at %3")
                                .arg(QLatin1String(a), QLatin1String(b))
                                .arg(k)));
    }
}

void TestAnalysisRun::sortErrorReachesCaller() {
    // Long lists are sorted on two threads; a tick that throws (the window's
    // handler running out of memory) unwinds through the second one.
    std::vector<std::string> texts;
    for (int i = 0; i < 70000; ++i)
        texts.push_back("item" + std::to_string(i));
    const std::vector<std::string_view> items(texts.begin(), texts.end());
    const ListCollator collator(usEnglish());
    int ticks = 0;
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, collator.sortedOrder(items, [&] {
        if (++ticks == 2) throw std::bad_alloc();
    }));
    QCOMPARE(ticks, 2);
}

void TestAnalysisRun::limits_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qint64>("items");
    QTest::addColumn<qint64>("lineUnits");
    QTest::addColumn<QString>("error"); // as the tool words it; empty: the run completes

    QTest::newRow("lines at the limit") << QStringList{"a b", "a b"} << 2ll << 3ll << QString();
    QTest::newRow("one line too many")
        << QStringList{"a", "a", "a"} << 2ll << 3ll
        << "The text has more lines than can be analyzed (at most 2).";
    QTest::newRow("figures grouped")
        << QStringList(1001, QStringLiteral("a")) << 1000ll << 3ll
        << "The text has more lines than can be analyzed (at most 1,000).";
    QTest::newRow("one distinct word too many")
        << QStringList{"a b c"} << 2ll << 10ll
        << "The text has more distinct words than can be analyzed (at most 2).";
    QTest::newRow("repeated phrases over the limit")
        << QStringList{"a b b a a b b a a"} << 2ll << 20ll
        << "The text has more repeated phrases than can be analyzed (at most 2).";
    // Two bytes each, one UTF-16 unit each: the units count, not the bytes.
    QTest::newRow("accented line at the limit") << QStringList{"ééé"} << 2ll << 3ll << QString();
    QTest::newRow("line too long")
        << QStringList{"ab", "abcd"} << 2ll << 3ll
        << "Line 2 of the text is longer than can be analyzed (at most 3 characters).";
}

void TestAnalysisRun::limits() {
    QFETCH(QStringList, lines);
    QFETCH(qint64, items);
    QFETCH(qint64, lineUnits);
    QFETCH(QString, error);

    const TextLines text = makeLines(lines, false);
    AnalysisRun run(text, French, usEnglish());
    run.setLimits(AnalysisLimits{items, lineUnits});
    QString message;
    try {
        QVERIFY(run.run());
    } catch (const AnalysisError& e) {
        // The engine hands over which bound and its figures, no words.
        QCOMPARE(QByteArray(e.what()), QByteArray("AnalysisError"));
        message = AnalysisText::errorMessage(e, AnalysisLabels(), usEnglish());
    }
    QCOMPARE(message, error);
    if (error.isEmpty()) QCOMPARE(run.results().lines.itemCount(), 1);
}
