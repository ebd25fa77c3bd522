#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <string_view>

// How phrases are cut into words, as the phrase counter, the concordance
// and the tool read them: a word ends at a delimiter, and a delimiter other
// than the space also closes the phrase window, so that no phrase runs
// across it.
namespace PhraseWords {

inline constexpr char16_t Delimiters[] = u" (),-.:;<=>?[]{}";
inline constexpr char16_t Breaks[] = u"(),-.:;<=>?[]{}";

namespace Detail {
constexpr std::array<bool, 128> asciiTable(std::u16string_view chars) {
    std::array<bool, 128> table{};
    for (char16_t c : chars)
        table[c] = true;
    return table;
}
inline constexpr auto DelimiterTable = asciiTable(Delimiters);
inline constexpr auto BreakTable = asciiTable(Breaks);
} // namespace Detail

// A UTF-16 unit, or a byte of UTF-8: every delimiter is ASCII.
constexpr bool isDelimiter(char16_t c) {
    return c < 128 && Detail::DelimiterTable[c];
}
constexpr bool isBreak(char16_t c) {
    return c < 128 && Detail::BreakTable[c];
}

// Removes the next word from the front of remainder; returns it and sets
// ending to the delimiter that ended it. An empty word means there is none
// left (remainder is then empty).
QString takeNextWord(QString& remainder, QChar* ending = nullptr);

} // namespace PhraseWords
