#include "analysis/concordance/concordance.h"
#include "analysis/engine/analysisrun.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/wordcharacterpresets.h"
#include "analysis/report/concordancetext.h"

#include <QtTest>

#include <atomic>

using namespace Concordance;

namespace {

enum class Table { Characters, Words, Lines, Phrases2, Phrases3, Phrases4 };

QString presetCharacters(WordCharacterPresets::Preset preset) {
    return WordCharacterPresets::wordCharacters(WordCharacterPresets::lines(preset));
}

struct Analysed {
    TextLines lines;
    std::shared_ptr<const AnalysisResults> results;
};

Analysed analyse(const QString& text, bool trailingBreak, const QString& wordCharacters,
                 const std::string& locale) {
    Analysed a;
    a.lines.setText(text);
    a.lines.setTrailingBreak(trailingBreak);
    AnalysisRun run(a.lines, wordCharacters);
    run.setCollation(locale);
    run.setPhrasesInBackground(false);
    if (!run.run()) qFatal("the run was cancelled");
    a.results = run.sharedResults();
    return a;
}

// The item's count in its table, or -1 when the table has no such row.
qint64 tableCount(const AnalysisResults& r, Table table, const QString& key) {
    const FrequencyTable* frequency = table == Table::Characters ? &r.characters
                                      : table == Table::Words    ? &r.words
                                      : table == Table::Lines    ? &r.lines
                                                                 : nullptr;
    if (frequency) {
        for (int i = 0; i < frequency->itemCount(); ++i)
            if (frequency->key(i) == key) return qint64(frequency->count(i));
        return -1;
    }
    const PhraseTable& phrases = table == Table::Phrases2   ? r.phrases2
                                 : table == Table::Phrases3 ? r.phrases3
                                                            : r.phrases4;
    for (int i = 0; i < phrases.itemCount(); ++i)
        if (phrases.phrase(i) == key) return qint64(phrases.count(i));
    return -1;
}

Kind kindOf(Table table) {
    switch (table) {
    case Table::Characters: return Kind::Character;
    case Table::Words: return Kind::Word;
    case Table::Lines: return Kind::Line;
    default: return Kind::Phrase;
    }
}

} // namespace

Q_DECLARE_METATYPE(Table)
Q_DECLARE_METATYPE(Concordance::TypedProblem)
Q_DECLARE_METATYPE(Concordance::Kind)

class TestConcordance : public QObject {
    Q_OBJECT

private slots:
    // The hits of a table's row are as many as its count, at the places
    // where the rules that counted it found it.
    void hitsEqualTheCount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("trailingBreak");
        QTest::addColumn<QString>("wordCharacters");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<Table>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QList<int>>("lineNumbers");
        QTest::addColumn<QStringList>("items");
        const QString english = presetCharacters(WordCharacterPresets::English);
        const QString french = presetCharacters(WordCharacterPresets::French);
        QTest::newRow("ASCII letter case")
            << "The cat\nthe THE end\nthem" << true << english << "en_US" << Table::Words << "the"
            << QList<int>{1, 2, 2} << QStringList{"The", "the", "THE"};
        QTest::newRow("'Été' under the French preset")
            << "Été été\nÉTÉ Été" << true << french << "fr_FR" << Table::Words << "Été"
            << QList<int>{1, 2} << QStringList{"Été", "Été"};
        QTest::newRow("'été' under the French preset")
            << "Été été\nÉTÉ Été" << true << french << "fr_FR" << Table::Words << "été"
            << QList<int>{1} << QStringList{"été"};
        QTest::newRow("a phrase across a line end")
            << "the cat\nsat on the Cat\n\nsat down" << true << english << "en_US"
            << Table::Phrases2 << "cat sat" << QList<int>{1, 2}
            << QStringList{"cat\u21B5sat", "Cat\u21B5\u21B5sat"};
        QTest::newRow("a phrase after a break")
            << "x a .b the end. the end, end the\na b" << true << english << "en_US"
            << Table::Phrases2 << "a b" << QList<int>{1, 2} << QStringList{"a .b", "a b"};
        QTest::newRow("a break closes the phrase")
            << "the end. the end, end the" << true << english << "en_US" << Table::Phrases2
            << "the end" << QList<int>{1, 1} << QStringList{"the end", "the end"};
        QTest::newRow("a three-word phrase")
            << "one two three; One Two  Three" << true << english << "en_US" << Table::Phrases3
            << "one two three" << QList<int>{1, 1} << QStringList{"one two three", "One Two  Three"};
        QTest::newRow("dotted and dotless i under tr_TR")
            << "iyi gün. İyi gün. Iyi gün. ıyi gün." << true << english << "tr_TR"
            << Table::Phrases2 << "iyi gün" << QList<int>{1, 1}
            << QStringList{"iyi gün", "İyi gün"};
        QTest::newRow("ASCII I is i's word under tr_TR")
            << "Istanbul istanbul İstanbul" << true << english + "İı" << "tr_TR" << Table::Words
            << "istanbul" << QList<int>{1, 1} << QStringList{"Istanbul", "istanbul"};
        QTest::newRow("the character row 'A'")
            << "aA a\nbA" << true << english << "en_US" << Table::Characters << "A"
            << QList<int>{1, 1, 1, 2} << QStringList{"a", "A", "a", "A"};
        QTest::newRow("half of a supplementary character")
            << "x\U0001F600y \U0001F601" << true << english << "en_US" << Table::Characters
            << QString(QChar(0xD83D)) << QList<int>{1, 1}
            << QStringList{"\U0001F600", "\U0001F601"};
        QTest::newRow("an empty line")
            << "x\n\nx\n" << false << english << "en_US" << Table::Lines << ""
            << QList<int>{2} << QStringList{""};
        QTest::newRow("a blank-only line")
            << "x\n  \nx\n  " << true << english << "en_US" << Table::Lines << "  "
            << QList<int>{2, 4} << QStringList{"  ", "  "};
        QTest::newRow("a line exactly")
            << "Abc\nabc\nAbc" << true << english << "en_US" << Table::Lines << "Abc"
            << QList<int>{1, 3} << QStringList{"Abc", "Abc"};
        QTest::newRow("word characters with a space")
            << "big cat, big  cat" << true << english + " " << "en_US" << Table::Words
            << "big cat" << QList<int>{1} << QStringList{"big cat"};
    }
    void hitsEqualTheCount() {
        QFETCH(QString, text);
        QFETCH(bool, trailingBreak);
        QFETCH(QString, wordCharacters);
        QFETCH(QString, locale);
        QFETCH(Table, table);
        QFETCH(QString, key);
        QFETCH(QList<int>, lineNumbers);
        QFETCH(QStringList, items);
        const Analysed a = analyse(text, trailingBreak, wordCharacters, locale.toStdString());
        const auto collator = ListCollator::forIcuLocale(a.results->collation);
        Finder finder(a.results->text, a.results->wordCharacters, *collator);
        const std::vector<Hit> hits = finder.findAll({kindOf(table), key});
        QCOMPARE(qint64(hits.size()), tableCount(*a.results, table, key));
        QList<int> foundLines;
        QStringList foundItems;
        for (const Hit& hit : hits) {
            const Context c = contextOf(a.results->text, hit, DefaultWidth);
            foundLines << int(c.lineNumber);
            foundItems << c.item;
        }
        QCOMPARE(foundLines, lineNumbers);
        QCOMPARE(foundItems, items);
    }

    // The editor's final empty line is no line of the table, and no hit.
    void finalEmptyLineOfTheEditor() {
        TextLines lines;
        lines.append(QStringList{"x", ""});
        lines.setTrailingBreak(false);
        AnalysisRun run(lines, "x");
        run.setPhrasesInBackground(false);
        QVERIFY(run.run());
        QCOMPARE(tableCount(run.results(), Table::Lines, ""), -1);
        const auto collator = ListCollator::forIcuLocale(run.results().collation);
        QVERIFY(Finder(lines, "x", *collator).findAll({Kind::Line, ""}).empty());
        lines.setTrailingBreak(true);
        QCOMPARE(Finder(lines, "x", *collator).findAll({Kind::Line, ""}).size(), std::size_t(1));
    }

    void typedText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<TypedProblem>("problem");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("a word") << "  Cat " << TypedProblem::None << Kind::Word << "cat";
        QTest::newRow("a word of non-ASCII letters")
            << "Été" << TypedProblem::None << Kind::Word << "Été";
        QTest::newRow("a phrase") << "the  Cat sat." << TypedProblem::None << Kind::Phrase
                                  << "the Cat sat";
        QTest::newRow("four words") << "a b c d" << TypedProblem::None << Kind::Phrase
                                    << "a b c d";
        QTest::newRow("blank") << " \t " << TypedProblem::Empty << Kind::Word << "";
        QTest::newRow("a break between the words")
            << "cat, dog" << TypedProblem::BreakInside << Kind::Word << "";
        QTest::newRow("five words") << "a b c d e" << TypedProblem::TooManyWords << Kind::Word
                                    << "";
        QTest::newRow("characters outside the word characters")
            << "c@t" << TypedProblem::NotWordCharacters << Kind::Word << "";
        QTest::newRow("delimiters only") << "..." << TypedProblem::NotWordCharacters
                                         << Kind::Word << "";
    }
    void typedText() {
        QFETCH(QString, typed);
        QFETCH(TypedProblem, problem);
        QFETCH(Kind, kind);
        QFETCH(QString, text);
        const TypedQuery parsed = parseTyped(typed, presetCharacters(WordCharacterPresets::French));
        QCOMPARE(parsed.problem, problem);
        if (problem != TypedProblem::None) return;
        QCOMPARE(parsed.query.kind, kind);
        QCOMPARE(parsed.query.text, text);
    }

    // Contexts are cut at a number of code points, never inside a pair,
    // each line break one mark.
    void contexts_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::newRow("wide") << 40 << "one\u21B5x\U0001F600 " << " two\u21B5three";
        QTest::newRow("the pair kept whole") << 2 << "\U0001F600 " << " t";
        QTest::newRow("a break counts as one") << 7 << "one\u21B5x\U0001F600 " << " two\u21B5th";
        QTest::newRow("nothing around") << 0 << "" << "";
    }
    void contexts() {
        QFETCH(int, width);
        QFETCH(QString, left);
        QFETCH(QString, right);
        TextLines lines;
        lines.setText(u"one\nx\U0001F600 cat two\nthree");
        const auto collator = ListCollator::forIcuLocale("en_US");
        const std::vector<Hit> hits = Finder(lines, "act", *collator).findAll({Kind::Word, "cat"});
        QCOMPARE(hits.size(), std::size_t(1));
        const Context c = contextOf(lines, hits[0], width);
        QCOMPARE(c.lineNumber, 2);
        QCOMPARE(c.item, QStringLiteral("cat"));
        QCOMPARE(c.left, left);
        QCOMPARE(c.right, right);
    }

    // By the words to the right or left (across line ends), then position.
    void orders_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("words");
        QTest::addColumn<QList<int>>("lineNumbers");
        QTest::newRow("position") << int(Side::Position) << 1 << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("1R") << int(Side::Right) << 1 << QList<int>{5, 2, 1, 3, 4};
        QTest::newRow("1R 2R") << int(Side::Right) << 2 << QList<int>{5, 2, 3, 1, 4};
        QTest::newRow("1L") << int(Side::Left) << 1 << QList<int>{2, 5, 3, 1, 4};
    }
    void orders() {
        QFETCH(int, side);
        QFETCH(int, words);
        QFETCH(QList<int>, lineNumbers);
        TextLines lines;
        lines.setText(u"the cat sat down\na cat ate\nmy cat sat by\nthe CAT Sat down\ncat");
        const auto collator = ListCollator::forIcuLocale("en_US");
        std::vector<Hit> hits = Finder(lines, presetCharacters(WordCharacterPresets::English), *collator).findAll({Kind::Word, "cat"});
        QCOMPARE(hits.size(), std::size_t(5));
        std::reverse(hits.begin(), hits.end());
        QVERIFY(sortHits(hits, lines, {Side(side), words}, *collator));
        QList<int> found;
        for (const Hit& hit : hits)
            found << int(hit.line) + 1;
        QCOMPARE(found, lineNumbers);
    }

    void cancelStopsTheSearch() {
        TextLines lines;
        QStringList many(5000, QStringLiteral("the cat"));
        lines.append(many);
        const auto collator = ListCollator::forIcuLocale("en_US");
        std::atomic<bool> cancel{false};
        int batches = 0;
        const bool whole =
            Finder(lines, "acehtt", *collator)
                .find({Kind::Word, "the"},
                      [&](std::span<const Hit>) {
                          ++batches;
                          cancel = true;
                          return true;
                      },
                      &cancel);
        QVERIFY(!whole);
        QCOMPARE(batches, 1);
    }

    // Exported, a concordance is a header row over a row a hit.
    void asText() {
        TextLines lines;
        lines.setText(u"a cat\nthe cat sat");
        const auto collator = ListCollator::forIcuLocale("en_US");
        const std::vector<Hit> hits =
            Finder(lines, "acehst", *collator).findAll({Kind::Phrase, "cat the"});
        const QString headers[] = {"Line", "Left", "Item", "Right"};
        const ConcordanceText table(lines, hits, 3, headers);
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(table.columnCount(), 4);
        QCOMPARE(table.cell(0, 2), QStringLiteral("Item"));
        const QStringList row{table.cell(1, 0), table.cell(1, 1), table.cell(1, 2),
                              table.cell(1, 3)};
        QCOMPARE(row, (QStringList{"1", "a ", "cat\u21B5the", " ca"}));
    }
};

QTEST_GUILESS_MAIN(TestConcordance)
#include "tst_concordance.moc"
