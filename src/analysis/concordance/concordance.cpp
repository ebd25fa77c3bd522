#include "analysis/concordance/concordance.h"

#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasewords.h"
#include "text/wtf8.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <string_view>
#include <unordered_map>

namespace Concordance {

namespace {

using Bytes = const unsigned char*;

inline bool isLead(unsigned char b) {
    return (b & 0xC0) != 0x80;
}

inline unsigned char lowerAscii(unsigned char b) {
    return b >= 'A' && b <= 'Z' ? b + 32 : b;
}

QString lowerAscii(QString text) {
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return text;
}

// The words of a text by the phrase rules, each with the character that
// ended it.
struct PhraseWord {
    QString text;
    QChar ending;
};
std::vector<PhraseWord> phraseWords(const QString& text) {
    std::vector<PhraseWord> words;
    QString remainder = trimmedTyped(text);
    while (!remainder.isEmpty()) {
        remainder += u' ';
        QChar ending;
        const QString word = PhraseWords::takeNextWord(remainder, &ending);
        if (word.isEmpty()) break;
        words.push_back({word, ending});
    }
    return words;
}

// The trimmed part of a line, where the phrase rules find its words.
std::pair<std::size_t, std::size_t> trimmedSpan(std::string_view line) {
    std::size_t s = 0, e = line.size();
    while (s < e && static_cast<unsigned char>(line[s]) <= 0x20)
        ++s;
    while (e > s && static_cast<unsigned char>(line[e - 1]) <= 0x20)
        --e;
    return {s, e};
}

std::uint64_t startOf(const TextLines& lines, qsizetype line) {
    return lines.lineStart(line);
}

} // namespace

QString trimmedTyped(const QString& typed) {
    qsizetype s = 0, e = typed.size();
    while (s < e && typed[s].unicode() <= 0x20)
        ++s;
    while (e > s && typed[e - 1].unicode() <= 0x20)
        --e;
    return typed.mid(s, e - s);
}

TypedQuery parseTyped(const QString& typed, const QString& wordCharacters) {
    TypedQuery parsed;
    const QString text = trimmedTyped(typed);
    if (text.isEmpty()) {
        parsed.problem = TypedProblem::Empty;
        return parsed;
    }
    const bool oneRun = std::all_of(text.begin(), text.end(),
                                    [&](QChar c) { return wordCharacters.contains(c); });
    if (oneRun) {
        parsed.query = {Kind::Word, lowerAscii(text)};
        return parsed;
    }
    const std::vector<PhraseWord> words = phraseWords(text);
    if (words.size() < 2) {
        parsed.problem = TypedProblem::NotWordCharacters;
        return parsed;
    }
    if (words.size() > 4) {
        parsed.problem = TypedProblem::TooManyWords;
        return parsed;
    }
    QStringList joined;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i + 1 < words.size() && PhraseWords::isBreak(words[i].ending.unicode())) {
            parsed.problem = TypedProblem::BreakInside;
            return parsed;
        }
        joined << words[i].text;
    }
    parsed.query = {Kind::Phrase, joined.join(u' ')};
    return parsed;
}

class Finder::Impl {
public:
    Impl(const TextLines& l, const QString& wordCharacters, const ListCollator& c)
        : lines(l), collator(c), isWordUnit(0x10000, false) {
        for (QChar ch : wordCharacters) {
            isWordUnit[ch.unicode()] = true;
            surrogates |= ch.isSurrogate();
            lowUnits |= ch.unicode() <= 0x20;
        }
        for (int b = 0; b < 128; ++b)
            asciiWord[b] = isWordUnit[b];
    }

    bool find(const Query& query, const Take& take, const std::atomic<bool>* cancel);

private:
    // Gathers hits and hands them on in batches that grow, the first small
    // so that it comes soon.
    class Batches {
    public:
        Batches(const Take& take, const std::atomic<bool>* cancel) : take_(take), cancel_(cancel) {
            clock_.start();
            hits_.reserve(Largest);
        }
        bool add(const Hit& hit) {
            hits_.push_back(hit);
            return hits_.size() < limit_ || flush();
        }
        // Between lines: hands over what waits once a while has passed.
        bool pulse() {
            if (cancel_ && cancel_->load(std::memory_order_relaxed)) return false;
            return hits_.empty() || clock_.elapsed() < 50 || flush();
        }
        bool flush() {
            clock_.restart();
            if (hits_.empty()) return true;
            const bool more = take_(hits_);
            hits_.clear();
            limit_ = std::min(limit_ * 4, Largest);
            return more && !(cancel_ && cancel_->load(std::memory_order_relaxed));
        }

    private:
        static constexpr std::size_t Largest = 1 << 16;
        const Take& take_;
        const std::atomic<bool>* cancel_;
        std::vector<Hit> hits_;
        std::size_t limit_ = 64;
        QElapsedTimer clock_;
    };

    bool findCharacter(char16_t key, Batches& out);
    bool findWord(const std::string& key, Batches& out);
    bool findWordInUnits(const std::string& key, Batches& out);
    bool findLine(const std::string& key, Batches& out);
    bool findPhrase(const QString& phrase, Batches& out);

    // Lines visited between two pulses.
    static constexpr qsizetype Stride = 1024;

    const TextLines& lines;
    const ListCollator& collator;
    std::vector<bool> isWordUnit;
    std::array<bool, 128> asciiWord{};
    bool surrogates = false;
    bool lowUnits = false;
};

bool Finder::Impl::find(const Query& query, const Take& take, const std::atomic<bool>* cancel) {
    Batches out(take, cancel);
    bool whole = true;
    switch (query.kind) {
    case Kind::Character:
        if (query.text.size() != 1) return true;
        whole = findCharacter(query.text[0].unicode(), out);
        break;
    case Kind::Word: {
        std::string key;
        Wtf8::append(key, query.text);
        whole = surrogates ? findWordInUnits(key, out) : findWord(key, out);
        break;
    }
    case Kind::Line: {
        std::string key;
        Wtf8::append(key, query.text);
        whole = findLine(key, out);
        break;
    }
    case Kind::Phrase:
        whole = findPhrase(query.text, out);
        break;
    }
    return whole && out.flush();
}

// Each code unit counts as its ASCII capital: 'A' finds 'a' and 'A'; half of
// a surrogate pair finds every character that holds it, an unpaired one
// included.
bool Finder::Impl::findCharacter(char16_t key, Batches& out) {
    const qsizetype n = lines.count();
    const bool letter = key >= u'A' && key <= u'Z';
    const bool surrogate = key >= 0xD800 && key <= 0xDFFF;
    for (qsizetype i = 0; i < n; ++i) {
        if (i % Stride == 0 && !out.pulse()) return false;
        const std::string_view line = lines.lineBytes(i);
        const std::uint64_t base = startOf(lines, i);
        const auto* start = reinterpret_cast<Bytes>(line.data());
        const auto* end = start + line.size();
        if (key < 0x80) {
            for (const auto* p = start; p < end; ++p) {
                if (*p == key || (letter && *p == key + 32)) {
                    if (!out.add({base + std::uint64_t(p - start), 1, std::uint32_t(i)}))
                        return false;
                }
            }
            continue;
        }
        for (const auto* p = start; p < end;) {
            if (*p < 0x80) {
                ++p;
                continue;
            }
            const auto* at = p;
            const char32_t c = Wtf8::decodeAt(p);
            const bool found =
                c < 0x10000 ? c == key
                            : surrogate && (char16_t(0xD800 + ((c - 0x10000) >> 10)) == key ||
                                            char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)) == key);
            if (found && !out.add({base + std::uint64_t(at - start), std::uint32_t(p - at),
                                   std::uint32_t(i)}))
                return false;
        }
    }
    return true;
}

// A word is a run of word characters within a line, trimmed, found when it
// equals the key with its ASCII capitals lowered.
bool Finder::Impl::findWord(const std::string& key, Batches& out) {
    const qsizetype n = lines.count();
    const auto* keyBytes = reinterpret_cast<Bytes>(key.data());
    const std::size_t keyLength = key.size();
    if (keyLength == 0) return true;
    auto wordAt = [&](Bytes& q) {
        if (*q < 0x80) return bool(asciiWord[*q++]);
        const char32_t c = Wtf8::decodeAt(q);
        return c < 0x10000 && bool(isWordUnit[c]);
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (i % Stride == 0 && !out.pulse()) return false;
        const std::string_view line = lines.lineBytes(i);
        const std::uint64_t base = startOf(lines, i);
        const auto* start = reinterpret_cast<Bytes>(line.data());
        const auto* end = start + line.size();
        const auto* p = start;
        while (p < end) {
            while (p < end && *p < 0x80 && !asciiWord[*p])
                ++p;
            if (p == end) break;
            const auto* s = p;
            if (!wordAt(p)) continue;
            for (;;) {
                while (p < end && *p < 0x80 && asciiWord[*p])
                    ++p;
                if (p == end) break;
                const auto* at = p;
                if (!wordAt(p)) {
                    p = at;
                    break;
                }
            }
            const auto* e = p;
            if (lowUnits) {
                while (s < e && *s <= 0x20)
                    ++s;
                while (e > s && e[-1] <= 0x20)
                    --e;
            }
            if (std::size_t(e - s) != keyLength) continue;
            std::size_t k = 0;
            while (k < keyLength && lowerAscii(s[k]) == keyBytes[k])
                ++k;
            if (k == keyLength &&
                !out.add({base + std::uint64_t(s - start), std::uint32_t(e - s), std::uint32_t(i)}))
                return false;
        }
    }
    return true;
}

// The same where a word character is half of a surrogate pair: runs are
// found among code units, and a hit covers whole characters.
bool Finder::Impl::findWordInUnits(const std::string& key, Batches& out) {
    const qsizetype n = lines.count();
    std::u16string units;
    std::vector<std::uint32_t> byteAt; // of each unit, and the line's end
    std::string word;
    for (qsizetype i = 0; i < n; ++i) {
        if (i % Stride == 0 && !out.pulse()) return false;
        const std::string_view line = lines.lineBytes(i);
        if (line.empty()) continue;
        const std::uint64_t base = startOf(lines, i);
        units.clear();
        byteAt.clear();
        const auto* start = reinterpret_cast<Bytes>(line.data());
        for (const auto* p = start; p < start + line.size();) {
            const std::uint32_t at = std::uint32_t(p - start);
            const char32_t c = Wtf8::decodeAt(p);
            if (c < 0x10000) {
                units.push_back(char16_t(c));
                byteAt.push_back(at);
            } else {
                units.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
                units.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
                byteAt.push_back(at);
                byteAt.push_back(at);
            }
        }
        byteAt.push_back(std::uint32_t(line.size()));
        const std::size_t m = units.size();
        for (std::size_t k = 0; k < m;) {
            if (!isWordUnit[units[k]]) {
                ++k;
                continue;
            }
            std::size_t s = k, e = k;
            while (e < m && isWordUnit[units[e]])
                ++e;
            k = e;
            while (s < e && units[s] <= 0x20)
                ++s;
            while (e > s && units[e - 1] <= 0x20)
                --e;
            if (s == e) continue;
            word.clear();
            Wtf8::append(word, QStringView(units.data() + s, qsizetype(e - s)));
            if (word.size() != key.size()) continue;
            bool same = true;
            for (std::size_t b = 0; b < word.size() && same; ++b)
                same = lowerAscii(static_cast<unsigned char>(word[b])) ==
                       static_cast<unsigned char>(key[b]);
            if (!same) continue;
            // A run that ends inside a pair takes the whole character.
            std::size_t last = e;
            while (last < m && byteAt[last] == byteAt[e - 1])
                ++last;
            const std::uint32_t from = byteAt[s], to = byteAt[last];
            if (!out.add({base + from, to - from, std::uint32_t(i)})) return false;
        }
    }
    return true;
}

// A line equal to the key; a final empty line that only ends the text is
// no line.
bool Finder::Impl::findLine(const std::string& key, Batches& out) {
    qsizetype n = lines.count();
    if (n > 0 && !lines.trailingBreak() && lines.lineBytes(n - 1).empty()) --n;
    for (qsizetype i = 0; i < n; ++i) {
        if (i % Stride == 0 && !out.pulse()) return false;
        const std::string_view line = lines.lineBytes(i);
        if (line.size() == key.size() && line == key &&
            !out.add({startOf(lines, i), std::uint32_t(line.size()), std::uint32_t(i)}))
            return false;
    }
    return true;
}

// Phrases as the counter finds them: words by the delimiters within the
// trimmed lines, the window carried over line ends and emptied after a
// word that a break ends; a window of k words is a hit when its phrase
// collates equal to the query.
bool Finder::Impl::findPhrase(const QString& phrase, Batches& out) {
    const std::vector<PhraseWord> parts = phraseWords(phrase);
    const int k = int(parts.size());
    if (k < 2 || k > 4) return true;
    std::u16string queryPhrase;
    std::vector<std::string> queryWords;
    for (int j = 0; j < k; ++j) {
        if (j) queryPhrase += u' ';
        queryPhrase.append(reinterpret_cast<const char16_t*>(parts[std::size_t(j)].text.utf16()),
                           std::size_t(parts[std::size_t(j)].text.size()));
        std::string bytes;
        Wtf8::append(bytes, parts[std::size_t(j)].text);
        queryWords.push_back(std::move(bytes));
    }

    // Characters that collate as a space may make a phrase equal to one
    // whose words are split elsewhere: such words are always compared as
    // whole phrases.
    std::vector<std::int8_t> spaceLike(0x10000, -1);
    auto isSpaceLikeUnit = [&](char16_t u) {
        std::int8_t& known = spaceLike[u];
        if (known < 0) known = collator.compare16(std::u16string_view(&u, 1), u" ") == 0;
        return known == 1;
    };
    auto hasSpaceLike = [&](std::string_view bytes) {
        std::u16string units;
        Wtf8::appendUtf16(units, bytes);
        return std::any_of(units.begin(), units.end(), isSpaceLikeUnit);
    };
    bool querySpaceLike = false;
    for (const std::string& w : queryWords)
        querySpaceLike |= hasSpaceLike(w);

    // Each distinct word of the text is compared with the query's words
    // once; printable ASCII words need no collator where ASCII collates by
    // rank.
    const std::uint8_t* ranks = collator.asciiRanks();
    auto printableAscii = [](std::string_view bytes) {
        return std::all_of(bytes.begin(), bytes.end(),
                           [](char b) { return b > 0x20 && b < 0x7F; });
    };
    const bool asciiQuery = !querySpaceLike && std::all_of(queryWords.begin(), queryWords.end(),
                                                           printableAscii);
    constexpr std::uint8_t Maybe = 0x80; // compared only as a whole phrase
    std::unordered_map<std::string_view, std::uint8_t> known;
    auto maskOf = [&](std::string_view word) -> std::uint8_t {
        if (ranks && asciiQuery && printableAscii(word)) {
            // Such words collate equal exactly when they are equal with
            // their ASCII capitals lowered.
            std::uint8_t mask = 0;
            for (int j = 0; j < k; ++j) {
                const std::string& q = queryWords[std::size_t(j)];
                if (q.size() != word.size()) continue;
                bool same = true;
                for (std::size_t b = 0; b < q.size() && same; ++b)
                    same = lowerAscii(static_cast<unsigned char>(word[b])) ==
                           lowerAscii(static_cast<unsigned char>(q[b]));
                if (same) mask |= std::uint8_t(1 << j);
            }
            return mask;
        }
        const auto found = known.find(word);
        if (found != known.end()) return found->second;
        std::uint8_t mask = querySpaceLike || hasSpaceLike(word) ? Maybe : 0;
        for (int j = 0; j < k; ++j)
            if (collator.compareUtf8(word, queryWords[std::size_t(j)]) == 0)
                mask |= std::uint8_t(1 << j);
        known.emplace(word, mask);
        return mask;
    };

    struct Token {
        std::uint64_t begin;
        std::uint32_t length;
        std::uint32_t line;
        std::uint8_t mask;
    };
    Token window[4] = {};
    int held = 0; // words in the window, at most k
    std::u16string candidate, units;
    auto matches = [&] {
        bool maybe = false, all = true;
        for (int j = 0; j < k; ++j) {
            const std::uint8_t mask = window[4 - k + j].mask;
            maybe |= (mask & Maybe) != 0;
            all &= (mask & (1 << j)) != 0;
        }
        if (all && !maybe) return true;
        if (!maybe) return false;
        candidate.clear();
        const std::string_view text = lines.allBytes();
        for (int j = 0; j < k; ++j) {
            const Token& t = window[4 - k + j];
            if (j) candidate += u' ';
            Wtf8::appendUtf16(candidate, text.substr(std::size_t(t.begin), t.length));
        }
        return collator.compare16(candidate, queryPhrase) == 0;
    };

    const qsizetype n = lines.count();
    for (qsizetype i = 0; i < n; ++i) {
        if (i % Stride == 0 && !out.pulse()) return false;
        const std::string_view line = lines.lineBytes(i);
        const std::uint64_t base = startOf(lines, i);
        const auto [from, to] = trimmedSpan(line);
        const auto* start = reinterpret_cast<Bytes>(line.data());
        const auto* p = start + from;
        const auto* end = start + to;
        for (;;) {
            while (p < end && PhraseWords::isDelimiter(*p))
                ++p;
            if (p == end) break;
            const auto* s = p;
            while (p < end && !PhraseWords::isDelimiter(*p))
                ++p;
            const std::string_view word(reinterpret_cast<const char*>(s), std::size_t(p - s));
            const bool closes = p < end && PhraseWords::isBreak(*p);
            if (p < end) ++p;
            std::copy(window + 1, window + 4, window);
            window[3] = {base + std::uint64_t(s - start), std::uint32_t(word.size()),
                         std::uint32_t(i), maskOf(word)};
            if (held < k) ++held;
            if (held == k && matches()) {
                const Token& first = window[4 - k];
                const std::uint64_t stop = window[3].begin + window[3].length;
                if (!out.add({first.begin, std::uint32_t(stop - first.begin), first.line}))
                    return false;
            }
            if (closes) held = 0;
        }
    }
    return true;
}

Finder::Finder(const TextLines& lines, const QString& wordCharacters, const ListCollator& collator)
    : d(std::make_unique<Impl>(lines, wordCharacters, collator)) {}

Finder::~Finder() = default;

bool Finder::find(const Query& query, const Take& take, const std::atomic<bool>* cancel) {
    return d->find(query, take, cancel);
}

std::vector<Hit> Finder::findAll(const Query& query) {
    std::vector<Hit> hits;
    find(query, [&](std::span<const Hit> some) {
        hits.insert(hits.end(), some.begin(), some.end());
        return true;
    });
    return hits;
}

namespace {

// Appends the code points of bytes to out, ASCII and generalized UTF-8
// alike.
void appendText(QString& out, std::string_view bytes) {
    out += Wtf8::toQString(bytes);
}

// The last `width` code points of bytes (all of them when fewer), and how
// many were taken.
std::string_view lastPoints(std::string_view bytes, int width, int* taken) {
    std::size_t at = bytes.size();
    int points = 0;
    while (at > 0 && points < width) {
        --at;
        while (at > 0 && !isLead(static_cast<unsigned char>(bytes[at])))
            --at;
        ++points;
    }
    *taken = points;
    return bytes.substr(at);
}

std::string_view firstPoints(std::string_view bytes, int width, int* taken) {
    std::size_t at = 0;
    int points = 0;
    while (at < bytes.size() && points < width) {
        ++at;
        while (at < bytes.size() && !isLead(static_cast<unsigned char>(bytes[at])))
            ++at;
        ++points;
    }
    *taken = points;
    return bytes.substr(0, at);
}

// The line that holds the end of a hit, from the line it starts in: the
// first whose end is at or past it.
qsizetype endLine(const TextLines& lines, const Hit& hit) {
    const std::uint64_t stop = hit.begin + hit.length;
    qsizetype line = qsizetype(hit.line);
    while (line + 1 < lines.count() && startOf(lines, line) + lines.lineBytes(line).size() < stop)
        ++line;
    return line;
}

} // namespace

Context contextOf(const TextLines& lines, const Hit& hit, int width) {
    Context c;
    c.lineNumber = qsizetype(hit.line) + 1;
    const qsizetype first = qsizetype(hit.line);
    const qsizetype last = endLine(lines, hit);
    const std::uint64_t stop = hit.begin + hit.length;

    // The item, with a mark where it runs on into the next line.
    for (qsizetype line = first; line <= last; ++line) {
        const std::string_view bytes = lines.lineBytes(line);
        const std::uint64_t base = startOf(lines, line);
        const std::uint64_t from = std::max(hit.begin, base) - base;
        const std::uint64_t to = std::min<std::uint64_t>(stop, base + bytes.size()) - base;
        if (line > first) c.item += QChar(BreakMark);
        appendText(c.item, bytes.substr(std::size_t(from), std::size_t(to - from)));
    }

    // Before: back through the lines until `width` code points are taken.
    QStringList before;
    int left = width;
    for (qsizetype line = first; line >= 0 && left > 0; --line) {
        const std::string_view bytes = lines.lineBytes(line);
        const std::string_view part =
            line == first ? bytes.substr(0, std::size_t(hit.begin - startOf(lines, line))) : bytes;
        if (line < first) {
            before.prepend(QString(QChar(BreakMark)));
            if (--left == 0) break;
        }
        int taken = 0;
        before.prepend(Wtf8::toQString(lastPoints(part, left, &taken)));
        left -= taken;
    }
    c.left = before.join(QString());

    // After: on through the lines the same way.
    int right = width;
    for (qsizetype line = last; line < lines.count() && right > 0; ++line) {
        const std::string_view bytes = lines.lineBytes(line);
        const std::string_view part =
            line == last ? bytes.substr(std::size_t(stop - startOf(lines, line))) : bytes;
        if (line > last) {
            c.right += QChar(BreakMark);
            if (--right == 0) break;
        }
        int taken = 0;
        appendText(c.right, firstPoints(part, right, &taken));
        right -= taken;
    }
    return c;
}

namespace {

// Up to three words by the phrase rules on one side of a hit, nearest first,
// across line ends.
struct Neighbours {
    std::string_view words[3];
};

Neighbours wordsAfter(const TextLines& lines, const Hit& hit, int wanted) {
    Neighbours found;
    int got = 0;
    const std::uint64_t stop = hit.begin + hit.length;
    for (qsizetype line = endLine(lines, hit); line < lines.count() && got < wanted; ++line) {
        const std::string_view bytes = lines.lineBytes(line);
        const std::uint64_t base = startOf(lines, line);
        auto [from, to] = trimmedSpan(bytes);
        std::size_t p = std::max<std::uint64_t>(from, stop > base ? stop - base : 0);
        while (p < to && got < wanted) {
            while (p < to && PhraseWords::isDelimiter(static_cast<unsigned char>(bytes[p])))
                ++p;
            if (p >= to) break;
            const std::size_t s = p;
            while (p < to && !PhraseWords::isDelimiter(static_cast<unsigned char>(bytes[p])))
                ++p;
            found.words[got++] = bytes.substr(s, p - s);
        }
    }
    return found;
}

Neighbours wordsBefore(const TextLines& lines, const Hit& hit, int wanted) {
    Neighbours found;
    int got = 0;
    for (qsizetype line = qsizetype(hit.line); line >= 0 && got < wanted; --line) {
        const std::string_view bytes = lines.lineBytes(line);
        auto [from, to] = trimmedSpan(bytes);
        if (line == qsizetype(hit.line))
            to = std::min<std::size_t>(to, std::size_t(hit.begin - startOf(lines, line)));
        std::size_t p = to;
        while (p > from && got < wanted) {
            while (p > from && PhraseWords::isDelimiter(static_cast<unsigned char>(bytes[p - 1])))
                --p;
            if (p <= from) break;
            const std::size_t e = p;
            while (p > from && !PhraseWords::isDelimiter(static_cast<unsigned char>(bytes[p - 1])))
                --p;
            found.words[got++] = bytes.substr(p, e - p);
        }
    }
    return found;
}

// Ranks strings by collation: equal strings share a rank, and rank 0 is
// kept for no string at all.
class Ranks {
public:
    std::uint32_t idOf(std::string_view s) {
        if (s.empty()) return Missing;
        const auto [at, added] = ids_.emplace(s, std::uint32_t(strings_.size()));
        if (added) strings_.push_back(s);
        return at->second;
    }
    bool rank(const ListCollator& collator, const std::atomic<bool>* cancel) {
        const std::uint32_t n = std::uint32_t(strings_.size());
        std::vector<std::uint32_t> order =
            collator.sortedOrderOf(n, [&](std::uint32_t i) { return strings_[i]; });
        if (cancel && cancel->load()) return false;
        ranks_.assign(n, 0);
        std::uint32_t rank = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (i == 0 || collator.compareUtf8(strings_[order[i - 1]], strings_[order[i]]) != 0)
                ++rank;
            ranks_[order[i]] = rank;
        }
        return true;
    }
    std::uint32_t rankOf(std::uint32_t id) const { return id == Missing ? 0 : ranks_[id]; }
    std::size_t distinct() const { return strings_.size(); }

private:
    static constexpr std::uint32_t Missing = 0xFFFFFFFF;
    std::unordered_map<std::string_view, std::uint32_t> ids_;
    std::vector<std::string_view> strings_;
    std::vector<std::uint32_t> ranks_;
};

} // namespace

bool sortHits(std::vector<Hit>& hits, const TextLines& lines, const Order& order,
              const ListCollator& collator, const std::atomic<bool>* cancel) {
    const auto byPosition = [](const Hit& a, const Hit& b) { return a.begin < b.begin; };
    if (order.side == Side::Position) {
        std::sort(hits.begin(), hits.end(), byPosition);
        return true;
    }
    const int wanted = std::clamp(order.words, 1, 3);
    // Ties go by position: the hits are put in text order first.
    if (!std::is_sorted(hits.begin(), hits.end(), byPosition))
        std::sort(hits.begin(), hits.end(), byPosition);
    const std::size_t n = hits.size();
    struct Keyed {
        std::uint32_t key[4]; // the item's, then the words', ids and then ranks
    };
    std::vector<Keyed> keyed;
    keyed.reserve(n);
    Ranks itemRanks, wordRanks;
    // An item is compared as its text; one that runs over a line end, as
    // its lines joined with spaces.
    std::deque<std::string> joinedItems;
    const std::string_view text = lines.allBytes();
    for (std::size_t i = 0; i < n; ++i) {
        if ((i & 0xFFFF) == 0 && cancel && cancel->load()) return false;
        const Hit& h = hits[i];
        std::string_view item = text.substr(std::size_t(h.begin), h.length);
        const qsizetype last = endLine(lines, h);
        if (last > qsizetype(h.line)) {
            std::string joined;
            for (qsizetype line = qsizetype(h.line); line <= last; ++line) {
                const std::uint64_t base = startOf(lines, line);
                const std::uint64_t from = std::max(h.begin, base);
                const std::uint64_t to = std::min<std::uint64_t>(h.begin + h.length,
                                                                 base + lines.lineBytes(line).size());
                if (line > qsizetype(h.line)) joined += ' ';
                joined.append(text.substr(std::size_t(from), std::size_t(to - from)));
            }
            item = joinedItems.emplace_back(std::move(joined));
        }
        const Neighbours near = order.side == Side::Right ? wordsAfter(lines, h, wanted)
                                                          : wordsBefore(lines, h, wanted);
        keyed.push_back({{itemRanks.idOf(item), wordRanks.idOf(near.words[0]),
                          wordRanks.idOf(near.words[1]), wordRanks.idOf(near.words[2])}});
    }
    if (!itemRanks.rank(collator, cancel) || !wordRanks.rank(collator, cancel)) return false;
    for (Keyed& k : keyed) {
        k.key[0] = itemRanks.rankOf(k.key[0]);
        for (int w = 1; w < 4; ++w)
            k.key[w] = wordRanks.rankOf(k.key[w]);
    }
    if (cancel && cancel->load()) return false;
    // Ranks are dense, so the keys are sorted least significant first, each
    // pass a stable counting sort: ties keep text order.
    std::vector<std::uint32_t> sequence(n), spare(n);
    for (std::size_t i = 0; i < n; ++i)
        sequence[i] = std::uint32_t(i);
    std::vector<std::uint32_t> starts;
    for (int w = 3; w >= 0; --w) {
        std::uint32_t top = 0;
        for (const Keyed& k : keyed)
            top = std::max(top, k.key[w]);
        if (top == 0 || (w == 0 && itemRanks.distinct() <= 1)) continue;
        starts.assign(std::size_t(top) + 2, 0);
        for (const Keyed& k : keyed)
            ++starts[k.key[w] + 1];
        for (std::size_t r = 1; r < starts.size(); ++r)
            starts[r] += starts[r - 1];
        for (const std::uint32_t i : sequence)
            spare[starts[keyed[i].key[w]]++] = i;
        sequence.swap(spare);
        if (cancel && cancel->load()) return false;
    }
    std::vector<Hit> sorted;
    sorted.reserve(n);
    for (const std::uint32_t i : sequence)
        sorted.push_back(hits[i]);
    hits.swap(sorted);
    return true;
}

} // namespace Concordance
