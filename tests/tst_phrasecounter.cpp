#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasecounter.h"
#include "analysis/engine/phrasewords.h"
#include "analysis/engine/textlines.h"
#include "analysis/report/tabletext.h"
#include "referenceanalysis.h"

#include <QRandomGenerator>
#include <QtTest>

#include <unicode/ucol.h>

using Cells = ReferenceAnalysis::Cells;

namespace {

QLocale usEnglish() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

TextLines makeLines(const QStringList& lines) {
    TextLines result;
    result.append(lines);
    result.setTrailingBreak(false);
    return result;
}

struct Counted {
    Cells phrases2, phrases3, phrases4;
};

Counted countWithEngine(PhraseCounter& counter, const QStringList& lines) {
    counter.countPhrases(makeLines(lines));
    return {ReferenceAnalysis::cellsOf(PhraseText(counter.showSummary(2))),
            ReferenceAnalysis::cellsOf(PhraseText(counter.showSummary(3))),
            ReferenceAnalysis::cellsOf(PhraseText(counter.showSummary(4)))};
}

void compareCells(const Cells& actual, const Cells& expected, const QString& what) {
    const QString difference = ReferenceAnalysis::firstDifference(actual, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(what + QStringLiteral(": ") + difference));
}

const QString Nbsp = QStringLiteral("\u00A0");

} // namespace

class TestPhraseCounter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void delimiters();
    void takeNextWord_data();
    void takeNextWord();
    void oneWordAround_data();
    void oneWordAround();
    void countPhrases_data();
    void countPhrases();
    void countingStartsAfresh();
    void orderFollowsLocale_data();
    void orderFollowsLocale();
    void caseFollowsCollator_data();
    void caseFollowsCollator();
    void asciiRanksAgreeWithCollator();
    void keepAllKeepsEveryPhrase_data();
    void keepAllKeepsEveryPhrase();
    void piecesCountAsOnePass_data();
    void piecesCountAsOnePass();
};

void TestPhraseCounter::initTestCase() {
    QLocale::setDefault(usEnglish());
}

void TestPhraseCounter::delimiters() {
    const QString delimiters = QStringLiteral(" (),-.:;<=>?[]{}");
    for (int u = 0; u <= 0xFFFF; ++u) {
        const bool delimiter = delimiters.contains(QChar(char16_t(u)));
        if (PhraseWords::isDelimiter(char16_t(u)) != delimiter ||
            PhraseWords::isBreak(char16_t(u)) != (delimiter && u != ' '))
            QFAIL(qPrintable(QStringLiteral("U+%1").arg(u, 4, 16, QLatin1Char('0'))));
    }
}

void TestPhraseCounter::takeNextWord_data() {
    QTest::addColumn<QString>("remainder");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QChar>("ending");
    QTest::addColumn<QString>("rest");

    const QChar space(' ');
    QTest::newRow("empty") << ""
                           << "" << QChar() << "";
    QTest::newRow("only spaces") << "   "
                                 << "" << QChar() << "";
    QTest::newRow("only delimiters") << ".,; -"
                                     << "" << QChar() << "";
    QTest::newRow("last word") << "abc"
                               << "abc" << space << "";
    QTest::newRow("first of two") << "a b"
                                  << "a" << space << "b ";
    QTest::newRow("trailing space kept single") << "a "
                                                << "a" << space << "";
    QTest::newRow("two trailing spaces") << "a  "
                                         << "a" << space << " ";
    QTest::newRow("leading delimiters skipped") << " ..(x) y"
                                                << "x" << QChar(')') << " y ";
    QTest::newRow("comma") << "New York, New York"
                           << "New" << space << "York, New York ";
    QTest::newRow("word ended by comma") << "York, New"
                                         << "York" << QChar(',') << " New ";
    QTest::newRow("hyphen") << "well-known fact"
                            << "well" << QChar('-') << "known fact ";
    QTest::newRow("full stop without space") << "a.b"
                                             << "a" << QChar('.') << "b ";
    QTest::newRow("exclamation mark belongs to the word") << "Hello! How"
                                                          << "Hello!" << space << "How ";
    QTest::newRow("question mark") << "you? Hello"
                                   << "you" << QChar('?') << " Hello ";
    QTest::newRow("tab inside a word") << "a\tb c"
                                       << "a\tb" << space << "c ";
    QTest::newRow("no-break space inside a word") << "\u00A0a b"
                                                  << "\u00A0a" << space << "b ";
    QTest::newRow("em dash inside a word") << "x\u2014y z"
                                           << "x\u2014y" << space << "z ";
    QTest::newRow("typographic quotes") << "\u201Cquoted\u201D now"
                                        << "\u201Cquoted\u201D" << space << "now ";
    QTest::newRow("slash, apostrophe and quote") << "and/or don't \"x\""
                                                 << "and/or" << space << "don't \"x\" ";
    QTest::newRow("surrogate pair") << "😀x y"
                                    << "😀x" << space << "y ";
    QTest::newRow("lone surrogate")
        << QString(QChar(0xDC00)) + "<b" << QString(QChar(0xDC00)) << QChar('<') << "b ";
}

void TestPhraseCounter::takeNextWord() {
    QFETCH(QString, remainder);
    QFETCH(QString, word);
    QFETCH(QChar, ending);
    QFETCH(QString, rest);

    QString engineRemainder = remainder;
    QChar engineEnding;
    QCOMPARE(PhraseWords::takeNextWord(engineRemainder, &engineEnding), word);
    QCOMPARE(engineRemainder, rest);
    if (!word.isEmpty()) QCOMPARE(engineEnding, ending);

    QString referenceRemainder = remainder;
    QChar referenceEnding;
    QCOMPARE(ReferenceAnalysis::takeNextWord(referenceRemainder, &referenceEnding), word);
    QCOMPARE(referenceRemainder, rest);
    if (!word.isEmpty()) QCOMPARE(referenceEnding, ending);
}

void TestPhraseCounter::oneWordAround_data() {
    QTest::addColumn<QChar>("inside");
    // Characters that are no delimiters join the letters around them.
    for (char16_t c : u"!\"#$%&'*+/0@\\^_`|~\t\x01\u007F\u00A0\u00AB\u00BB\u2014\u2013\u201C\u201D"
                      u"\u2018\u2019\u3000\uFF0C\uFF0E") {
        if (c) QTest::addRow("U+%04X", unsigned(c)) << QChar(c);
    }
}

void TestPhraseCounter::oneWordAround() {
    QFETCH(QChar, inside);
    const QString word = QStringLiteral("a") + inside + QStringLiteral("b");
    QString remainder = word + QStringLiteral(" c");
    QChar ending;
    QCOMPARE(PhraseWords::takeNextWord(remainder, &ending), word);
    QCOMPARE(ending, QChar(' '));
}

void TestPhraseCounter::countPhrases_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Cells>("phrases2");
    QTest::addColumn<Cells>("phrases3");
    QTest::addColumn<Cells>("phrases4");

    QTest::newRow("full stop closes the window")
        << QStringList{"the cat sat. the cat ran"} << Cells{{"the cat", "2"}} << Cells{} << Cells{};
    QTest::newRow("comma closes the window")
        << QStringList{"New York, New York"} << Cells{{"New York", "2"}} << Cells{} << Cells{};
    QTest::newRow("first form kept")
        << QStringList{"The end. the end."} << Cells{{"The end", "2"}} << Cells{} << Cells{};
    QTest::newRow("hyphen closes the window") << QStringList{"well-known fact. well-known fact"}
                                              << Cells{{"known fact", "2"}} << Cells{} << Cells{};
    QTest::newRow("exclamation belongs, question closes")
        << QStringList{"Hello! How are you? Hello! How are you?"}
        << Cells{{"are you", "2"}, {"Hello! How", "2"}, {"How are", "2"}}
        << Cells{{"Hello! How are", "2"}, {"How are you", "2"}}
        << Cells{{"Hello! How are you", "2"}};
    QTest::newRow("tab inside a word, trimmed at the ends")
        << QStringList{"\ta\tb c\t", "a\tb c."} << Cells{{"a\tb c", "2"}} << Cells{} << Cells{};
    QTest::newRow("em dash alone is a word")
        << QStringList{"a \u2014 b a \u2014 b"} << Cells{{"\u2014 b", "2"}, {"a \u2014", "2"}}
        << Cells{{"a \u2014 b", "2"}} << Cells{};
    QTest::newRow("em dash joined is inside a word")
        << QStringList{"a\u2014b c a\u2014b c"} << Cells{{"a\u2014b c", "2"}} << Cells{} << Cells{};
    QTest::newRow("typographic quotes")
        << QStringList{"\u201CHi\u201D there \u201CHi\u201D there"}
        << Cells{{"\u201CHi\u201D there", "2"}} << Cells{} << Cells{};
    QTest::newRow("every word once")
        << QStringList{"one two three four"} << Cells{} << Cells{} << Cells{};
    QTest::newRow("rows in collation order, not count order")
        << QStringList{"b c b c a d a d a d"} << Cells{{"a d", "3"}, {"b c", "2"}, {"d a", "2"}}
        << Cells{{"a d a", "2"}, {"d a d", "2"}} << Cells{{"a d a d", "2"}};
    QTest::newRow("one word repeated")
        << QStringList{"! ! ! !"} << Cells{{"! !", "3"}} << Cells{{"! ! !", "2"}} << Cells{};

    // Line ends.
    QTest::newRow("phrases span line ends")
        << QStringList{"a b", "c a", "b c"} << Cells{{"a b", "2"}, {"b c", "2"}}
        << Cells{{"a b c", "2"}} << Cells{};
    QTest::newRow("last word of a line counts once")
        << QStringList{"p q", "q r p q", "q r"} << Cells{{"p q", "2"}, {"q q", "2"}, {"q r", "2"}}
        << Cells{{"p q q", "2"}, {"q q r", "2"}} << Cells{{"p q q r", "2"}};
    QTest::newRow("break character at a line end")
        << QStringList{"x y.", "z x y.", "z"} << Cells{{"x y", "2"}} << Cells{} << Cells{};
    QTest::newRow("same words without the breaks")
        << QStringList{"x y", "z x y", "z"} << Cells{{"x y", "2"}, {"y z", "2"}}
        << Cells{{"x y z", "2"}} << Cells{};
    QTest::newRow("delimiter after a space does not break")
        << QStringList{"a ,", "b a ,", "b"} << Cells{{"a b", "2"}} << Cells{} << Cells{};
    QTest::newRow("delimiter before a word does not break")
        << QStringList{"a .b a .b"} << Cells{{"a b", "2"}} << Cells{} << Cells{};
    QTest::newRow("empty and blank lines keep the window")
        << QStringList{"a", "", "   ", "b a", "\t", "b"} << Cells{{"a b", "2"}} << Cells{}
        << Cells{};

    // Collation.
    QTest::newRow("letter case ignored, first form kept")
        << QStringList{"The End the end THE END"} << Cells{{"End the", "2"}, {"The End", "3"}}
        << Cells{{"End the end", "2"}, {"The End the", "2"}} << Cells{{"The End the end", "2"}};
    QTest::newRow("precomposed and combining accents")
        << QStringList{"caf\u00E9 cr\u00E8me.", "cafe\u0301 cre\u0300me."}
        << Cells{{"caf\u00E9 cr\u00E8me", "2"}} << Cells{} << Cells{};
    QTest::newRow("accents are not ignored")
        << QStringList{"resume r\u00E9sum\u00E9 resume r\u00E9sum\u00E9"}
        << Cells{{"resume r\u00E9sum\u00E9", "2"}} << Cells{} << Cells{};
    QTest::newRow("Cyrillic case ignored")
        << QStringList{"Привет мир привет МИР"} << Cells{{"Привет мир", "2"}} << Cells{} << Cells{};
    QTest::newRow("Hebrew") << QStringList{"שלום עולם.", "שלום עולם"} << Cells{{"שלום עולם", "2"}}
                            << Cells{} << Cells{};
    QTest::newRow("no-break space splits words differently")
        << QStringList{"a" + Nbsp + "b c.", "a b" + Nbsp + "c."} << Cells{{"a" + Nbsp + "b c", "2"}}
        << Cells{} << Cells{};
    QTest::newRow("no-break space in longer phrases")
        << QStringList{"x" + Nbsp + "y z w.", "x y" + Nbsp + "z w."}
        << Cells{{"x" + Nbsp + "y z", "2"}} << Cells{{"x" + Nbsp + "y z w", "2"}} << Cells{};
    QTest::newRow("other spaces that are no delimiters")
        << QStringList{"a\u3000b c.", "a b\u2002c."} << Cells{{"a\u3000b c", "2"}} << Cells{}
        << Cells{};
    QTest::newRow("ligature, kana and full-width forms")
        << QStringList{"\uFB01x \u306D\u3053 \uFF41.", "fix \u30CD\u30B3 a."}
        << Cells{{"\uFB01x \u306D\u3053", "2"}, {"\u306D\u3053 \uFF41", "2"}}
        << Cells{{"\uFB01x \u306D\u3053 \uFF41", "2"}} << Cells{};
    QTest::newRow("ignorable control character")
        << QStringList{"x\x01 y. x y."} << Cells{{"x\x01 y", "2"}} << Cells{} << Cells{};
    QTest::newRow("words of ignorable characters only")
        << QStringList{"b \x01 a \x02 a"} << Cells{{"\x01 a", "2"}} << Cells{} << Cells{};
    QTest::newRow("surrogate pairs and a lone surrogate")
        << QStringList{"😀 " + QString(QChar(0xD800)) + " 😀 " + QString(QChar(0xD800))}
        << Cells{{"😀 " + QString(QChar(0xD800)), "2"}} << Cells{} << Cells{};
}

void TestPhraseCounter::countPhrases() {
    QFETCH(QStringList, lines);
    QFETCH(Cells, phrases2);
    QFETCH(Cells, phrases3);
    QFETCH(Cells, phrases4);

    const QLocale locale = usEnglish();
    const ListCollator collator(locale);
    // In one pass, and in two passes, where longer phrases are counted only
    // where their shorter parts repeat.
    for (const std::size_t room : {PhraseCounter::DefaultDirectTableLimit, std::size_t(0)}) {
        PhraseCounter counter(collator);
        counter.setDirectTableLimit(room);
        const Counted engine = countWithEngine(counter, lines);
        const QString mode = room ? QStringLiteral("one pass, ") : QStringLiteral("two passes, ");
        compareCells(engine.phrases2, phrases2, mode + "engine 2 words");
        compareCells(engine.phrases3, phrases3, mode + "engine 3 words");
        compareCells(engine.phrases4, phrases4, mode + "engine 4 words");
    }

    const ReferenceAnalysis::Phrases reference = ReferenceAnalysis::countPhrases(lines, collator);
    compareCells(reference.phrases2, phrases2, "reference 2 words");
    compareCells(reference.phrases3, phrases3, "reference 3 words");
    compareCells(reference.phrases4, phrases4, "reference 4 words");
}

void TestPhraseCounter::countingStartsAfresh() {
    const ListCollator collator(usEnglish());
    PhraseCounter counter(collator);
    countWithEngine(counter, {"a b a b a b n"});
    // Neither counts nor the open window of the last text carry over: "n k"
    // would occur twice if the window did.
    const Counted second = countWithEngine(counter, {"k. n k", "x y x y"});
    QCOMPARE(second.phrases2, (Cells{{"x y", "2"}}));
    QCOMPARE(second.phrases3, Cells{});
    QCOMPARE(second.phrases4, Cells{});
}

void TestPhraseCounter::orderFollowsLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<Cells>("phrases2");

    // Swedish sorts "ä" after "z".
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << Cells{{"äpple ost", "2"}, {"zebra ost", "2"}};
    QTest::newRow("sv_SE") << QLocale(QLocale::Swedish, QLocale::Sweden)
                           << Cells{{"zebra ost", "2"}, {"äpple ost", "2"}};
}

void TestPhraseCounter::orderFollowsLocale() {
    QFETCH(QLocale, locale);
    QFETCH(Cells, phrases2);
    QLocale::setDefault(locale);

    const QStringList lines{"zebra ost. äpple ost.", "Zebra ost. Äpple ost."};
    const ListCollator collator(locale);
    PhraseCounter counter(collator);
    QCOMPARE(countWithEngine(counter, lines).phrases2, phrases2);
    QCOMPARE(ReferenceAnalysis::countPhrases(lines, collator).phrases2, phrases2);
    QLocale::setDefault(usEnglish());
}

void TestPhraseCounter::caseFollowsCollator_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Cells>("phrases2");
    QTest::addColumn<bool>("caseIsTertiary");
    QTest::addColumn<bool>("asciiRanked");
    QTest::addColumn<QString>("collation"); // an ICU locale id in place of the locale's

    // In Turkish "I" is the capital of "\u0131", and in Danish and Norwegian
    // "aa", "Aa" and "AA" are a letter near "\u00E5" while "aA" is two letters.
    const QStringList dotless{"IN the box. in the box. IN the box."};
    const QStringList doubleA{"Aa x. aa x. AA x. aA x."};
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QLocale azerbaijani(QLocale::Azerbaijani, QLocale::LatinScript, QLocale::Azerbaijan);
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    const QLocale norwegian(QLocale::NorwegianBokmal, QLocale::Norway);
    QTest::newRow("en_US, I") << english << dotless << Cells{{"IN the", "3"}, {"the box", "3"}}
                              << true << true << QString();
    QTest::newRow("en_US, aA") << english << doubleA << Cells{{"Aa x", "4"}} << true << true
                               << QString();
    QTest::newRow("de_DE, I") << QLocale(QLocale::German, QLocale::Germany) << dotless
                              << Cells{{"IN the", "3"}, {"the box", "3"}} << true << true
                              << QString();
    QTest::newRow("tr_TR, I") << turkish << dotless << Cells{{"IN the", "2"}, {"the box", "3"}}
                              << false << false << QString();
    QTest::newRow("tr_TR, dotted capital")
        << turkish << QStringList{"\u0130N the. in the. \u0131n the. IN the."}
        << Cells{{"\u0131n the", "2"}, {"\u0130N the", "2"}} << false << false << QString();
    QTest::newRow("az_AZ, I") << azerbaijani << dotless << Cells{{"IN the", "2"}, {"the box", "3"}}
                              << false << false << QString();
    QTest::newRow("da_DK, aA") << danish << doubleA << Cells{{"Aa x", "3"}} << false << false
                               << QString();
    QTest::newRow("nb_NO, aA") << norwegian << doubleA << Cells{{"Aa x", "3"}} << false << false
                               << QString();
    QTest::newRow("nb_NO, aA first")
        << norwegian << QStringList{"aA x. AA x. aA x. Aa x."}
        << Cells{{"aA x", "2"}, {"AA x", "2"}} << false << false << QString();
    // Traditional Spanish has "ll" as a letter of its own, "lL" being two.
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const QStringList doubleL{"Ll x. ll x. LL x. lL x."};
    QTest::newRow("es_ES, ll") << spanish << doubleL << Cells{{"Ll x", "4"}} << true << true
                               << QString();
    QTest::newRow("es traditional, ll") << spanish << doubleL << Cells{{"Ll x", "3"}} << false
                                        << false << QStringLiteral("es@collation=traditional");
}

void TestPhraseCounter::caseFollowsCollator() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, lines);
    QFETCH(Cells, phrases2);
    QFETCH(bool, caseIsTertiary);
    QFETCH(bool, asciiRanked);
    QFETCH(QString, collation);
    QLocale::setDefault(locale);
    const auto restore = qScopeGuard([] { QLocale::setDefault(usEnglish()); });

    const std::unique_ptr<ListCollator> own =
        collation.isEmpty() ? std::make_unique<ListCollator>(locale)
                            : ListCollator::forIcuLocale(collation.toStdString());
    const ListCollator& collator = *own;
    QCOMPARE(collator.lowerAsciiKeepsKeys(), caseIsTertiary);
    QCOMPARE(collator.asciiRanks() != nullptr, asciiRanked);
    PhraseCounter counter(collator);
    compareCells(countWithEngine(counter, lines).phrases2, phrases2, "engine");
    compareCells(ReferenceAnalysis::countPhrases(lines, collator).phrases2, phrases2, "reference");
}

void TestPhraseCounter::asciiRanksAgreeWithCollator() {
    // Where a collator lets printable ASCII be ranked, the ranks must order
    // texts as the collator does, and equal texts must be case variants.
    // Tried on every collation the system's ICU has.
    QRandomGenerator random(7);
    const QByteArray alphabet = "aAbBiIlLnNoOsStTzZ09 -'.,!?#_~`@|/\\";
    std::vector<std::string> texts;
    for (int i = 0; i < 400; ++i) {
        std::string text;
        for (int n = random.bounded(7); n > 0; --n)
            text += alphabet[random.bounded(int(alphabet.size()))];
        texts.push_back(text);
    }
    for (const char* pair : {"ll", "Ll", "lL", "LL", "ch", "CH", "aa", "aA", "Aa", "ij", "IJ"})
        texts.push_back(pair);
    const std::vector<std::string_view> items(texts.begin(), texts.end());
    auto lowered = [](std::string_view s) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = char(c + 32);
        return out;
    };

    int ranked = 0;
    for (int32_t i = 0, n = ucol_countAvailable(); i < n; ++i) {
        const std::string name = ucol_getAvailable(i);
        const std::unique_ptr<ListCollator> collator = ListCollator::forIcuLocale(name);
        if (!collator->asciiRanks()) continue;
        ++ranked;
        const std::vector<std::uint32_t> order = collator->sortedOrder(items);
        for (std::size_t k = 1; k < order.size(); ++k) {
            const std::string_view a = items[order[k - 1]], b = items[order[k]];
            const int c = collator->compareUtf8(a, b);
            QVERIFY2(c < 0 || (c == 0 && a <= b),
                     qPrintable(QStringLiteral("%1: \"%2\" before \"%3\"")
                                    .arg(QLatin1String(name), QLatin1String(a), QLatin1String(b))));
            QVERIFY2((c == 0) == (lowered(a) == lowered(b)),
                     qPrintable(QStringLiteral("%1: \"%2\" against \"%3\"")
                                    .arg(QLatin1String(name), QLatin1String(a), QLatin1String(b))));
        }
    }
    // Most collations rank ASCII; a check that refused them all would pass.
    QVERIFY(ranked > 50);
}

void TestPhraseCounter::keepAllKeepsEveryPhrase_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("twoPasses");
    QStringList random;
    QRandomGenerator generator(23);
    const QStringList vocabulary = {
        "the", "The", "cat",  "CAT",  "sat", "on", "a", "mat", "x" + Nbsp + "y",
        "x",   "y",   "end.", "then,"};
    for (int line = 0; line < 40; ++line) {
        QStringList words;
        for (int w = 0; w < 12; ++w)
            words << vocabulary[int(generator.bounded(qsizetype(vocabulary.size())))];
        random << words.join(u' ');
    }
    const QList<std::pair<const char*, QStringList>> texts = {
        {"seen once", {"the cat sat. the cat ran"}},
        {"case variants", {"The end. the end. THE END"}},
        {"no-break spaces", {"a" + Nbsp + "b c. a b" + Nbsp + "c. a b c"}},
        {"across lines", {"a b", "c d", "a b c"}},
        {"random", random},
    };
    for (const auto& [name, lines] : texts) {
        QTest::addRow("%s, one pass", name) << lines << false;
        QTest::addRow("%s, two passes", name) << lines << true;
    }
}

void TestPhraseCounter::keepAllKeepsEveryPhrase() {
    // What a corpus adds up: every phrase, those seen once included, in the
    // form and class the lists show, with the word where it first begins.
    // A large text's pre-pass, which drops phrases seen once, must not
    // apply.
    QFETCH(QStringList, lines);
    QFETCH(bool, twoPasses);
    const ListCollator collator(usEnglish());
    PhraseCounter counter(collator);
    if (twoPasses) counter.setDirectTableLimit(0);
    counter.setKeepAll(true);
    QVERIFY(counter.countPhrases(makeLines(lines)));

    QStringList words;
    for (const QString& line : lines) {
        QString remainder = ReferenceAnalysis::trimmed(line);
        for (QString word; !(word = PhraseWords::takeNextWord(remainder)).isEmpty();)
            words << word;
    }
    const ReferenceAnalysis::Phrases reference =
        ReferenceAnalysis::countAllPhrases(lines, collator);
    const Cells* expected[] = {&reference.phrases2, &reference.phrases3, &reference.phrases4};
    for (int k = 2; k <= 4; ++k) {
        std::vector<std::string> forms;
        std::vector<std::uint64_t> counts;
        counter.forEachPhrase(
            k, [&](std::string_view form, std::uint64_t count, std::uint64_t firstWord) {
                forms.emplace_back(form);
                counts.push_back(count);
                const QString text = QString::fromStdString(forms.back());
                QCOMPARE(words.mid(qsizetype(firstWord), k).join(u' '), text);
            });
        // The same phrases by the ids of their words.
        std::size_t visited = 0;
        counter.forEachPhraseWords(
            k, [&](const std::uint32_t* ids, std::uint64_t count, std::uint64_t) {
                QStringList form;
                for (int t = 0; t < k; ++t)
                    form << QString::fromStdString(std::string(counter.word(ids[t])));
                QVERIFY(visited < forms.size());
                QCOMPARE(form.join(u' '), QString::fromStdString(forms[visited]));
                QCOMPARE(count, counts[visited]);
                ++visited;
            });
        QCOMPARE(visited, forms.size());
        QCOMPARE(counter.phraseCount(k), forms.size());
        Cells actual;
        for (std::uint32_t i :
             collator.sortedOrder(std::uint32_t(forms.size()),
                                  [&](std::uint32_t i) { return std::string_view(forms[i]); }))
            actual << QStringList{QString::fromStdString(forms[i]), QString::number(counts[i])};
        compareCells(actual, *expected[k - 2], QStringLiteral("%1 words").arg(k));
        // The lists themselves are left empty.
        QCOMPARE(counter.showSummary(k).size(), std::size_t(0));
    }
}


void TestPhraseCounter::piecesCountAsOnePass_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("lines");
    QStringList random;
    QRandomGenerator generator(25);
    const QStringList vocabulary = {"the", "The", "THE", "cat", "Cat", "sat", "on", "a",
                                    "x" + Nbsp + "y", "x", "y", "end.", "then,", "\u00E9t\u00E9",
                                    "\u00C9T\u00C9"};
    for (int line = 0; line < 30; ++line) {
        QStringList words;
        for (int w = 0, n = int(generator.bounded(6)); w < n; ++w)
            words << vocabulary[int(generator.bounded(qsizetype(vocabulary.size())))];
        random << words.join(u' ');
    }
    QTest::newRow("a phrase spanning the cut")
        << "en_US" << QStringList{"x the quick", "brown fox", "the quick", "brown fox."};
    QTest::newRow("a break just before it")
        << "en_US" << QStringList{"a b.", "c d", "a b.", "c d e"};
    QTest::newRow("case variants on both sides")
        << "en_US" << QStringList{"The End of", "it. the end", "OF IT", "the END of it"};
    QTest::newRow("dotted and dotless i on both sides")
        << "tr_TR" << QStringList{"\u0130stanbul g\u00FCzel", "Istanbul g\u00FCzel.",
                                  "istanbul G\u00DCZEL", "\u0131stanbul g\u00FCzel"};
    QTest::newRow("a phrase joined by a no-break space across it")
        << "en_US" << QStringList{"a" + Nbsp + "b c.", "a b" + Nbsp + "c.", "a b c"};
    QTest::newRow("short lines, random words") << "en_US" << random;
}

void TestPhraseCounter::piecesCountAsOnePass() {
    // Tokenized in pieces side by side, a text gives the lists of one pass:
    // the counts, the first forms and where each phrase first begins, for
    // cuts at every line.
    QFETCH(QString, locale);
    QFETCH(QStringList, lines);
    const ListCollator collator{QLocale(locale)};
    struct Result {
        Counted lists;
        QStringList all; // every phrase: form, count and first word
        QStringList words;
    };
    auto count = [&](int pieces) {
        Result result;
        PhraseCounter counter(collator);
        counter.setPieces(pieces);
        result.lists = countWithEngine(counter, lines);
        const std::shared_ptr<const StringPool> words = counter.tokenizedWords();
        const std::vector<std::uint32_t> occurrences = counter.takeTokenizedWordCounts();
        for (std::size_t id = 0; id < occurrences.size(); ++id)
            if (occurrences[id])
                result.words << QString::fromStdString(std::string(words->view(qsizetype(id)))) +
                                    u'=' + QString::number(occurrences[id]);
        result.words.sort();
        PhraseCounter all(collator);
        all.setPieces(pieces);
        all.setKeepAll(true);
        all.countPhrases(makeLines(lines));
        for (int k = 2; k <= 4; ++k)
            all.forEachPhrase(k, [&](std::string_view form, std::uint64_t n, std::uint64_t first) {
                result.all << QStringLiteral("%1|%2|%3").arg(QString::fromStdString(std::string(form)))
                                  .arg(n)
                                  .arg(first);
            });
        result.all.sort();
        return result;
    };
    const Result one = count(1);
    const ReferenceAnalysis::Phrases reference = ReferenceAnalysis::countPhrases(lines, collator);
    compareCells(one.lists.phrases2, reference.phrases2, "one pass, 2 words");
    compareCells(one.lists.phrases4, reference.phrases4, "one pass, 4 words");
    for (int pieces = 2; pieces <= lines.size(); ++pieces) {
        const Result cut = count(pieces);
        const QString what = QStringLiteral("%1 pieces").arg(pieces);
        compareCells(cut.lists.phrases2, one.lists.phrases2, what + ", 2 words");
        compareCells(cut.lists.phrases3, one.lists.phrases3, what + ", 3 words");
        compareCells(cut.lists.phrases4, one.lists.phrases4, what + ", 4 words");
        QCOMPARE(cut.all, one.all);
        QCOMPARE(cut.words, one.words);
    }
}

QTEST_GUILESS_MAIN(TestPhraseCounter)
#include "tst_phrasecounter.moc"
