#include "analysis/engine/wordcharacterpresets.h"

#include <QTest>

using Preset = WordCharacterPresets::Preset;

namespace {

QString fromCodePoints(std::initializer_list<char32_t> codes) {
    QString s;
    for (char32_t c : codes)
        s += QChar(char16_t(c));
    return s;
}

const QString Upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString Lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString Digits = QStringLiteral("0123456789");
const QString Apostrophe = QStringLiteral("'");

QString frenchLetters() {
    return fromCodePoints({0x00C0, 0x00E0, 0x00C2, 0x00E2, 0x00C6, 0x00E6, 0x00C7, 0x00E7,
                           0x00C9, 0x00E9, 0x00C8, 0x00E8, 0x00CA, 0x00EA, 0x00CB, 0x00EB,
                           0x00CE, 0x00EE, 0x00CF, 0x00EF, 0x00D4, 0x00F4, 0x0152, 0x0153,
                           0x00D9, 0x00F9, 0x00DB, 0x00FB, 0x00DC, 0x00FC, 0x0178, 0x00FF});
}

QString turkishLetters() {
    return fromCodePoints({0x00C7, 0x00E7, 0x011F, 0x011E, 0x0131, 0x0130, 0x00F6, 0x00D6, 0x015F,
                           0x015E, 0x00FC, 0x00DC});
}

// Upper/lower pairs of the alphabet, Yo after Ie, and the hard sign, yeru and
// soft sign in lower case only.
QString russianLetters() {
    QString s;
    for (char16_t upper = 0x0410; upper <= 0x042F; ++upper) {
        const char16_t lower = upper + 0x20;
        if (upper < 0x042A || upper > 0x042C) s += QChar(upper);
        s += QChar(lower);
        if (upper == 0x0415) s += fromCodePoints({0x0401, 0x0451});
    }
    return s;
}

QString hebrewLetters() {
    QString s;
    for (char16_t c = 0x05D0; c <= 0x05EA; ++c)
        s += QChar(c);
    return s;
}

} // namespace

class TstWordCharacterPresets : public QObject {
    Q_OBJECT

private slots:
    void presetLines_data();
    void presetLines();
    void letterLineLengths_data();
    void letterLineLengths();
    void fromName_data();
    void fromName();
    void wordCharacters_data();
    void wordCharacters();
    void splitAndJoinedLinesAgree();
};

void TstWordCharacterPresets::presetLines_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("english") << int(WordCharacterPresets::English)
                             << QStringList{Upper, Lower, Digits, Apostrophe};
    QTest::newRow("french") << int(WordCharacterPresets::French)
                            << QStringList{Upper, Lower, frenchLetters(), Digits, Apostrophe};
    QTest::newRow("turkish") << int(WordCharacterPresets::Turkish)
                             << QStringList{Upper, Lower, turkishLetters(), Digits, Apostrophe};
    QTest::newRow("russian") << int(WordCharacterPresets::Russian)
                             << QStringList{russianLetters(), Digits};
    QTest::newRow("hebrew") << int(WordCharacterPresets::Hebrew)
                            << QStringList{hebrewLetters(), Digits};
}

void TstWordCharacterPresets::presetLines() {
    QFETCH(int, preset);
    QFETCH(QStringList, expected);
    const QStringList actual = WordCharacterPresets::lines(Preset(preset));
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        // Compared code point by code point so a failure names the first difference.
        const QString& a = actual.at(i);
        const QString& e = expected.at(i);
        for (qsizetype j = 0; j < qMin(a.size(), e.size()); ++j) {
            if (a.at(j) != e.at(j)) {
                QFAIL(qPrintable(QStringLiteral("line %1, position %2: U+%3 instead of U+%4")
                                     .arg(i)
                                     .arg(j)
                                     .arg(a.at(j).unicode(), 4, 16, QChar(u'0'))
                                     .arg(e.at(j).unicode(), 4, 16, QChar(u'0'))));
            }
        }
        QCOMPARE(a.size(), e.size());
    }
}

void TstWordCharacterPresets::letterLineLengths_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("length");
    QTest::newRow("french") << int(WordCharacterPresets::French) << 2 << 32;
    QTest::newRow("turkish") << int(WordCharacterPresets::Turkish) << 2 << 12;
    QTest::newRow("russian") << int(WordCharacterPresets::Russian) << 0 << 63;
    QTest::newRow("hebrew") << int(WordCharacterPresets::Hebrew) << 0 << 27;
}

void TstWordCharacterPresets::letterLineLengths() {
    QFETCH(int, preset);
    QFETCH(int, line);
    QFETCH(int, length);
    const QString letters = WordCharacterPresets::lines(Preset(preset)).value(line);
    QCOMPARE(letters.size(), length);
    // No letter twice, none outside the basic plane, none ASCII.
    QSet<QChar> seen;
    for (QChar c : letters) {
        QVERIFY(!c.isSurrogate());
        QVERIFY(c.unicode() > 0x7F);
        QVERIFY(!seen.contains(c));
        seen.insert(c);
    }
}

void TstWordCharacterPresets::fromName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("preset"); // -1: no preset
    QTest::newRow("english") << "english" << int(WordCharacterPresets::English);
    QTest::newRow("french") << "french" << int(WordCharacterPresets::French);
    QTest::newRow("turkish") << "turkish" << int(WordCharacterPresets::Turkish);
    QTest::newRow("russian") << "russian" << int(WordCharacterPresets::Russian);
    QTest::newRow("hebrew") << "hebrew" << int(WordCharacterPresets::Hebrew);
    QTest::newRow("capitalised") << "Hebrew" << int(WordCharacterPresets::Hebrew);
    QTest::newRow("unknown") << "german" << -1;
    QTest::newRow("prefix") << "eng" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TstWordCharacterPresets::fromName() {
    QFETCH(QString, name);
    QFETCH(int, preset);
    const auto found = WordCharacterPresets::fromName(name);
    QCOMPARE(found.has_value(), preset >= 0);
    if (found) {
        QCOMPARE(int(*found), preset);
        QCOMPARE(WordCharacterPresets::fromName(WordCharacterPresets::name(*found)), found);
    }
}

void TstWordCharacterPresets::wordCharacters_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("built-in set") << WordCharacterPresets::lines(WordCharacterPresets::English)
                                  << Upper + Lower + Digits + Apostrophe;
    QTest::newRow("no lines") << QStringList{} << QString();
    QTest::newRow("only empty lines") << QStringList{"", "", ""} << QString();
    QTest::newRow("empty lines contribute nothing") << QStringList{"", "ab", "", "c", ""} << "abc";
    QTest::newRow("line of blanks kept") << QStringList{"ab", "   ", "c"} << "ab   c";
    QTest::newRow("blanks around letters kept") << QStringList{" a\t", "b "} << " a\tb ";
    QTest::newRow("repeats kept") << QStringList{"aa", "a"} << "aaa";
    QTest::newRow("hebrew preset")
        << WordCharacterPresets::lines(WordCharacterPresets::Hebrew) << hebrewLetters() + Digits;
}

void TstWordCharacterPresets::wordCharacters() {
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    QCOMPARE(WordCharacterPresets::wordCharacters(lines), expected);
}

void TstWordCharacterPresets::splitAndJoinedLinesAgree() {
    const QStringList french = WordCharacterPresets::lines(WordCharacterPresets::French);
    QCOMPARE(WordCharacterPresets::wordCharacters(french),
             WordCharacterPresets::wordCharacters({french.join(QString())}));
    QCOMPARE(WordCharacterPresets::wordCharacters({"AB", "", "C"}),
             WordCharacterPresets::wordCharacters({"A", "BC"}));
}

QTEST_APPLESS_MAIN(TstWordCharacterPresets)
#include "tst_wordcharacterpresets.moc"
