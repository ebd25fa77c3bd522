#pragma once

#include "analysis/engine/textlines.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class ListCollator;

// Every place where a counted item occurs, found by the rules that counted
// it, so that the number of hits equals the item's count in its table.
namespace Concordance {

enum class Kind {
    Character, // a row of the Character table: one UTF-16 code unit, ASCII upper-cased
    Word,      // a row of the Word table: trimmed and ASCII lower-cased
    Line,      // a row of the Line table: the line exactly
    Phrase,    // a row of a phrase table, or typed: 2 to 4 words by the phrase rules
};

struct Query {
    Kind kind = Kind::Word;
    QString text;
    // The count its table gives, when known, so that room for exactly that
    // many hits can be taken at once; 0 when not known.
    std::uint64_t expected = 0;
};

// What a typed text is, or why it cannot be looked up.
enum class TypedProblem {
    None,
    Empty,             // nothing but blanks
    NotWordCharacters, // one word by the phrase rules, but not a run of word characters
    TooManyWords,      // more than four words
    BreakInside,       // a phrase break between two of its words
};
struct TypedQuery {
    Query query;
    TypedProblem problem = TypedProblem::None;
};
// A word when the text, trimmed, is one run of word characters; a phrase
// when the phrase rules split it into 2 to 4 words with no break between
// them.
TypedQuery parseTyped(const QString& typed, const QString& wordCharacters);
// The typed text as parseTyped reads it: without characters up to U+0020 at
// either end.
QString trimmedTyped(const QString& typed);

// One occurrence: where it starts in the lines' pool (all lines back to
// back, without breaks), how many bytes it covers there (a phrase may run
// on into the next lines), and the line it starts in. 16 bytes.
struct Hit {
    std::uint64_t begin = 0;
    std::uint32_t length = 0;
    std::uint32_t line = 0;
    bool operator==(const Hit&) const = default;
};
static_assert(sizeof(Hit) == 16);

// Finds the hits of one query over the lines an analysis ran on, with the
// word characters and collation of that analysis. The lines must stay
// unchanged while the finder lives.
class Finder {
public:
    Finder(const TextLines& lines, const QString& wordCharacters, const ListCollator& collator);
    ~Finder();

    // Hands the hits to `take` in text order, in batches; returns false when
    // `cancel` was raised (or `take` returned false) before the end. The
    // first batch comes early, so that a window can show hits at once.
    using Take = std::function<bool(std::span<const Hit> hits)>;
    bool find(const Query& query, const Take& take, const std::atomic<bool>* cancel = nullptr);
    // All hits at once.
    std::vector<Hit> findAll(const Query& query);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

// A hit with the text around it: up to `width` code points on either side,
// line breaks shown as BreakMark, each break counting as one.
inline constexpr char16_t BreakMark = u'\u21B5';
inline constexpr int DefaultWidth = 40;
struct Context {
    QString left;
    QString item; // breaks inside a phrase shown as BreakMark too
    QString right;
    qsizetype lineNumber = 0; // from 1
};
Context contextOf(const TextLines& lines, const Hit& hit, int width);

// Orders for the hits: in the text, or by the item and then the first one,
// two or three words to its right or its left (by the phrase rules,
// compared by the tables' collation), ties kept in text order.
enum class Side { Position, Right, Left };
struct Order {
    Side side = Side::Position;
    int words = 1; // 1 to 3, for Right and Left
    bool operator==(const Order&) const = default;
};
// Sorts `hits` (found in text order) in place; false when cancelled, the
// hits then left in text order.
bool sortHits(std::vector<Hit>& hits, const TextLines& lines, const Order& order,
              const ListCollator& collator, const std::atomic<bool>* cancel = nullptr);

} // namespace Concordance
