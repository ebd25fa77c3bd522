#include "analysis/engine/phrasecounter.h"

#include "analysis/engine/analysiserror.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasewords.h"
#include "analysis/engine/stringindex.h"
#include "analysis/engine/textlines.h"
#include "text/hugepages.h"
#include "text/sidethread.h"
#include "text/wtf8.h"

#include <unicode/ucoleitr.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::uint32_t IdMask = (1u << 30) - 1;
// The most words the phrase stream holds, one 32-bit entry each.
constexpr qint64 WordsMost = 0xFFFFFFFF;
// A word class with this bit holds a character that collates like the space
// between words; see Impl::count.
constexpr std::uint32_t SpaceLike = 1u << 31;
// A word class with this bit is the id of a printable ASCII word in small
// letters, which stands for its class where the collator ranks ASCII.
constexpr std::uint32_t AsciiClass = 1u << 30;
// The text is tokenized in pieces side by side, one a core, each piece at
// least this long; a set count of pieces overrides it.
constexpr std::size_t PieceBytes = std::size_t(4) << 20;

// Estimates the number of distinct values among many 64-bit hashes.
class DistinctEstimate {
public:
    void add(std::uint64_t h) {
        const std::uint32_t r = std::uint32_t(h >> (64 - Bits));
        const auto rank =
            std::uint8_t(std::countl_zero((h << Bits) | (std::uint64_t(1) << (Bits - 1))) + 1);
        if (rank > registers_[r]) registers_[r] = rank;
    }
    // Afterwards the estimate is that of both streams of hashes together.
    void merge(const DistinctEstimate& other) {
        for (std::size_t i = 0; i < registers_.size(); ++i)
            registers_[i] = std::max(registers_[i], other.registers_[i]);
    }
    double value() const {
        constexpr double m = double(1u << Bits);
        double sum = 0;
        int zeros = 0;
        for (std::uint8_t r : registers_) {
            sum += std::ldexp(1.0, -int(r));
            zeros += r == 0;
        }
        const double raw = 0.7213 / (1 + 1.079 / m) * m * m / sum;
        if (raw <= 2.5 * m && zeros) return m * std::log(m / zeros);
        return raw;
    }

private:
    static constexpr int Bits = 12;
    std::array<std::uint8_t, 1u << Bits> registers_{};
};

// Polynomial hashes of a phrase's primary and secondary collation weights.
// Hashes of concatenations compose, so two phrases that collate equal hash
// equal however their weights are split between the words.
constexpr std::uint64_t BaseP = 0x9E3779B97F4A7C15ULL | 1;
constexpr std::uint64_t BaseS = 0xC2B2AE3D27D4EB4FULL | 1;

struct Weights {
    std::uint64_t hp = 0, pp = 1; // primary hash, BaseP^(number of weights)
    std::uint64_t hs = 0, ps = 1; // secondary hash and power
};

inline std::uint64_t mix(std::uint64_t a, std::uint64_t b) {
    std::uint64_t h =
        a * 0xBF58476D1CE4E5B9ULL ^ (b + 0x94D049BB133111EBULL) * 0xD6E8FEB86659FD93ULL;
    h ^= h >> 31;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 29;
    return h;
}

// One distinct sequence of word classes. Words with equal sort keys share a
// class, so equal tuples are equal phrases.
template <int K> struct Entry {
    std::uint32_t cls[K];
    std::uint32_t pos;   // stream position of the first occurrence's last word
    std::uint32_t count; // 0: empty slot
};

template <int K> inline std::uint64_t tupleHash(const std::uint32_t* cls) {
    std::uint64_t h = 0x2545F4914F6CDD1DULL;
    for (int t = 0; t < K; ++t)
        h = (h ^ cls[t]) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    h ^= h >> 29;
    return h;
}

// Sets the bit of a stream position.
inline void markPosition(std::uint64_t* bits, std::uint32_t pos) {
    bits[pos >> 6] |= std::uint64_t(1) << (pos & 63);
}

inline bool hasSpaceLike(const std::uint32_t* cls, int k) {
    std::uint32_t any = 0;
    for (int t = 0; t < k; ++t)
        any |= cls[t];
    return (any & SpaceLike) != 0;
}

// Open addressing over phrase tuples, at most 70 % full.
template <int K> struct TupleTable {
    using E = Entry<K>;
    std::vector<E, HugePages::Allocator<E>> entries;
    std::size_t mask = 0, used = 0;

    explicit TupleTable(std::size_t size = std::size_t(1) << 12)
        : entries(size, E{}), mask(size - 1) {}
    void prefetch(std::uint64_t h) const { __builtin_prefetch(&entries[std::size_t(h) & mask]); }
    // Room for this many more tuples without a move of the table.
    void makeRoom(std::size_t more) {
        while ((used + more) * 10 > entries.size() * 7)
            grow();
    }
    // The tuple's entry; a new one has a count of zero.
    E& entry(const E& key, std::uint64_t h) {
        std::size_t i = std::size_t(h) & mask;
        for (;;) {
            E& e = entries[i];
            if (e.count == 0) {
                e = key;
                e.count = 0;
                ++used;
                return e;
            }
            if (std::memcmp(e.cls, key.cls, sizeof key.cls) == 0) return e;
            i = (i + 1) & mask;
        }
    }

private:
    void grow() {
        std::vector<E, HugePages::Allocator<E>> bigger(entries.size() * 2, E{});
        const std::size_t m = bigger.size() - 1;
        for (const E& e : entries) {
            if (!e.count) continue;
            std::size_t i = std::size_t(tupleHash<K>(e.cls)) & m;
            while (bigger[i].count)
                i = (i + 1) & m;
            bigger[i] = e;
        }
        entries.swap(bigger);
        mask = m;
    }
};

// Counts hashes of phrases up to two, in two two-bit counters picked by
// different bits of a hash: a phrase whose counters both reached two may
// repeat, any other occurs once. Both counters lie in one 64-byte block, so
// a phrase costs one cache line.
class SeenTwice {
public:
    explicit SeenTwice(double distinct) {
        const int bitsLog = std::clamp(int(std::bit_width(std::uint64_t(distinct) * 8)), 16, 32);
        blockShift_ = 64 - (bitsLog - 8); // blocks of 256 counters
        words_ = (std::size_t(1) << bitsLog) / 32;
        storage_.assign(words_ + 8, 0);
        seen_ = reinterpret_cast<std::uint64_t*>(
            (reinterpret_cast<std::uintptr_t>(storage_.data()) + 63) & ~std::uintptr_t(63));
    }
    SeenTwice(SeenTwice&&) = default;
    SeenTwice& operator=(SeenTwice&&) = default;
    SeenTwice(const SeenTwice&) = delete;
    SeenTwice& operator=(const SeenTwice&) = delete;

    void slotsOf(std::uint64_t h, std::uint64_t& first, std::uint64_t& second) const {
        const std::uint64_t block = (h >> blockShift_) << 8;
        first = block | (h & 255);
        second = block | ((h >> 8) & 255);
    }
    void prefetch(std::uint64_t slot) const { __builtin_prefetch(&seen_[slot >> 5]); }
    void bump(std::uint64_t slot) {
        if (counter(slot) < 2) seen_[slot >> 5] += std::uint64_t(1) << (int(slot & 31) * 2);
    }
    bool twice(std::uint64_t first, std::uint64_t second) const {
        return counter(first) == 2 && counter(second) == 2;
    }
    // Adds the counts of another text's hashes, sized alike.
    void add(const SeenTwice& other) {
        constexpr std::uint64_t High = 0xAAAAAAAAAAAAAAAAULL, Low = High >> 1;
        for (std::size_t i = 0; i < words_; ++i) {
            const std::uint64_t a = seen_[i], b = other.seen_[i];
            const std::uint64_t two = ((a | b) & High) | ((a & b & Low) << 1);
            seen_[i] = two | ((a | b) & Low & ~(two >> 1));
        }
    }

private:
    std::uint64_t counter(std::uint64_t slot) const {
        return (seen_[slot >> 5] >> (int(slot & 31) * 2)) & 3;
    }
    std::vector<std::uint64_t, HugePages::Allocator<std::uint64_t>> storage_;
    std::uint64_t* seen_ = nullptr;
    std::size_t words_ = 0;
    int blockShift_ = 0;
};

} // namespace

class PhraseCounter::Impl {
public:
    explicit Impl(const ListCollator& c) : coll(c) {
        // Allocations come first: nothing may throw once the elements are
        // open, as the destructor would not close them.
        spaceLikeUnit.assign(0x10000, Unknown);
        lowerAsciiShortcut = coll.lowerAsciiKeepsKeys();
        asciiRanks = coll.asciiRanks();
        u16.reserve(16);
        asciiWeights.reserve(128);
        UErrorCode status = U_ZERO_ERROR;
        static const UChar blank[] = {u' '};
        elements = ucol_openElements(coll.handle(), blank, 1, &status);
        if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
        if (U_FAILURE(status)) throw AnalysisError(AnalysisError::Kind::NoCollator);
        forEachWeight(elements, u" ", [&](std::uint32_t p, std::uint32_t s) {
            spacePrimary = p;
            commonSecondary = s;
        });
        spaceWeights = weightsOf(elements, u16, " ");
        if (asciiRanks) {
            for (char16_t c = 0x21; c < 0x7F; ++c) {
                if (c >= u'A' && c <= u'Z') continue;
                forEachWeight(elements, std::u16string_view(&c, 1),
                              [&](std::uint32_t p, std::uint32_t s) {
                                  asciiWeights.push_back(AsciiWeight{p, s, char(c)});
                              });
            }
            std::sort(asciiWeights.begin(), asciiWeights.end());
        }
    }
    ~Impl() { ucol_closeElements(elements); }

    template <typename Fn>
    static void forEachWeight(UCollationElements* elements, std::u16string_view text, Fn fn);
    static Weights weightsOf(UCollationElements* elements, std::u16string& buffer,
                             std::string_view bytes);
    bool isSpaceLike(std::string_view bytes);
    std::uint32_t classOf(std::string_view bytes, std::uint32_t wid);
    std::uint32_t newWord(std::uint32_t wid, std::string_view bytes);
    std::uint32_t classOfAscii(std::string_view form);
    bool collatesAsAscii(std::string_view bytes, std::string& form);
    std::uint32_t classOfForm(std::string_view bytes);
    // The most words lines [from, to) can hold: counted, or at once from
    // their size.
    static std::size_t wordBound(const TextLines& lines, qsizetype from, qsizetype to);
    static std::size_t wordRoom(const TextLines& lines, qsizetype from, qsizetype to);
    // The stream makes room for the words of lines [roomFrom, roomTo), which
    // it takes in all once later pieces are absorbed.
    bool tokenize(const TextLines& lines, qsizetype from, qsizetype to, DistinctEstimate* estimates,
                  qsizetype roomFrom, qsizetype roomTo);
    void absorb(Impl& later);
    bool tokenizePieces(const TextLines& lines, DistinctEstimate* estimates);
    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
    struct Counted {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> plain;     // count >= 2
        std::vector<std::pair<std::uint32_t, std::uint32_t>> spaceLike; // any count
    };
    // A bit per stream position.
    using PositionBits = std::vector<std::uint64_t>;
    std::size_t positionWords() const { return (stream.size() + 63) / 64; }
    // What one part counts: phrases whose hashes fall in its share, ending
    // at positions [from, to), and at candidates only where there are.
    struct Share {
        unsigned part = 0, parts = 1;
        std::uint32_t from = 0, to = 0xFFFFFFFFu;
        const std::uint64_t* candidates = nullptr;
        std::uint64_t* repeats = nullptr;
    };
    enum class Stage { PrePass, Count };
    // The slots of a table counted in one pass, and whether it stays below
    // the limit.
    static std::size_t directSlots(double distinct) {
        return std::bit_ceil(std::size_t(distinct * 1.6) + 64);
    }
    template <int K> bool fitsDirect(double distinct) const;
    // PrePass counts hashes into `seen`; Count counts phrases into `table`,
    // those that `seen` shows twice where there is one.
    template <int K>
    void count(const Share& share, Stage stage, SeenTwice* seen, TupleTable<K>* table);
    template <int K> void collect(const TupleTable<K>& table, Counted& counted) const;
    template <int K>
    void mergeSpaceLike(const ListCollator& c,
                        const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries,
                        std::vector<std::pair<std::uint32_t, std::uint32_t>>& out);
    template <int K>
    PositionBits candidatesFrom(const PositionBits& shorter, const PositionBits& spaceLikeAt) const;
    PositionBits spaceLikePositions() const;
    template <int K>
    void countAll(const ListCollator& c, double distinct, unsigned parts,
                  const PositionBits* shorter = nullptr, const PositionBits* spaceLikeAt = nullptr,
                  PositionBits* repeats = nullptr);
    void summarize(int k, const ListCollator& c);
    void appendPhrase(std::string& out, std::uint32_t pos, int k) const;
    std::uint32_t id(std::uint32_t pos) const { return stream[pos] & IdMask; }
    int run(std::uint32_t pos) const { return int(stream[pos] >> 30) + 1; }

    enum : std::uint8_t { Unknown, No, Yes };

    const ListCollator& coll;
    UCollationElements* elements = nullptr;
    std::uint32_t spacePrimary = 0, commonSecondary = 0;
    Weights spaceWeights;
    bool lowerAsciiShortcut = false;
    const std::uint8_t* asciiRanks = nullptr;
    // The weights of the printable ASCII characters but the space, in small
    // letters, sorted, where the collator ranks ASCII.
    struct AsciiWeight {
        std::uint32_t primary, secondary;
        char character;
        bool operator<(const AsciiWeight& o) const {
            return primary != o.primary ? primary < o.primary : secondary < o.secondary;
        }
    };
    std::vector<AsciiWeight> asciiWeights;
    std::vector<std::uint8_t> spaceLikeUnit; // by UTF-16 code unit
    // Shared, so that the word table may keep the words after the counter
    // has let them go.
    std::shared_ptr<StringPool> wordPool = std::make_shared<StringPool>();
    StringPool& words() { return *wordPool; }
    const StringPool& words() const { return *wordPool; }
    StringIndex wordIndex{wordPool.get(), 1 << 14};
    // A fresh pool and index, leaving the old pool to whoever shares it.
    void newWordPool() {
        wordPool = std::make_shared<StringPool>();
        wordIndex = StringIndex(wordPool.get(), 16);
    }
    std::vector<std::uint32_t> wordClass; // by word id, SpaceLike bit included
    // By word id: a hash of the word's class that does not depend on the
    // order in which words were met, so that pieces of a text counted apart
    // estimate their phrases alike.
    std::vector<std::uint32_t> classHash;
    // By word id: how often the word occurs in the text, where wanted.
    std::vector<std::uint32_t> occurrences;
    bool wantOccurrences = true;
    // Words in the phrase window after the last word tokenized.
    int windowAtEnd = 0;
    std::unordered_map<std::uint32_t, Weights> spaceLikeWeights; // by word id
    StringPool classKeys;
    StringIndex classIndex{&classKeys, 1 << 14};
    std::string lowered;
    // One entry per word of the text: its id, and in the top two bits how
    // many words (1 to 4, capped) the phrase window holds with it.
    std::vector<std::uint32_t, HugePages::Allocator<std::uint32_t>> stream;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeated[3]; // (pos, count)
    PhraseTable tables[3];
    std::u16string u16;
    std::vector<std::uint8_t> keyBuffer;
    const std::atomic<bool>* cancel = nullptr;
    std::function<void()> tokenized;
    int ownPieces = 0;
    std::size_t expectedWords = 0, expectedWordBytes = 0;
    bool keepAll = false;
    std::uint32_t minimumCount() const { return keepAll ? 1 : 2; }
    // The largest table counted in one pass: the set limit, or the text's
    // size when less, so that memory follows the size of the text rather
    // than its number of distinct phrases.
    std::size_t directBytes = 0;
    // Above this table size a pre-pass first finds the phrases seen at least
    // twice, and only those are counted.
    std::size_t directTableLimit = DefaultDirectTableLimit;
};

template <typename Fn>
void PhraseCounter::Impl::forEachWeight(UCollationElements* elements, std::u16string_view text,
                                        Fn fn) {
    // Old-style 32-bit collation elements: 16 primary bits, 8 secondary bits
    // and tertiary bits; a continuation (low bits 0xC0) carries the lower
    // halves of the same element's weights. Tertiary weights are dropped.
    // A function that returns false stops the walk.
    auto call = [&fn](std::uint32_t p, std::uint32_t s) {
        if constexpr (std::is_same_v<decltype(fn(p, s)), bool>)
            return fn(p, s);
        else
            return fn(p, s), true;
    };
    UErrorCode status = U_ZERO_ERROR;
    ucol_setText(elements, reinterpret_cast<const UChar*>(text.data()), int32_t(text.size()),
                 &status);
    std::uint32_t p = 0, s = 0;
    bool pending = false;
    for (;;) {
        const int32_t ce = ucol_next(elements, &status);
        if (ce == UCOL_NULLORDER || U_FAILURE(status)) break;
        const std::uint32_t e = std::uint32_t(ce);
        if ((e & 0xC0) == 0xC0) {
            p |= e >> 16;
            s |= (e >> 8) & 0xFF;
            continue;
        }
        if (pending && (p || s) && !call(p, s)) return;
        p = e & 0xFFFF0000u;
        s = e & 0xFF00u;
        pending = true;
    }
    if (pending && (p || s)) call(p, s);
}

Weights PhraseCounter::Impl::weightsOf(UCollationElements* elements, std::u16string& buffer,
                                       std::string_view bytes) {
    Weights w;
    buffer.clear();
    Wtf8::appendUtf16(buffer, bytes);
    forEachWeight(elements, buffer, [&](std::uint32_t p, std::uint32_t s) {
        if (p) {
            w.hp = w.hp * BaseP + p;
            w.pp *= BaseP;
        }
        if (s) {
            w.hs = w.hs * BaseS + s;
            w.ps *= BaseS;
        }
    });
    return w;
}

bool PhraseCounter::Impl::isSpaceLike(std::string_view bytes) {
    // A character that collates like the space (a no-break space, say), or
    // one that adds a plain secondary weight of its own, lets two phrases
    // split into words differently and still collate equal.
    u16.clear();
    Wtf8::appendUtf16(u16, bytes);
    for (char16_t unit : u16) {
        if (unit < 0x80 && unit != 0x0B && unit != 0x0C && unit > 0x20) continue;
        std::uint8_t& known = spaceLikeUnit[unit];
        if (known == Unknown) {
            bool like = false;
            forEachWeight(elements, std::u16string_view(&unit, 1),
                          [&](std::uint32_t p, std::uint32_t s) {
                              like |= p == spacePrimary || (p == 0 && s == commonSecondary);
                          });
            known = like ? Yes : No;
        }
        if (known == Yes) return true;
    }
    return false;
}

std::uint32_t PhraseCounter::Impl::newWord(std::uint32_t wid, std::string_view bytes) {
    if (wid > IdMask)
        throw AnalysisError(AnalysisError::Kind::TooManyDistinctWords, qint64(IdMask) + 1);
    wordClass.push_back(0);
    classHash.push_back(0);
    if (wantOccurrences) occurrences.push_back(0);
    const std::uint32_t cls = classOf(bytes, wid);
    wordClass[wid] = cls;
    const std::string_view named =
        cls & AsciiClass ? words().view(cls & IdMask) : classKeys.view(cls & IdMask);
    classHash[wid] = std::uint32_t(StringIndex::key(named).hash >> 32) ^ (cls & SpaceLike);
    return cls;
}

std::uint32_t PhraseCounter::Impl::classOf(std::string_view bytes, std::uint32_t wid) {
    // Where the collator ranks printable ASCII, such a word collates equal
    // only to its case variants and to words whose collation elements are
    // those of its characters (a ligature, full-width letters, an ignorable
    // control character). Its small-letter form names the class, and no sort
    // key is needed.
    if (asciiRanks) {
        if (std::all_of(bytes.begin(), bytes.end(),
                        [](char ch) { return ch > 0x20 && ch < 0x7F; })) {
            if (std::none_of(bytes.begin(), bytes.end(),
                             [](char ch) { return ch >= 'A' && ch <= 'Z'; }))
                return wid | AsciiClass;
            lowered.assign(bytes);
            for (char& ch : lowered)
                if (ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
            return classOfAscii(lowered);
        }
        if (collatesAsAscii(bytes, lowered)) return classOfAscii(lowered);
        return classOfForm(bytes);
    }
    // Where the collator is known to ignore ASCII letter case, an ASCII word
    // with capitals takes the class of its lower-case form when that form
    // has occurred as a word already, which spares most sort keys. Elsewhere
    // (Turkish i, Danish aa) and for other words the sort key decides.
    if (!lowerAsciiShortcut) return classOfForm(bytes);
    bool upper = false, ascii = true;
    for (char ch : bytes) {
        upper |= ch >= 'A' && ch <= 'Z';
        ascii &= (ch & 0x80) == 0;
    }
    if (!upper || !ascii) return classOfForm(bytes);
    lowered.assign(bytes);
    for (char& ch : lowered)
        if (ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
    const std::uint32_t form = wordIndex.find(StringIndex::key(lowered));
    if (form != StringIndex::NotFound) return wordClass[form];
    return classOfForm(lowered);
}

std::uint32_t PhraseCounter::Impl::classOfAscii(std::string_view form) {
    const std::uint32_t id = wordIndex.intern(StringIndex::key(form));
    return id == wordClass.size() ? newWord(id, form) : wordClass[id];
}

bool PhraseCounter::Impl::collatesAsAscii(std::string_view bytes, std::string& form) {
    // The word collates equal to a printable ASCII word exactly when each of
    // its elements is that of one such character.
    u16.clear();
    Wtf8::appendUtf16(u16, bytes);
    form.clear();
    bool ascii = true;
    forEachWeight(elements, u16, [&](std::uint32_t p, std::uint32_t s) {
        const auto it =
            std::lower_bound(asciiWeights.begin(), asciiWeights.end(), AsciiWeight{p, s, 0});
        ascii = it != asciiWeights.end() && it->primary == p && it->secondary == s;
        if (ascii) form += it->character;
        return ascii;
    });
    return ascii && !form.empty();
}

std::uint32_t PhraseCounter::Impl::classOfForm(std::string_view bytes) {
    const bool spaceLike = isSpaceLike(bytes);
    u16.clear();
    Wtf8::appendUtf16(u16, bytes);
    if (keyBuffer.size() < 64) keyBuffer.resize(64);
    const auto* text = reinterpret_cast<const UChar*>(u16.data());
    int32_t n = ucol_getSortKey(coll.handle(), text, int32_t(u16.size()), keyBuffer.data(),
                                int32_t(keyBuffer.size()));
    if (n > int32_t(keyBuffer.size())) {
        keyBuffer.resize(std::size_t(n));
        n = ucol_getSortKey(coll.handle(), text, int32_t(u16.size()), keyBuffer.data(),
                            int32_t(keyBuffer.size()));
    }
    // Every sort key ends in a zero byte; no length means ICU ran short of
    // memory.
    if (n <= 0) throw std::bad_alloc();
    const std::uint32_t cls = classIndex.intern(
        std::string_view(reinterpret_cast<const char*>(keyBuffer.data()), std::size_t(n)));
    return cls | (spaceLike ? SpaceLike : 0);
}

std::size_t PhraseCounter::Impl::wordRoom(const TextLines& lines, qsizetype from, qsizetype to) {
    // A word takes a byte at least and, but for a line's last, is followed
    // by a delimiter: twice the words are at most the bytes and the lines.
    if (to <= from) return 0;
    const std::uint64_t bytes =
        lines.lineStart(to - 1) + lines.lineBytes(to - 1).size() - lines.lineStart(from);
    return std::size_t((bytes + std::uint64_t(to - from)) / 2 + 1);
}

std::size_t PhraseCounter::Impl::wordBound(const TextLines& lines, qsizetype from, qsizetype to) {
    // Every word but a line's last one is followed by a delimiter.
    std::size_t bound = std::size_t(to - from);
    if (to > from) {
        const std::string_view all = lines.allBytes();
        const std::uint64_t first = lines.lineStart(from);
        const std::uint64_t last = lines.lineStart(to - 1) + lines.lineBytes(to - 1).size();
        for (unsigned char b : all.substr(first, last - first))
            bound += PhraseWords::isDelimiter(b);
    }
    return bound;
}

bool PhraseCounter::Impl::tokenize(const TextLines& lines, qsizetype from, qsizetype to,
                                   DistinctEstimate* estimates, qsizetype roomFrom,
                                   qsizetype roomTo) {
    // The stream takes its room at once (for the later pieces too, which are
    // absorbed into it) instead of growing by copies. The room the size
    // allows is only address space until words fill it; where even that
    // cannot be had, the words are counted first.
    stream.clear();
    stream.shrink_to_fit();
    try {
        stream.reserve(wordRoom(lines, roomFrom, roomTo));
    } catch (const std::bad_alloc&) {
        stream.reserve(wordBound(lines, roomFrom, roomTo));
    }
    int window = 0; // words in the phrase window, capped at 4
    // The classes of the window's words, the newest last; the distinct
    // phrases of each length are estimated on the way.
    std::uint32_t recent[4] = {};
    struct Word {
        StringIndex::Key key;
        bool closes; // ended by a phrase break
    };
    // Words are looked up in batches that span lines, so that their slots
    // are fetched from memory side by side.
    std::vector<Word> batch;
    std::vector<std::uint32_t> ids;
    auto flush = [&] {
        // Ids first, then what is kept by id, fetched side by side as well.
        ids.resize(batch.size());
        for (std::size_t j = 0; j < batch.size(); ++j) {
            const Word& word = batch[j];
            const std::uint32_t wid = wordIndex.intern(word.key);
            if (wid == wordClass.size() && newWord(wid, word.key.text) & SpaceLike)
                spaceLikeWeights.emplace(wid, weightsOf(elements, u16, word.key.text));
            if (wantOccurrences) __builtin_prefetch(&occurrences[wid]);
            __builtin_prefetch(&classHash[wid]);
            ids[j] = wid;
        }
        for (std::size_t j = 0; j < batch.size(); ++j) {
            const Word& word = batch[j];
            const std::uint32_t wid = ids[j];
            if (window < 4) ++window;
            if (stream.size() >= 0xFFFFFFFFu)
                throw AnalysisError(AnalysisError::Kind::TooManyWords, WordsMost);
            stream.push_back(wid | (std::uint32_t(window - 1) << 30));
            if (wantOccurrences) ++occurrences[wid];
            recent[0] = recent[1];
            recent[1] = recent[2];
            recent[2] = recent[3];
            recent[3] = classHash[wid];
            if (window >= 2) estimates[0].add(tupleHash<2>(recent + 2));
            if (window >= 3) estimates[1].add(tupleHash<3>(recent + 1));
            if (window >= 4) estimates[2].add(tupleHash<4>(recent));
            if (word.closes) window = 0;
        }
        batch.clear();
    };
    for (qsizetype i = from; i < to; ++i) {
        if ((i & 0xFFF) == 0 && cancelled()) return false;
        const std::string_view line = lines.lineBytes(i);
        const auto* p = reinterpret_cast<const unsigned char*>(line.data());
        const auto* end = p + line.size();
        while (p < end && *p <= 0x20)
            ++p;
        while (end > p && end[-1] <= 0x20)
            --end;
        for (;;) {
            while (p < end && PhraseWords::isDelimiter(*p))
                ++p;
            if (p == end) break;
            const unsigned char* start = p;
            while (p < end && !PhraseWords::isDelimiter(*p))
                ++p;
            // The line's last word is ended by the space appended to every
            // line, which does not close the window: phrases carry over into
            // the next line and may span the break.
            const unsigned char ending = p < end ? *p : ' ';
            const std::string_view word(reinterpret_cast<const char*>(start),
                                        std::size_t(p - start));
            batch.push_back(Word{StringIndex::key(word), PhraseWords::isBreak(ending)});
            wordIndex.prefetch(batch.back().key);
            if (p < end) ++p;
        }
        if (batch.size() >= 32) flush();
    }
    flush();
    windowAtEnd = window;
    return true;
}

void PhraseCounter::Impl::absorb(Impl& later) {
    // The later piece's words take this piece's ids, new ones after those
    // here; its classes are named by the same sort keys and small-letter
    // forms, so they map one to one.
    const std::uint32_t count = std::uint32_t(later.words().count());
    std::vector<std::uint32_t> ids(count);
    std::vector<std::uint32_t> fresh;
    wordIndex.reserve(wordClass.size() + count);
    classIndex.reserve(std::size_t(classKeys.count() + later.classKeys.count()));
    words().reserve(words().allBytes().size() + later.words().allBytes().size(),
                    wordClass.size() + count);
    wordClass.reserve(wordClass.size() + count);
    classHash.reserve(wordClass.size() + count);
    if (wantOccurrences) occurrences.reserve(wordClass.size() + count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t wid = wordIndex.intern(StringIndex::key(later.words().view(i)));
        if (wid == wordClass.size()) {
            if (wid > IdMask)
                throw AnalysisError(AnalysisError::Kind::TooManyDistinctWords, qint64(IdMask) + 1);
            wordClass.push_back(0);
            classHash.push_back(later.classHash[i]);
            if (wantOccurrences) occurrences.push_back(0);
            fresh.push_back(i);
        }
        ids[i] = wid;
        if (wantOccurrences) occurrences[wid] += later.occurrences[i];
    }
    std::vector<std::uint32_t> classes(std::size_t(later.classKeys.count()));
    for (std::size_t c = 0; c < classes.size(); ++c)
        classes[c] = classIndex.intern(later.classKeys.view(qsizetype(c)));
    for (std::uint32_t i : fresh) {
        const std::uint32_t cls = later.wordClass[i];
        wordClass[ids[i]] = cls & AsciiClass ? AsciiClass | ids[cls & IdMask]
                                             : classes[cls & IdMask] | (cls & SpaceLike);
        if (auto it = later.spaceLikeWeights.find(i); it != later.spaceLikeWeights.end())
            spaceLikeWeights.emplace(ids[i], it->second);
    }

    // The window runs on across the cut: the later piece's first words,
    // up to its first break, see this piece's last ones.
    if (stream.size() + later.stream.size() > 0xFFFFFFFFu)
        throw AnalysisError(AnalysisError::Kind::TooManyWords, WordsMost);
    int window = windowAtEnd;
    for (std::size_t j = 0; j < later.stream.size(); ++j) {
        const std::uint32_t entry = later.stream[j];
        int held = int(entry >> 30) + 1;
        if (j < 3 && held == int(j) + 1) held = std::min(4, windowAtEnd + held);
        stream.push_back(ids[entry & IdMask] | (std::uint32_t(held - 1) << 30));
        window = held;
    }
    if (!later.stream.empty()) windowAtEnd = later.windowAtEnd == 0 ? 0 : window;
}

void PhraseCounter::Impl::appendPhrase(std::string& out, std::uint32_t pos, int k) const {
    for (int t = k - 1; t >= 0; --t) {
        out += words().view(id(pos - std::uint32_t(t)));
        if (t) out += ' ';
    }
}

template <int K> bool PhraseCounter::Impl::fitsDirect(double distinct) const {
    return double(directSlots(distinct)) * double(sizeof(Entry<K>)) <= double(directBytes);
}

template <int K>
void PhraseCounter::Impl::count(const Share& share, Stage stage, SeenTwice* seen,
                                TupleTable<K>* table) {
    // With several parts, each counts the phrases whose hash falls in its
    // share, so parts can run side by side on tables of their own. With
    // candidates, only the phrases that end at their positions are counted.
    // Repeats, when asked for, receives the position of every occurrence of
    // a phrase met twice or more.
    using E = Entry<K>;
    const std::uint32_t n = std::uint32_t(stream.size());
    const std::uint32_t from = share.from, to = std::min(share.to, n);
    const unsigned part = share.part, parts = share.parts;
    std::uint64_t* const repeats = share.repeats;

    // Positions are taken in blocks: hashes first, with the memory they will
    // touch prefetched, then the updates, so that cache misses overlap.
    constexpr std::uint32_t Block = 32;
    E keys[Block];
    std::uint64_t hashes[Block];
    // Blocks come in order, so the classes of the last K words slide along:
    // one class is read per word, fetched a few words ahead.
    std::uint32_t window[K] = {};
    for (int t = 1; t < K; ++t)
        if (from >= std::uint32_t(t)) window[K - t] = wordClass[id(from - std::uint32_t(t))];
    constexpr std::uint32_t Ahead = 16;
    auto gather = [&](std::uint32_t first, std::uint32_t last) {
        std::uint32_t got = 0;
        for (std::uint32_t pos = first; pos < last; ++pos) {
            if (pos + Ahead < n) __builtin_prefetch(&wordClass[id(pos + Ahead)]);
            for (int t = 0; t < K - 1; ++t)
                window[t] = window[t + 1];
            window[K - 1] = wordClass[id(pos)];
            if (run(pos) < K) continue;
            E& key = keys[got];
            std::memcpy(key.cls, window, sizeof window);
            key.pos = pos;
            key.count = 1;
            hashes[got] = tupleHash<K>(key.cls);
            got += ((hashes[got] >> 32) & (parts - 1)) == part;
        }
        return got;
    };
    // Candidates are sparse: each one's classes are read where it ends.
    auto eachCandidateBlock = [&](auto step) {
        std::uint32_t got = 0;
        const std::size_t last = (std::size_t(to) + 63) / 64;
        for (std::size_t w = from / 64; w < last; ++w) {
            if ((w & 0x3FFF) == 0 && cancelled()) return false;
            for (std::uint64_t bits = share.candidates[w]; bits; bits &= bits - 1) {
                const auto pos = std::uint32_t(w * 64 + std::size_t(std::countr_zero(bits)));
                if (pos < from || pos >= to || run(pos) < K) continue;
                E& key = keys[got];
                for (int t = 0; t < K; ++t)
                    key.cls[t] = wordClass[id(pos - std::uint32_t(K - 1 - t))];
                key.pos = pos;
                key.count = 1;
                hashes[got] = tupleHash<K>(key.cls);
                got += ((hashes[got] >> 32) & (parts - 1)) == part;
                if (got == Block) {
                    step(got);
                    got = 0;
                }
            }
        }
        if (got) step(got);
        return true;
    };
    // Runs `step` on each block of gathered phrases; false when cancelled.
    auto eachBlock = [&](auto step) {
        if (share.candidates) return eachCandidateBlock(step);
        for (std::uint32_t pos = from; pos < to;) {
            if ((pos & 0xFFFFF) < Block && cancelled()) return false;
            const std::uint32_t last =
                std::uint32_t(std::min<std::uint64_t>(to, pos + std::uint64_t(Block)));
            step(gather(pos, last));
            pos = last;
        }
        return true;
    };
    std::uint64_t first[Block], second[Block];
    auto slotsOf = [&](std::uint32_t got) {
        for (std::uint32_t j = 0; j < got; ++j) {
            seen->slotsOf(hashes[j], first[j], second[j]);
            seen->prefetch(first[j]);
        }
    };
    if (stage == Stage::PrePass) {
        // Most phrases occur once: a first pass counts every hash, saturating
        // at two; only phrases counted twice are then counted exactly.
        eachBlock([&](std::uint32_t got) {
            slotsOf(got);
            for (std::uint32_t j = 0; j < got; ++j) {
                seen->bump(first[j]);
                if (second[j] != first[j]) seen->bump(second[j]);
            }
        });
        return;
    }

    auto insertBlock = [&](std::uint32_t got) {
        table->makeRoom(got);
        for (std::uint32_t j = 0; j < got; ++j)
            table->prefetch(hashes[j]);
        for (std::uint32_t j = 0; j < got; ++j) {
            E& e = table->entry(keys[j], hashes[j]);
            if (repeats && e.count) {
                if (e.count == 1) markPosition(repeats, e.pos);
                markPosition(repeats, keys[j].pos);
            }
            ++e.count;
        }
    };
    if (!seen) {
        eachBlock(insertBlock);
        return;
    }
    // Phrases with space-like characters are always counted, as their
    // equals may hash differently.
    eachBlock([&](std::uint32_t got) {
        slotsOf(got);
        std::uint32_t kept = 0;
        for (std::uint32_t j = 0; j < got; ++j) {
            if (seen->twice(first[j], second[j]) || hasSpaceLike(keys[j].cls, K)) {
                keys[kept] = keys[j];
                hashes[kept++] = hashes[j];
            }
        }
        insertBlock(kept);
    });
}

template <int K>
void PhraseCounter::Impl::collect(const TupleTable<K>& table, Counted& counted) const {
    for (const Entry<K>& e : table.entries) {
        if (!e.count) continue;
        if (hasSpaceLike(e.cls, K))
            counted.spaceLike.emplace_back(e.pos, e.count);
        else if (e.count >= minimumCount())
            counted.plain.emplace_back(e.pos, e.count);
    }
}

template <int K>
void PhraseCounter::Impl::mergeSpaceLike(
    const ListCollator& c, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries,
    std::vector<std::pair<std::uint32_t, std::uint32_t>>& out) {
    // Tuples without space-like characters are complete: only an equal tuple
    // collates equal to them. Among the others, different tuples may still
    // collate equal when the weights split differently between the words
    // ("a\u00A0b c" and "a b\u00A0c"); they share a weight hash, the
    // collator decides, and merged phrases keep the earliest form.
    if (entries.empty()) return;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byHash; // (weight hash, entry)
    std::unordered_map<std::uint32_t, Weights> plainWeights;
    UErrorCode status = U_ZERO_ERROR;
    static const UChar blank[] = {u' '};
    UCollationElements* ownElements = ucol_openElements(c.handle(), blank, 1, &status);
    if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status)) throw AnalysisError(AnalysisError::Kind::NoCollator);
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> closeElements(
        ownElements, &ucol_closeElements);
    std::u16string ownBuffer;
    auto wordWeights = [&](std::uint32_t wid) -> const Weights& {
        if (auto it = spaceLikeWeights.find(wid); it != spaceLikeWeights.end()) return it->second;
        auto it = plainWeights.find(wid);
        if (it == plainWeights.end())
            it = plainWeights.emplace(wid, weightsOf(ownElements, ownBuffer, words().view(wid)))
                     .first;
        return it->second;
    };
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        const std::uint32_t pos = entries[i].first;
        const Weights& last = wordWeights(id(pos));
        std::uint64_t hp = last.hp, pp = last.pp, hs = last.hs, ps = last.ps;
        const Weights& sp = spaceWeights;
        for (int t = 1; t < K; ++t) {
            const Weights& w = wordWeights(id(pos - std::uint32_t(t)));
            hp = (w.hp * sp.pp + sp.hp) * pp + hp;
            pp = w.pp * sp.pp * pp;
            hs = (w.hs * sp.ps + sp.hs) * ps + hs;
            ps = w.ps * sp.ps * ps;
        }
        byHash.emplace_back(mix(hp, hs), i);
    }
    std::sort(byHash.begin(), byHash.end());
    std::string pa, pb;
    std::vector<bool> merged;
    for (std::size_t g = 0; g < byHash.size();) {
        std::size_t h = g + 1;
        while (h < byHash.size() && byHash[h].first == byHash[g].first)
            ++h;
        merged.assign(h - g, false);
        for (std::size_t a = g; a < h; ++a) {
            if (merged[a - g]) continue;
            std::uint32_t pos = entries[byHash[a].second].first;
            std::uint64_t total = entries[byHash[a].second].second;
            pa.clear();
            appendPhrase(pa, pos, K);
            for (std::size_t b = a + 1; b < h; ++b) {
                if (merged[b - g]) continue;
                const auto& e = entries[byHash[b].second];
                pb.clear();
                appendPhrase(pb, e.first, K);
                if (c.compareUtf8(pa, pb) == 0) {
                    merged[b - g] = true;
                    total += e.second;
                    pos = std::min(pos, e.first);
                }
            }
            if (total >= minimumCount())
                out.emplace_back(pos, std::uint32_t(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
        }
        g = h;
    }
}

PhraseCounter::Impl::PositionBits PhraseCounter::Impl::spaceLikePositions() const {
    PositionBits at(positionWords(), 0);
    if (std::none_of(wordClass.begin(), wordClass.end(),
                     [](std::uint32_t c) { return (c & SpaceLike) != 0; }))
        return at;
    for (std::uint32_t pos = 0; pos < stream.size(); ++pos)
        if (wordClass[id(pos)] & SpaceLike) markPosition(at.data(), pos);
    return at;
}

template <int K>
PhraseCounter::Impl::PositionBits
PhraseCounter::Impl::candidatesFrom(const PositionBits& shorter,
                                    const PositionBits& spaceLikeAt) const {
    // A phrase of K words without space-like characters repeats only as the
    // same tuple, so both its phrases of K - 1 words repeat as well. Phrases
    // with space-like characters may equal other tuples: always candidates.
    const std::size_t words = shorter.size();
    // The 64 bits from position `start` on, which may lie before the text.
    auto bitsFrom = [words](const PositionBits& bits, std::int64_t start) {
        const std::int64_t w = start >= 0 ? start / 64 : -1;
        const int shift = int(start - w * 64);
        const std::uint64_t low = w >= 0 ? bits[std::size_t(w)] : 0;
        if (shift == 0) return low;
        const std::uint64_t high = std::size_t(w + 1) < words ? bits[std::size_t(w + 1)] : 0;
        return (low >> shift) | (high << (64 - shift));
    };
    PositionBits out(words, 0);
    for (std::size_t w = 0; w < words; ++w) {
        const auto start = std::int64_t(w * 64);
        std::uint64_t c = shorter[w] & bitsFrom(shorter, start - 1);
        for (int t = 0; t < K; ++t)
            c |= bitsFrom(spaceLikeAt, start - t);
        out[w] = c;
    }
    if (const std::size_t tail = stream.size() % 64; tail && words)
        out[words - 1] &= (std::uint64_t(1) << tail) - 1;
    return out;
}

template <int K>
void PhraseCounter::Impl::countAll(const ListCollator& c, double distinct, unsigned parts,
                                   const PositionBits* shorter, const PositionBits* spaceLikeAt,
                                   PositionBits* repeats) {
    PositionBits candidates;
    if (shorter) {
        candidates = candidatesFrom<K>(*shorter, *spaceLikeAt);
        std::uint64_t many = 0;
        for (std::uint64_t bits : candidates)
            many += std::uint64_t(std::popcount(bits));
        distinct = std::min(distinct, double(many));
    }
    const auto n = std::uint32_t(stream.size());
    std::vector<PositionBits> partRepeats(repeats ? parts : 0);
    for (PositionBits& bits : partRepeats)
        bits.assign(positionWords(), 0);
    auto shareOf = [&](unsigned part) {
        Share share;
        share.candidates = shorter ? candidates.data() : nullptr;
        share.repeats = repeats ? partRepeats[part].data() : nullptr;
        return share;
    };
    // Two threads take the parts in turn.
    auto eachPart = [parts](const std::function<void(unsigned)>& job) {
        auto turns = [&](unsigned first) {
            for (unsigned part = first; part < parts; part += 2)
                job(part);
        };
        if (parts == 1) {
            turns(0);
        } else {
            SideThread other([&] { turns(1); });
            turns(0);
            other.join();
        }
    };
    std::vector<Counted> counted(parts);
    // Kept singletons are needed as well, which the pre-pass would drop.
    if (!keepAll && !fitsDirect<K>(distinct / parts)) {
        // Each part takes a stretch of the text through both passes, and
        // the counts are added up between them: every phrase is read once
        // a pass, where shares of the hashes would each read them all.
        auto stretchOf = [&](unsigned part) {
            Share share = shareOf(part);
            share.from = std::uint32_t(std::uint64_t(n) * part / parts);
            share.to = std::uint32_t(std::uint64_t(n) * (part + 1) / parts);
            return share;
        };
        std::vector<SeenTwice> seen;
        for (unsigned part = 0; part < parts; ++part)
            seen.emplace_back(distinct);
        eachPart([&](unsigned part) {
            count<K>(stretchOf(part), Stage::PrePass, &seen[part], nullptr);
        });
        if (cancelled()) return;
        for (unsigned part = 1; part < parts; ++part)
            seen[0].add(seen[part]);
        seen.erase(seen.begin() + 1, seen.end());
        std::vector<TupleTable<K>> tables(parts);
        eachPart([&](unsigned part) {
            count<K>(stretchOf(part), Stage::Count, &seen[0], &tables[part]);
        });
        seen.clear();
        if (cancelled()) return;
        TupleTable<K>& all = tables[0];
        auto mark = [&](std::uint32_t pos) {
            if (repeats) markPosition(partRepeats[0].data(), pos);
        };
        for (unsigned part = 1; part < parts; ++part) {
            for (const Entry<K>& e : tables[part].entries) {
                if (!e.count) continue;
                all.makeRoom(1);
                Entry<K>& into = all.entry(e, tupleHash<K>(e.cls));
                if (into.count) {
                    if (into.count == 1) mark(into.pos);
                    if (e.count == 1) mark(e.pos);
                    into.pos = std::min(into.pos, e.pos);
                } else {
                    into.pos = e.pos;
                }
                into.count += e.count;
            }
            tables[part] = TupleTable<K>(1);
        }
        collect(all, counted[0]);
    } else {
        // Tables that fit are shared out by hash, each counted in one pass.
        eachPart([&](unsigned part) {
            Share share = shareOf(part);
            share.part = part;
            share.parts = parts;
            TupleTable<K> table(directSlots(distinct / parts));
            count<K>(share, Stage::Count, nullptr, &table);
            collect(table, counted[part]);
        });
        if (cancelled()) return;
    }
    if (repeats) {
        *repeats = std::move(partRepeats[0]);
        for (unsigned part = 1; part < parts; ++part)
            for (std::size_t w = 0; w < repeats->size(); ++w)
                (*repeats)[w] |= partRepeats[part][w];
    }
    auto& out = repeated[K - 2];
    out.clear();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spaceLike;
    for (Counted& part : counted) {
        out.insert(out.end(), part.plain.begin(), part.plain.end());
        spaceLike.insert(spaceLike.end(), part.spaceLike.begin(), part.spaceLike.end());
        part = Counted();
    }
    mergeSpaceLike<K>(c, spaceLike, out);
}

void PhraseCounter::Impl::summarize(int k, const ListCollator& c) {
    const auto& entries = repeated[k - 2];
    // The forms' room is measured first: both lists of them are then
    // written once, without growing by copies.
    std::size_t bytes = 0;
    for (const auto& entry : entries)
        for (int t = 0; t < k; ++t)
            bytes += words().view(id(entry.first - std::uint32_t(t))).size() + 1;
    StringPool texts;
    texts.reserve(bytes, entries.size());
    std::string buffer;
    for (const auto& [pos, count] : entries) {
        buffer.clear();
        appendPhrase(buffer, pos, k);
        texts.append(buffer);
    }
    const std::vector<std::uint32_t> order = c.sortedOrder(
        std::uint32_t(entries.size()), [&](std::uint32_t i) { return texts.view(i); });
    PhraseTable& table = tables[k - 2];
    table.clear();
    table.reserve(bytes, entries.size());
    for (std::uint32_t i : order)
        table.append(texts.view(i), entries[i].second);
    repeated[k - 2] = std::vector<std::pair<std::uint32_t, std::uint32_t>>();
}

void PhraseCounter::setDirectTableLimit(std::size_t bytes) {
    d->directTableLimit = bytes;
}

PhraseCounter::PhraseCounter(const ListCollator& collator) : d(std::make_unique<Impl>(collator)) {}

PhraseCounter::~PhraseCounter() = default;

void PhraseCounter::setPieces(int pieces) {
    d->ownPieces = pieces;
}

void PhraseCounter::expectWords(std::size_t words, std::size_t bytes) {
    d->expectedWords = words;
    d->expectedWordBytes = bytes;
}

void PhraseCounter::setTokenizedWordsWanted(bool on) {
    d->wantOccurrences = on;
}

void PhraseCounter::setTokenizedHandler(std::function<void()> handler) {
    d->tokenized = std::move(handler);
}

bool PhraseCounter::Impl::tokenizePieces(const TextLines& lines, DistinctEstimate* estimates) {
    const qsizetype n = lines.count();
    const std::size_t bytes = lines.allBytes().size();
    std::size_t pieces = std::size_t(ownPieces);
    if (pieces == 0)
        pieces = std::clamp<std::size_t>(bytes / PieceBytes, 1,
                                         std::max(1u, std::thread::hardware_concurrency()));
    pieces = std::clamp<std::size_t>(pieces, 1, std::max<std::size_t>(std::size_t(n), 1));
    // Pieces start at line starts, at even shares of the bytes.
    std::vector<qsizetype> starts{0};
    for (std::size_t k = 1; k < pieces; ++k) {
        const std::uint64_t share = bytes * k / pieces;
        qsizetype lo = starts.back(), hi = n;
        while (lo < hi) {
            const qsizetype mid = lo + (hi - lo) / 2;
            if (lines.lineStart(mid) < share)
                lo = mid + 1;
            else
                hi = mid;
        }
        starts.push_back(lo);
    }
    starts.push_back(n);
    if (pieces == 1) {
        if (expectedWords) {
            wordIndex.reserve(expectedWords);
            words().reserve(expectedWordBytes, expectedWords);
            HugePages::reserve(wordClass, expectedWords);
            HugePages::reserve(classHash, expectedWords);
            if (wantOccurrences) HugePages::reserve(occurrences, expectedWords);
        }
        return tokenize(lines, 0, n, estimates, 0, n);
    }

    // Each later piece has a collator and tables of its own, and is
    // absorbed into the first once all are done.
    struct Piece {
        std::unique_ptr<ListCollator> collator;
        std::unique_ptr<Impl> impl;
        DistinctEstimate estimates[3];
        bool done = false;
    };
    std::vector<Piece> later(pieces - 1);
    for (Piece& piece : later) {
        piece.collator = coll.clone();
        piece.impl = std::make_unique<Impl>(*piece.collator);
        piece.impl->cancel = cancel;
        piece.impl->wantOccurrences = wantOccurrences;
    }
    bool done = false;
    {
        std::vector<std::unique_ptr<SideThread>> threads;
        for (std::size_t k = 0; k + 1 < pieces; ++k)
            threads.push_back(std::make_unique<SideThread>([&, k] {
                later[k].done =
                    later[k].impl->tokenize(lines, starts[k + 1], starts[k + 2], later[k].estimates,
                                            starts[k + 1], starts[k + 2]);
            }));
        done = tokenize(lines, 0, starts[1], estimates, 0, n);
        for (auto& thread : threads)
            thread->join();
    }
    for (Piece& piece : later) {
        if (!done || !piece.done) return false;
        absorb(*piece.impl);
        for (int k = 0; k < 3; ++k)
            estimates[k].merge(piece.estimates[k]);
        piece.impl.reset();
    }
    return true;
}

std::shared_ptr<const StringPool> PhraseCounter::tokenizedWords() const {
    return d->wordPool;
}

std::vector<std::uint32_t> PhraseCounter::takeTokenizedWordCounts() {
    return std::exchange(d->occurrences, std::vector<std::uint32_t>());
}

bool PhraseCounter::countPhrases(const TextLines& lines, const std::atomic<bool>* cancel) {
    d->cancel = cancel;
    for (auto& r : d->repeated)
        r.clear();
    for (auto& t : d->tables)
        t.clear();
    d->newWordPool();
    d->wordClass.clear();
    d->classHash.clear();
    d->occurrences.clear();
    d->windowAtEnd = 0;
    d->classKeys = StringPool();
    d->classIndex.release();
    d->spaceLikeWeights.clear();
    d->directBytes = std::min(d->directTableLimit,
                              std::max<std::size_t>(lines.pool()->allBytes().size(), 1 << 20));
    DistinctEstimate estimates[3];
    if (!d->tokenizePieces(lines, estimates)) return false;
    if (d->tokenized) d->tokenized();
    // Only the words and their classes are needed from here on.
    d->wordIndex.release();
    d->classIndex.release();
    d->classKeys = StringPool();
    // The three lengths are independent. Small tables run side by side, one
    // thread a length, each with its own collator; a large one is counted
    // by two threads at a time, one length after another, so that memory
    // stays near that of one table.
    const bool small = d->fitsDirect<2>(estimates[0].value()) &&
                       d->fitsDirect<3>(estimates[1].value()) &&
                       d->fitsDirect<4>(estimates[2].value());
    // One length after another, where few phrases repeat, each counts only
    // the phrases whose shorter parts repeat (where all are kept, every
    // phrase counts).
    Impl::PositionBits shorter, spaceLikeAt;
    auto countLength = [&](int k, const ListCollator& c, unsigned parts, bool belowRepeats) {
        if (d->cancelled()) return;
        Impl::PositionBits repeats;
        Impl::PositionBits* marks = belowRepeats && k < 4 ? &repeats : nullptr;
        const Impl::PositionBits* below = belowRepeats && k > 2 ? &shorter : nullptr;
        if (belowRepeats && k == 2) spaceLikeAt = d->spaceLikePositions();
        if (k == 2)
            d->countAll<2>(c, estimates[0].value(), parts, below, &spaceLikeAt, marks);
        else if (k == 3)
            d->countAll<3>(c, estimates[1].value(), parts, below, &spaceLikeAt, marks);
        else
            d->countAll<4>(c, estimates[2].value(), parts, below, &spaceLikeAt, marks);
        if (belowRepeats) shorter = std::move(repeats);
    };
    auto summarize = [this](int k, const ListCollator& c) {
        if (!d->cancelled() && !d->keepAll) d->summarize(k, c);
    };
    if (small) {
        auto c2 = d->coll.clone(), c3 = d->coll.clone();
        SideThread t2([&] {
            countLength(2, *c2, 1u, false);
            summarize(2, *c2);
        });
        SideThread t3([&] {
            countLength(3, *c3, 1u, false);
            summarize(3, *c3);
        });
        countLength(4, d->coll, 1u, false);
        summarize(4, d->coll);
        t2.join();
        t3.join();
    } else {
        // A length's list is sorted while the next length is counted.
        auto other = d->coll.clone();
        std::unique_ptr<SideThread> sorting;
        for (int k = 2; k <= 4; ++k) {
            countLength(k, d->coll, 2u, !d->keepAll);
            if (sorting) sorting->join();
            sorting = std::make_unique<SideThread>([&, k] { summarize(k, *other); });
        }
        sorting->join();
    }
    return !d->cancelled();
}

PhraseTable PhraseCounter::showSummary(int words) const {
    const int k = words == 2 ? 2 : words == 3 ? 3 : 4;
    return d->tables[k - 2];
}

PhraseTable PhraseCounter::takeSummary(int words) {
    const int k = words == 2 ? 2 : words == 3 ? 3 : 4;
    return std::exchange(d->tables[k - 2], PhraseTable());
}

void PhraseCounter::releaseText() {
    d->newWordPool();
    d->wordClass = decltype(d->wordClass)();
    d->classHash = decltype(d->classHash)();
    d->occurrences = decltype(d->occurrences)();
    d->spaceLikeWeights = decltype(d->spaceLikeWeights)();
    d->stream = decltype(d->stream)();
    for (auto& r : d->repeated)
        r = std::remove_reference_t<decltype(r)>();
}

void PhraseCounter::setKeepAll(bool on) {
    d->keepAll = on;
}

void PhraseCounter::forEachPhrase(int words, const PhraseVisitor& visit) const {
    const int k = words == 2 ? 2 : words == 3 ? 3 : 4;
    std::string form;
    for (const auto& [pos, count] : d->repeated[k - 2]) {
        form.clear();
        d->appendPhrase(form, pos, k);
        visit(form, count, pos - std::uint32_t(k - 1));
    }
}

std::size_t PhraseCounter::phraseCount(int words) const {
    const int k = words == 2 ? 2 : words == 3 ? 3 : 4;
    return d->repeated[k - 2].size();
}

void PhraseCounter::forEachPhraseWords(int words, const PhraseWordsVisitor& visit) const {
    const int k = words == 2 ? 2 : words == 3 ? 3 : 4;
    std::uint32_t ids[4];
    for (const auto& [pos, count] : d->repeated[k - 2]) {
        for (int t = 0; t < k; ++t)
            ids[t] = d->id(pos - std::uint32_t(k - 1 - t));
        visit(ids, count, pos - std::uint32_t(k - 1));
    }
}

std::size_t PhraseCounter::wordCount() const {
    return std::size_t(d->words().count());
}

std::string_view PhraseCounter::word(std::uint32_t id) const {
    return d->words().view(qsizetype(id));
}
