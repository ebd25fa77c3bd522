#pragma once

#include "analysis/engine/phrasetable.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class TextLines;
class ListCollator;

// Counts the 2-, 3- and 4-word phrases of a text and lists those that occur
// at least twice.
//
// Phrases that compare equal under list collation are one phrase, kept in the
// form in which it first occurred. Instead of keeping sorted tables of phrase
// texts, words are interned once and every phrase is hashed from per-word
// collation data, so the cost grows linearly with the text.
class PhraseCounter {
public:
    // Phrase tables that would need more memory than this are counted in
    // two passes, the first finding the phrases seen at least twice.
    static constexpr std::size_t DefaultDirectTableLimit = std::size_t(96) << 20;
    void setDirectTableLimit(std::size_t bytes);

    // The text is tokenized in this many pieces side by side; 0 (the
    // default) takes one a core for texts of some megabytes.
    void setPieces(int pieces);
    // About how many distinct words of how many bytes in all the next text
    // holds, where that is known: their room is taken at once instead of
    // growing by copies.
    void expectWords(std::size_t words, std::size_t bytes);

    explicit PhraseCounter(const ListCollator& collator);
    ~PhraseCounter();

    // Returns false when `cancel` was raised meanwhile (from any thread).
    bool countPhrases(const TextLines& lines, const std::atomic<bool>* cancel = nullptr);
    // Called on the counting thread once the text is split into words,
    // before the phrases are counted; from then on tokenizedWords() and
    // takeTokenizedWordCounts() may be called from another thread.
    void setTokenizedHandler(std::function<void()> handler);
    // Off, how often each word occurs is not counted, and
    // takeTokenizedWordCounts() gets none; on by default.
    void setTokenizedWordsWanted(bool on);
    // The words of the phrase split (the text cut at the delimiters, case
    // kept) by id, with small-letter forms that only name a class. Shared:
    // a caller may keep them after the counter has moved on.
    std::shared_ptr<const StringPool> tokenizedWords() const;
    // How often each of those words occurs, by id (0 for the forms that only
    // name a class), handed over: a second call gets none.
    std::vector<std::uint32_t> takeTokenizedWordCounts();
    // The phrases of `words` words (2, 3 or 4) that occur at least twice,
    // in list-collation order.
    PhraseTable showSummary(int words) const;
    // The same, handing the table over instead of copying it.
    PhraseTable takeSummary(int words);
    // Gives back the memory of the text's words and phrase positions, which
    // the summaries do not need; the tokenized words, forEachPhrase() and
    // word() see none from then on.
    void releaseText();

    // On, countPhrases() keeps every phrase, also those seen once, for
    // forEachPhrase(), and fills no summaries: texts that are counted
    // together (a corpus) add up phrases seen once in each.
    void setKeepAll(bool on);
    // After countPhrases() with keepAll on: each phrase of `words` words
    // once, in no particular order, with the form of its first occurrence,
    // its count and the index in the text's words of the first occurrence's
    // first word.
    using PhraseVisitor = std::function<void(std::string_view formUtf8, std::uint64_t count,
                                             std::uint64_t firstWord)>;
    void forEachPhrase(int words, const PhraseVisitor& visit) const;
    // How many phrases forEachPhrase() visits.
    std::size_t phraseCount(int words) const;
    // The same phrases with the ids of their form's words in place of its
    // text, which word() gives: a caller that adds up many texts then
    // handles each distinct word once.
    using PhraseWordsVisitor = std::function<void(const std::uint32_t* wordIds, std::uint64_t count,
                                                  std::uint64_t firstWord)>;
    void forEachPhraseWords(int words, const PhraseWordsVisitor& visit) const;
    // The words of the text last counted, by id.
    std::size_t wordCount() const;
    std::string_view word(std::uint32_t id) const;

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
