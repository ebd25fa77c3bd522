#include "analysis/engine/analysisrun.h"
#include "analysis/engine/phrasecounter.h"
#include "analysis/engine/textlines.h"
#include "referenceanalysis.h"

#include <QRandomGenerator>
#include <QtTest>

using Cells = ReferenceAnalysis::Cells;
using Results = ReferenceAnalysis::Results;

namespace {

const QString English =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");

QString lone(char16_t u) {
    return QString(QChar(u));
}

// Small vocabularies make phrases and lines repeat; the odd entries are the
// ones where collation and code units disagree.
QStringList vocabulary() {
    return {QStringLiteral("the"),
            QStringLiteral("The"),
            QStringLiteral("THE"),
            QStringLiteral("cat"),
            QStringLiteral("Cat"),
            QStringLiteral("sat"),
            QStringLiteral("a"),
            QStringLiteral("A"),
            QStringLiteral("b"),
            QStringLiteral("c"),
            QStringLiteral("caf\u00E9"),
            QStringLiteral("CAF\u00C9"),
            QStringLiteral("cafe\u0301"),
            QStringLiteral("\u00E9t\u00E9"),
            QStringLiteral("\u00C9t\u00E9"),
            QStringLiteral("resume"),
            QStringLiteral("r\u00E9sum\u00E9"),
            QStringLiteral("кот"),
            QStringLiteral("Кот"),
            QStringLiteral("КОТ"),
            QStringLiteral("мир"),
            QStringLiteral("שלום"),
            QStringLiteral("עולם"),
            QStringLiteral("a\u00A0b"),
            QStringLiteral("b\u00A0c"),
            QStringLiteral("don't"),
            QStringLiteral("Hello!"),
            QStringLiteral("\u2014"),
            QStringLiteral("\u201CHi\u201D"),
            QStringLiteral("Stra\u00DFe"),
            QStringLiteral("\u00E4"),
            QStringLiteral("\u00C4"),
            QStringLiteral("ae"),
            QStringLiteral("123"),
            QStringLiteral("a\tb"),
            QStringLiteral("x\x01"),
            QStringLiteral("\x01"),
            QStringLiteral("😀"),
            QStringLiteral("x😀"),
            lone(0xD800),
            lone(0xDC00) + QStringLiteral("z"),
            QStringLiteral("\uFFFD"),
            QStringLiteral("a\u3000b"),
            QStringLiteral("\uFB01x"),
            QStringLiteral("fix"),
            QStringLiteral("\u306D\u3053"),
            QStringLiteral("\u30CD\u30B3"),
            QStringLiteral("a\uFE00"),
            QStringLiteral("a\U000E0001")};
}

// Drawn more often, so that phrases repeat in collation-equal variants.
QStringList coreWords() {
    return {QStringLiteral("the"),      QStringLiteral("The"),       QStringLiteral("cat"),
            QStringLiteral("a"),        QStringLiteral("b"),         QStringLiteral("c"),
            QStringLiteral("a\u00A0b"), QStringLiteral("b\u00A0c"),  QStringLiteral("кот"),
            QStringLiteral("Кот"),      QStringLiteral("caf\u00E9"), QStringLiteral("cafe\u0301"),
            QStringLiteral("x\x01")};
}

QStringList separators() {
    return {QStringLiteral(" "),      QStringLiteral(" "),        QStringLiteral(" "),
            QStringLiteral(" "),      QStringLiteral("  "),       QStringLiteral("\t"),
            QStringLiteral(", "),     QStringLiteral(". "),       QStringLiteral("-"),
            QStringLiteral("; "),     QStringLiteral(" ("),       QStringLiteral(") "),
            QStringLiteral("? "),     QStringLiteral("! "),       QStringLiteral(" ... "),
            QStringLiteral(":"),      QStringLiteral("["),        QStringLiteral("]"),
            QStringLiteral("{"),      QStringLiteral("}"),        QStringLiteral("<"),
            QStringLiteral("="),      QStringLiteral(">"),        QStringLiteral("\u00A0"),
            QStringLiteral("\u2002"), QStringLiteral(" \u2014 "), QStringLiteral(" . "),
            QStringLiteral("/")};
}

QStringList asciiSeparators() {
    return {
        QStringLiteral(" "),  QStringLiteral(" "),  QStringLiteral(" "),   QStringLiteral("  "),
        QStringLiteral(", "), QStringLiteral(". "), QStringLiteral("-"),   QStringLiteral("; "),
        QStringLiteral(" ("), QStringLiteral(") "), QStringLiteral("? "),  QStringLiteral("! "),
        QStringLiteral(":"),  QStringLiteral("["),  QStringLiteral("="),   QStringLiteral("/"),
        QStringLiteral("|"),  QStringLiteral("@"),  QStringLiteral(" ^ "), QStringLiteral("\"")};
}

// Words where ASCII letter case is more than a tertiary difference: the
// Turkish and Azerbaijani i, Danish and Norwegian "aa" against "aA", and
// Lithuanian i before accents.
QStringList caseSensitiveWords() {
    return {QStringLiteral("in"),      QStringLiteral("IN"),      QStringLiteral("\u0131n"),
            QStringLiteral("\u0130N"), QStringLiteral("\u0130n"), QStringLiteral("In"),
            QStringLiteral("I"),       QStringLiteral("i"),       QStringLiteral("\u0131"),
            QStringLiteral("\u0130"),  QStringLiteral("i\u0307"), QStringLiteral("I\u0307"),
            QStringLiteral("aa"),      QStringLiteral("Aa"),      QStringLiteral("AA"),
            QStringLiteral("aA"),      QStringLiteral("\u00E5"),  QStringLiteral("\u00C5"),
            QStringLiteral("baad"),    QStringLiteral("BAAD"),    QStringLiteral("baAd"),
            QStringLiteral("i\u0301"), QStringLiteral("I\u0301")};
}

// Printable ASCII alone, where the engine ranks characters instead of asking
// the collator; the extra words collate equal to ASCII words without being
// ASCII themselves.
QStringList asciiWords() {
    return {QStringLiteral("the"), QStringLiteral("The"),   QStringLiteral("THE"),
            QStringLiteral("cat"), QStringLiteral("Cat"),   QStringLiteral("CAT"),
            QStringLiteral("a"),   QStringLiteral("A"),     QStringLiteral("b"),
            QStringLiteral("c"),   QStringLiteral("don't"), QStringLiteral("Hello!"),
            QStringLiteral("123"), QStringLiteral("fix"),   QStringLiteral("FIX"),
            QStringLiteral("ae"),  QStringLiteral("a~b"),   QStringLiteral("#1"),
            QStringLiteral("`x"),  QStringLiteral("x"),     QStringLiteral("resume"),
            QStringLiteral("zz"),  QStringLiteral("ab_c"),  QStringLiteral("12ab")};
}

QStringList asciiLookalikes() {
    return {QStringLiteral("\uFB01x"), QStringLiteral("\uFF41"), QStringLiteral("x\x01"),
            QStringLiteral("a\U000E0001"), QStringLiteral("\uFF34\uFF28\uFF25")};
}

class TextGenerator {
public:
    // `extra` words join both lists, drawn as often as the core words.
    explicit TextGenerator(quint32 seed, const QStringList& extra = {}, bool ascii = false)
        : random_(seed), vocabulary_((ascii ? asciiWords() : vocabulary()) + extra),
          core_((ascii ? asciiWords().mid(0, 10) : coreWords()) + extra),
          separators_(ascii ? asciiSeparators() : separators()), ascii_(ascii) {}

    QStringList lines(int count, int maxWords) {
        QStringList result;
        for (int i = 0; i < count; ++i)
            result << line(result, maxWords);
        return result;
    }

private:
    QString pick(const QStringList& list) { return list[random_.bounded(int(list.size()))]; }
    bool chance(int percent) { return random_.bounded(100) < percent; }

    QString line(const QStringList& earlier, int maxWords) {
        const int kind = random_.bounded(100);
        if (kind < 8) return QString();
        if (kind < 12) return QStringLiteral("   ");
        if (kind < 15) return ascii_ ? QStringLiteral(" , ") : QStringLiteral("\t \t");
        if (kind < 35 && !earlier.isEmpty()) return variant(pick(earlier));
        QString text;
        if (chance(15)) text += chance(50) || ascii_ ? QStringLiteral(" ") : QStringLiteral("\t");
        const int words = 1 + random_.bounded(maxWords);
        for (int w = 0; w < words; ++w) {
            if (w > 0) text += pick(separators_);
            text += pick(chance(50) ? core_ : vocabulary_);
        }
        if (chance(30))
            text += pick({QStringLiteral(" "), QStringLiteral("."), QStringLiteral(","),
                          ascii_ ? QStringLiteral("!") : QStringLiteral("\t"), QStringLiteral("?"),
                          QStringLiteral(" ,")});
        return text;
    }

    // An earlier line again, or one that collation may find equal to it.
    QString variant(QString line) {
        switch (random_.bounded(ascii_ ? 2 : 5)) {
        case 0:
            return ReferenceAnalysis::upperAscii(line);
        case 1: {
            const qsizetype space =
                line.indexOf(QLatin1Char(' '), random_.bounded(line.size() + 1));
            if (space >= 0) line[space] = QChar(0x00A0);
            return line;
        }
        case 2:
            return line.replace(QChar(0x00A0), QLatin1Char(' '));
        case 3:
            return line.replace(QStringLiteral("\u00E9"), QStringLiteral("e\u0301"));
        default:
            return line;
        }
    }

    QRandomGenerator random_;
    const QStringList vocabulary_;
    const QStringList core_;
    const QStringList separators_;
    const bool ascii_;
};

QString describe(const QStringList& lines) {
    QStringList escaped;
    for (const QString& line : lines)
        escaped << ReferenceAnalysis::escaped(line);
    QString text = escaped.join(QStringLiteral(" | "));
    if (text.size() > 2000) text = text.left(2000) + QStringLiteral("...");
    return text;
}

} // namespace

class TestEngineEquivalence : public QObject {
    Q_OBJECT

private slots:
    void generatedTexts_data();
    void generatedTexts();
};

void TestEngineEquivalence::generatedTexts_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("maxWords");
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("trailingBreak");
    QTest::addColumn<bool>("twoPasses");
    QTest::addColumn<bool>("extraWords"); // case-sensitive words, or for ASCII texts look-alikes
    QTest::addColumn<bool>("ascii");

    const QString wide = English +
                         QStringLiteral("ÀàÂâÆæÇçÉéÈèÊêËëÎîÏïÔôŒœÙùÛûÜüŸÿ"
                                        "АаБбВвГгДдЕеЁёЖжЗзИиЙйКкЛлМмНнОоПпРрСсТтУуФф"
                                        "ХхЦцЧчШшЩщъыьЭэЮюЯяאבגדהוזחטיךכלםמןנסעףפץצקרשת"
                                        "\u00DF\u00E4\u00C4\u0301\u00A0\x01😀") +
                         lone(0xD800);
    // Letters alone, none of them a phrase delimiter: words are counted from
    // the phrase counter's words.
    const QString letters =
        English + QStringLiteral("ÀàÉéèÇçÜüАаКкОоТтИиРр\u00DF\u00E4\u00C4\u0301שלום");
    const QList<std::pair<const char*, QString>> sets{{"English", English},
                                                      {"with space", English + " "},
                                                      {"with tab", English + "\t"},
                                                      {"wide", wide},
                                                      {"letters", letters}};
    // sv_SE sorts "ä" after "z", so a collator on the wrong locale shows.
    const QList<QLocale> locales{QLocale(QLocale::English, QLocale::UnitedStates),
                                 QLocale(QLocale::German, QLocale::Germany),
                                 QLocale(QLocale::Swedish, QLocale::Sweden)};

    for (const auto& [name, characters] : sets) {
        for (quint32 seed = 1; seed <= 10; ++seed) {
            QTest::addRow("%s, seed %u", name, seed)
                << seed << 1 + int(seed * 7 % 25) << 12 << characters
                << locales[seed % locales.size()] << bool(seed % 2) << false << false << false;
        }
    }
    // Many short lines step through every progress percentage.
    for (quint32 seed = 101; seed <= 103; ++seed) {
        QTest::addRow("many lines, seed %u", seed)
            << seed << 150 << 3 << sets[seed % sets.size()].second << locales[seed % locales.size()]
            << bool(seed % 2) << false << false << false;
    }
    // Large texts count phrases in two passes over hash-split halves; a
    // zero table limit takes that path on small texts too.
    for (const auto& [name, characters] : sets) {
        for (quint32 seed = 201; seed <= 205; ++seed) {
            QTest::addRow("%s, two passes, seed %u", name, seed)
                << seed << 5 + int(seed * 7 % 25) << 12 << characters
                << locales[seed % locales.size()] << bool(seed % 2) << true << false << false;
        }
    }

    // Locales whose collators tell apart words that differ in ASCII case.
    const QList<QLocale> caseLocales{
        QLocale(QLocale::Turkish, QLocale::Turkey),
        QLocale(QLocale::Azerbaijani, QLocale::LatinScript, QLocale::Azerbaijan),
        QLocale(QLocale::Danish, QLocale::Denmark),
        QLocale(QLocale::NorwegianBokmal, QLocale::Norway),
        QLocale(QLocale::Lithuanian, QLocale::Lithuania)};
    const QString caseCharacters =
        English + QStringLiteral("\u0131\u0130\u00E5\u00C5\u0307\u00E9\u00C9\u0301\u00A0");
    for (quint32 seed = 301; seed <= 315; ++seed) {
        const QLocale& locale = caseLocales[seed % caseLocales.size()];
        QTest::addRow("%s, seed %u", qPrintable(locale.name()), seed)
            << seed << 5 + int(seed * 7 % 25) << 12 << caseCharacters << locale << bool(seed % 2)
            << bool(seed / 5 % 2) << true << false;
    }

    // Printable ASCII texts, some with words that only collate like ASCII,
    // under collators that rank ASCII and under those that cannot.
    const QList<QLocale> asciiLocales{QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::Swedish, QLocale::Sweden),
                                      QLocale(QLocale::Russian, QLocale::Russia),
                                      QLocale(QLocale::Turkish, QLocale::Turkey),
                                      QLocale(QLocale::Danish, QLocale::Denmark)};
    const QStringList asciiSets{English, English + QStringLiteral(" "),
                                English + QStringLiteral("!#~`_@|^\"")};
    for (quint32 seed = 401; seed <= 418; ++seed) {
        QTest::addRow("ASCII, %s, seed %u", qPrintable(asciiLocales[seed % 6].name()), seed)
            << seed << 5 + int(seed * 7 % 25) << 12 << asciiSets[seed % 3] << asciiLocales[seed % 6]
            << bool(seed % 2) << bool(seed / 3 % 2) << bool(seed % 4 == 0) << true;
    }
}

void TestEngineEquivalence::generatedTexts() {
    QFETCH(quint32, seed);
    QFETCH(int, lineCount);
    QFETCH(int, maxWords);
    QFETCH(QString, wordCharacters);
    QFETCH(QLocale, locale);
    QFETCH(bool, trailingBreak);
    QFETCH(bool, twoPasses);
    QFETCH(bool, extraWords);
    QFETCH(bool, ascii);
    QLocale::setDefault(locale);
    AnalysisTuning tuning;
    // Without room for any direct table every length takes two passes; with
    // a little room, the longer phrases of a text are often few enough to be
    // counted directly below the repeated shorter ones.
    if (twoPasses) tuning.directTableLimit = seed % 3 ? 0 : 2560;
    // The text is tokenized in one to four pieces, cut at line starts, and
    // the words are scanned from the lines or cut from the phrase words.
    tuning.tokenizerPieces = int(1 + seed % 4);
    tuning.wordSource = seed / 4 % 2 ? AnalysisTuning::WordSource::PhraseWords
                                     : AnalysisTuning::WordSource::Lines;

    const QStringList lines =
        TextGenerator(
            seed, extraWords ? (ascii ? asciiLookalikes() : caseSensitiveWords()) : QStringList(),
            ascii)
            .lines(lineCount, maxWords);
    TextLines analyzeLines;
    analyzeLines.append(lines);
    analyzeLines.setTrailingBreak(trailingBreak);

    const Results engine =
        ReferenceAnalysis::runEngine(analyzeLines, wordCharacters, locale, tuning);
    const Results reference =
        ReferenceAnalysis::analyze(lines, trailingBreak, wordCharacters, locale);

    const QList<std::tuple<const char*, const Cells*, const Cells*>> tables{
        {"overview", &engine.overview, &reference.overview},
        {"characters", &engine.characters, &reference.characters},
        {"words", &engine.words, &reference.words},
        {"lines", &engine.lines, &reference.lines},
        {"2-word phrases", &engine.phrases2, &reference.phrases2},
        {"3-word phrases", &engine.phrases3, &reference.phrases3},
        {"4-word phrases", &engine.phrases4, &reference.phrases4}};
    for (const auto& [name, actual, expected] : tables) {
        const QString difference = ReferenceAnalysis::firstDifference(*actual, *expected);
        QVERIFY2(difference.isEmpty(), qPrintable(QString::fromLatin1(name) + ": " + difference +
                                                  "\ntext: " + describe(lines)));
    }
    QCOMPARE(engine.statuses, reference.statuses);
    QCOMPARE(engine.noWords, reference.noWords);
    QCOMPARE(engine.noWordsMessage, reference.noWordsMessage);
}

QTEST_GUILESS_MAIN(TestEngineEquivalence)
#include "tst_engineequivalence.moc"
