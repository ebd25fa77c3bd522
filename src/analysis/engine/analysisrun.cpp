#include "analysis/engine/analysisrun.h"

#include "analysis/engine/analysiserror.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasecounter.h"
#include "analysis/engine/phrasewords.h"
#include "analysis/engine/stringindex.h"
#include "text/hugepages.h"
#include "text/wtf8.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

inline bool isAsciiUpper(unsigned char b) {
    return b >= 'A' && b <= 'Z';
}


// Counts of 32 bits take half the room; only a text of gigabytes can take
// one past that, and the carries keep what is above.
struct Counts32 {
    std::vector<std::uint32_t> low;
    std::unordered_map<std::uint32_t, std::uint64_t> carries;

    void add(std::uint32_t id, std::uint64_t n) {
        const std::uint64_t sum = low[id] + n;
        if (sum > 0xFFFFFFFFu) carries[id] += sum & ~std::uint64_t(0xFFFFFFFFu);
        low[id] = std::uint32_t(sum);
    }
    bool counted(std::uint32_t id) const {
        return low[id] || (!carries.empty() && carries.count(id));
    }
    void clear(std::uint32_t id) {
        low[id] = 0;
        if (!carries.empty()) carries.erase(id);
    }
    std::uint64_t operator[](std::uint32_t id) const {
        if (carries.empty()) return low[id];
        const auto it = carries.find(id);
        return low[id] + (it == carries.end() ? 0 : it->second);
    }
};

} // namespace

// Working state of the word phase, kept until the word table is filled.
//
// Where words are cut from the phrase words, a phrase word that is a word
// itself keeps its id and its place in the phrase counter's pool, which the
// word table then shares: only the other words are added to a pool here.
// Ids below sharedWords() name shared words, those above the words here.
struct AnalysisRun::WordCounts {
    std::shared_ptr<const StringPool> shared;
    Counts32 sharedCounts; // 0 for a phrase word that is no word itself
    std::shared_ptr<StringPool> pool = std::make_shared<StringPool>();
    StringIndex index{pool.get(), 1 << 14};
    Counts32 counts;

    std::uint32_t sharedWords() const { return std::uint32_t(sharedCounts.low.size()); }
    // Every id, counted or not (a phrase word that is no word, a word here
    // that joined a phrase word).
    std::uint32_t ids() const { return sharedWords() + std::uint32_t(counts.low.size()); }
    std::string_view view(std::uint32_t id) const {
        const std::uint32_t n = sharedWords();
        return id < n ? shared->view(qsizetype(id)) : pool->view(qsizetype(id - n));
    }
    bool counted(std::uint32_t id) const {
        const std::uint32_t n = sharedWords();
        return id < n ? sharedCounts.counted(id) : counts.counted(id - n);
    }
    std::uint64_t count(std::uint32_t id) const {
        const std::uint32_t n = sharedWords();
        return id < n ? sharedCounts[id] : counts[id - n];
    }
    std::uint32_t distinct() const {
        std::uint32_t words = 0;
        for (std::uint32_t id = 0, n = ids(); id < n; ++id)
            words += counted(id);
        return words;
    }
    // The ids of the words counted, in order.
    std::vector<std::uint32_t> listed() const {
        std::vector<std::uint32_t> words;
        for (std::uint32_t id = 0, n = ids(); id < n; ++id)
            if (counted(id)) words.push_back(id);
        return words;
    }
};

AnalysisRun::AnalysisRun(const TextLines& lines, const QString& wordCharacters,
                         const QLocale& locale)
    : lines_(lines), wordCharacters_(wordCharacters),
      collator_(std::make_unique<ListCollator>(locale)) {}

void AnalysisRun::setCollation(const std::string& icuLocaleId) {
    collator_ = ListCollator::forIcuLocale(icuLocaleId);
}

AnalysisRun::~AnalysisRun() {
    stopPhrases();
}

void AnalysisRun::stopPhrases() {
    cancelPhrases_ = true;
    if (phraseThread_.joinable()) phraseThread_.join();
}

bool AnalysisRun::pulse() {
    if (cancelled_) return false;
    if (!idle_ || sinceAnswered_.elapsed() < idleInterval_) return true;
    sinceAnswered_.restart();
    if (!idle_()) {
        cancelled_ = true;
        cancelPhrases_ = true;
    }
    return !cancelled_;
}

bool AnalysisRun::setProgress(const AnalysisProgress& progress) {
    sinceAnswered_.restart();
    shown_ = progress;
    if (progress_ && !progress_(progress)) {
        cancelled_ = true;
        cancelPhrases_ = true;
    }
    return !cancelled_;
}

bool AnalysisRun::report(int percent) {
    if (cancelled_) return false;
    // The first percentage is always shown; later ones when they change.
    if (shown_.phase == AnalysisProgress::Phase::Counting && percent == shown_.percent) return true;
    if (shown_.phase == AnalysisProgress::Phase::Started && percent == 0) return true;
    return setProgress({AnalysisProgress::Phase::Counting, percent, 0});
}

bool AnalysisRun::run() {
    start();
    if (!countCharacters() || !countWords() || !fillWordTable() || !countLines()) return false;
    if (tablesReady_) tablesReady_();
    warnIfNoWords();
    if (!countPhrases()) return false;
    finish();
    return true;
}

void AnalysisRun::checkLines(const TextLines& lines, const AnalysisLimits& limits) {
    if (lines.count() > limits.items) throw AnalysisError(AnalysisError::Kind::TooManyLines, limits.items);
    // A line never has more UTF-16 units than UTF-8 bytes, so only a text
    // longer than the limit can hold a line that is.
    const std::shared_ptr<const StringPool> pool = lines.pool();
    if (qint64(pool->allBytes().size()) <= limits.lineUnits) return;
    for (qsizetype i = 0, n = pool->count(); i < n; ++i) {
        const std::string_view line = pool->view(i);
        if (qint64(line.size()) > limits.lineUnits &&
            qint64(Wtf8::utf16Length(line)) > limits.lineUnits)
            throw AnalysisError(AnalysisError::Kind::LineTooLong, limits.lineUnits, i + 1);
    }
}

void AnalysisRun::start() {
    checkLines(lines_, limits_);
    clock_.start();
    stopPhrases();
    shown_ = AnalysisProgress();
    cancelled_ = false;
    cancelPhrases_ = false;
    phraseError_ = nullptr;
    results_->wordCharacters = wordCharacters_;
    results_->collation = collator_->localeName();
    phraseCollator_ = collator_->clone();
    phrases_ = std::make_unique<PhraseCounter>(*phraseCollator_);
    phrases_->setDirectTableLimit(tuning_.directTableLimit);
    deriveWords_ = phrasesInBackground_ && wordsFromPhraseWords();
    phrases_->setTokenizedWordsWanted(deriveWords_);
    expectedWords_ = expectedWordBytes_ = 0;
    if (phrasesInBackground_ && tuning_.wordSource == WordSource::Choose) expectNewWords();
    // Words scanned from the lines take one core beside the phrase count,
    // which then tokenizes in one piece. So it does where nearly every word
    // is new: pieces side by side would each hold a copy of the words until
    // they are joined.
    if (phrasesInBackground_ && (!deriveWords_ || expectedWords_)) {
        phrases_->setPieces(1);
        phrases_->expectWords(expectedWords_, expectedWordBytes_);
    }
    if (tuning_.tokenizerPieces > 0) phrases_->setPieces(tuning_.tokenizerPieces);
    phrasesCounted_ = false;
    phraseWordsReady_ = false;
    phraseWordsTaken_ = !deriveWords_;
    phrases_->setTokenizedHandler([this] {
        const std::lock_guard lock(phraseMutex_);
        phraseWordsReady_ = true;
        phraseDone_.notify_all();
    });
    if (phrasesInBackground_) {
        try {
            phraseThread_ = std::thread([this] {
                try {
                    phrases_->countPhrases(lines_, &cancelPhrases_);
                } catch (...) {
                    phraseError_ = std::current_exception();
                }
                const std::lock_guard lock(phraseMutex_);
                phrasesCounted_ = true;
                releasePhraseTextIfDone();
                phraseDone_.notify_all();
            });
        } catch (const std::system_error&) {
            // No thread to be had: countPhrases() counts them itself.
        }
    }
    results_->text = lines_;
    results_->overview.fileSize = lines_.textLength();
    setProgress(AnalysisProgress());
}

template <typename Percent, typename Body>
bool AnalysisRun::eachStretch(std::uint64_t n, Percent percent, Body body) {
    // Items that share one progress value are handled as one stretch, after
    // that value is reported.
    for (std::uint64_t i = 0; i < n;) {
        const int shown = percent(i);
        if (!report(shown)) return false;
        std::uint64_t j = i + 1;
        while (j < n && percent(j) == shown)
            ++j;
        body(i, j);
        i = j;
    }
    return true;
}

bool AnalysisRun::countCharacters() {
    std::vector<std::uint64_t> counts(0x10000, 0);
    const std::uint64_t n = std::uint64_t(lines_.count());
    // Lines lie back to back in the pool, so every stretch of lines that
    // shares one progress value is counted in a single sweep.
    const bool counted = eachStretch(
        n, [n](std::uint64_t i) { return int((i * 100 / n) / 10); },
        [&](std::uint64_t i, std::uint64_t j) {
            const auto* p =
                reinterpret_cast<const unsigned char*>(lines_.lineBytes(qsizetype(i)).data());
            const auto* end =
                reinterpret_cast<const unsigned char*>(lines_.lineBytes(qsizetype(j - 1)).data() +
                                                       lines_.lineBytes(qsizetype(j - 1)).size());
            std::array<std::uint32_t, 128> a{}, b{};
            std::uint64_t pending = 0;
            while (p < end) {
                // Two interleaved tables keep consecutive increments independent.
                while (end - p >= 2 && (p[0] | p[1]) < 0x80) {
                    ++a[p[0]];
                    ++b[p[1]];
                    p += 2;
                    if (++pending == 0x7FFFFFFF) {
                        for (int k = 0; k < 128; ++k) {
                            counts[k] += std::uint64_t(a[k]) + b[k];
                            a[k] = b[k] = 0;
                        }
                        pending = 0;
                    }
                }
                if (p >= end) break;
                if (*p < 0x80) {
                    ++counts[*p++];
                    continue;
                }
                const char32_t c = Wtf8::decodeAt(p);
                if (c < 0x10000) {
                    ++counts[c];
                } else {
                    ++counts[0xD800 + ((c - 0x10000) >> 10)];
                    ++counts[0xDC00 + ((c - 0x10000) & 0x3FF)];
                }
            }
            for (int k = 0; k < 128; ++k)
                counts[k] += std::uint64_t(a[k]) + b[k];
        });
    if (!counted) return false;
    for (char16_t c = 'a'; c <= 'z'; ++c) {
        counts[c - 32] += counts[c];
        counts[c] = 0;
    }

    auto pool = std::make_shared<StringPool>();
    std::vector<std::uint64_t> distinctCounts;
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        if (!counts[c]) continue;
        const char16_t unit = char16_t(c);
        pool->append(QStringView(&unit, 1));
        distinctCounts.push_back(counts[c]);
    }
    const std::uint32_t distinct = std::uint32_t(distinctCounts.size());
    std::vector<std::uint32_t> order =
        collator_->sortedOrder(distinct, [&](std::uint32_t k) { return pool->view(k); });
    std::vector<std::uint64_t> sortedCounts(distinct);
    for (std::uint32_t k = 0; k < distinct; ++k)
        sortedCounts[k] = distinctCounts[order[k]];
    results_->characters.setItems(pool, std::move(order), std::move(sortedCounts));
    results_->overview.totalCharacters = results_->characters.total();
    results_->overview.uniqueCharacters = distinct;
    return true;
}

bool AnalysisRun::countWords() {
    words_ = std::make_unique<WordCounts>();
    WordCounts& w = *words_;

    // Membership by UTF-16 code unit, as the characters of the text are.
    std::vector<bool> isWordUnit(0x10000, false);
    bool surrogates = false, lowUnits = false;
    for (QChar c : wordCharacters_) {
        isWordUnit[c.unicode()] = true;
        surrogates |= c.isSurrogate();
        lowUnits |= c.unicode() <= 0x20;
    }
    std::array<bool, 128> asciiWord{};
    for (int c = 0; c < 128; ++c)
        asciiWord[c] = isWordUnit[c];

    // Words of a few lines are gathered first and looked up together, so
    // that their hash-table slots can be fetched from memory in parallel.
    // Words with upper-case letters are lowered into `scratch`, which never
    // grows while the batch views it.
    std::string scratch;
    std::vector<std::string_view> batch;
    // Each word of the batch counts this many times: once when lines are
    // scanned, the occurrences of a phrase word when words are cut from those.
    std::vector<std::uint32_t> weights;
    std::uint32_t weight = 1;
    // The phrase word being cut, and whether it turned out a word itself.
    const unsigned char *whole = nullptr, *wholeEnd = nullptr;
    bool itself = false;
    auto addWord = [&](const unsigned char* s, const unsigned char* e) {
        if (lowUnits) {
            while (s < e && *s <= 0x20)
                ++s;
            while (e > s && e[-1] <= 0x20)
                --e;
        }
        if (s == e) return;
        std::string_view word(reinterpret_cast<const char*>(s), std::size_t(e - s));
        const unsigned char* upper = std::find_if(s, e, isAsciiUpper);
        if (upper == e && s == whole && e == wholeEnd) {
            itself = true;
            return;
        }
        if (upper != e) {
            const std::size_t at = scratch.size();
            scratch.append(word);
            for (std::size_t k = at + std::size_t(upper - s); k < scratch.size(); ++k)
                if (isAsciiUpper(static_cast<unsigned char>(scratch[k])))
                    scratch[k] = char(scratch[k] + 32);
            word = std::string_view(scratch).substr(at);
        }
        batch.push_back(word);
        if (weight != 1) {
            weights.resize(batch.size() - 1, 1);
            weights.push_back(weight);
        }
    };
    std::vector<StringIndex::Key> keys;
    auto flush = [&] {
        keys.resize(batch.size());
        for (std::size_t k = 0; k < batch.size(); ++k) {
            keys[k] = StringIndex::key(batch[k]);
            w.index.prefetch(keys[k]);
        }
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const std::uint32_t id = w.index.intern(keys[k]);
            if (id >= w.counts.low.size()) {
                if (qint64(id) >= limits_.items)
                    throw AnalysisError(AnalysisError::Kind::TooManyDistinctWords, limits_.items);
                w.counts.low.push_back(0);
            }
            w.counts.add(id, k < weights.size() ? weights[k] : 1);
        }
        batch.clear();
        weights.clear();
        scratch.clear();
    };

    std::u16string units;
    std::string wordBytes;
    // The words of one line, or of one word of the phrase split.
    auto scan = [&](std::string_view line) {
        // Batches span lines, as long as the line's lowered words fit into
        // what `scratch` holds without moving.
        if (batch.size() >= 32 || scratch.capacity() - scratch.size() < line.size()) flush();
        if (scratch.capacity() < line.size())
            scratch.reserve(std::max<std::size_t>(line.size(), 4096));
        const auto* p = reinterpret_cast<const unsigned char*>(line.data());
        const auto* end = p + line.size();
        if (!surrogates) {
            // Characters outside the BMP can never be word characters here,
            // so words are whole byte ranges of the line. Two tight loops:
            // skip to a word's start, then run to its end.
            auto wordAt = [&](const unsigned char*& q) {
                const unsigned char b = *q;
                if (b < 0x80) {
                    ++q;
                    return bool(asciiWord[b]);
                }
                const char32_t c = Wtf8::decodeAt(q);
                return c < 0x10000 && bool(isWordUnit[c]);
            };
            while (p < end) {
                while (p < end && *p < 0x80 && !asciiWord[*p])
                    ++p;
                if (p == end) break;
                const unsigned char* start = p;
                if (!wordAt(p)) continue;
                for (;;) {
                    while (p < end && *p < 0x80 && asciiWord[*p])
                        ++p;
                    if (p == end) break;
                    const unsigned char* at = p;
                    if (!wordAt(p)) {
                        p = at;
                        break;
                    }
                }
                addWord(start, p);
            }
        } else {
            // A word may hold half of a surrogate pair: work on code units.
            units.clear();
            Wtf8::appendUtf16(units, line);
            std::size_t k = 0, m = units.size(), ws = 0;
            bool in = false;
            for (; k <= m; ++k) {
                const bool word = k < m && isWordUnit[units[k]];
                if (word && !in) {
                    ws = k;
                    in = true;
                } else if (!word && in) {
                    wordBytes.clear();
                    Wtf8::append(wordBytes, QStringView(units.data() + ws, qsizetype(k - ws)));
                    const auto* wb = reinterpret_cast<const unsigned char*>(wordBytes.data());
                    addWord(wb, wb + wordBytes.size());
                    flush(); // the batch views wordBytes, reused for the next word
                    in = false;
                }
            }
        }
    };

    if (waitForPhraseWords()) {
        // No word character splits words for phrases, so every word lies
        // within one word of the phrase split: the distinct ones are cut
        // once, each counting as often as it occurs.
        w.shared = phrases_->tokenizedWords();
        w.sharedCounts.low = phrases_->takeTokenizedWordCounts();
        {
            const std::lock_guard lock(phraseMutex_);
            phraseWordsTaken_ = true;
            releasePhraseTextIfDone();
        }
        // Progress goes through the percentages a scan of the lines shows,
        // in step with the words cut.
        const std::uint64_t lines = std::uint64_t(lines_.count());
        const std::uint32_t words = w.sharedWords();
        std::uint64_t line = 0, cut = 0;
        auto reportUpTo = [&](std::uint64_t until) {
            for (; line < until; ++line)
                if (!report(int((line * 100 / lines) / 2 + 10))) return false;
            return true;
        };
        for (std::uint32_t id = 0; id < words; ++id) {
            const std::uint32_t occurrences = w.sharedCounts.low[id];
            if (!occurrences) continue;
            if ((cut++ & 0x3FF) == 0 && !reportUpTo(lines * (cut - 1) / words)) return false;
            const std::string_view text = w.shared->view(qsizetype(id));
            whole = reinterpret_cast<const unsigned char*>(text.data());
            wholeEnd = whole + text.size();
            itself = false;
            weight = occurrences;
            scan(text);
            if (!itself) w.sharedCounts.low[id] = 0;
        }
        whole = wholeEnd = nullptr;
        if (!reportUpTo(lines)) return false;
        flush();
        // A word cut here may be a phrase word as well ("the" from "The"):
        // it adds to that one.
        if (w.pool->count() > 0) {
            for (std::uint32_t id = 0; id < words; ++id) {
                if (!w.sharedCounts.counted(id)) continue;
                const std::uint32_t own = w.index.find(StringIndex::key(w.shared->view(id)));
                if (own == StringIndex::NotFound) continue;
                w.sharedCounts.add(id, w.counts[own]);
                w.counts.clear(own);
            }
        }
        if (qint64(w.distinct()) > limits_.items)
            throw AnalysisError(AnalysisError::Kind::TooManyDistinctWords, limits_.items);
        return true;
    }
    if (cancelled_) return false;

    const std::uint64_t n = std::uint64_t(lines_.count());
    for (std::uint64_t i = 0; i < n; ++i) {
        if (!report(int((i * 100 / n) / 2 + 10))) return false;
        const std::string_view line = lines_.lineBytes(qsizetype(i));
        if (line.empty()) continue;
        scan(line);
    }
    flush();
    return true;
}

void AnalysisRun::releasePhraseTextIfDone() {
    if (phrasesCounted_ && phraseWordsTaken_ && !phraseError_) phrases_->releaseText();
}

bool AnalysisRun::wordsFromPhraseWords() const {
    for (QChar c : wordCharacters_)
        if (PhraseWords::isDelimiter(c.unicode())) return false;
    return tuning_.wordSource != WordSource::Lines;
}

void AnalysisRun::expectNewWords() {
    // Where nearly every word is new (logs, lists of names), the room for
    // the words is taken at once: a sample of the text's start tells.
    constexpr std::size_t SampleBytes = std::size_t(1) << 20;
    std::unordered_set<std::string_view> seen;
    std::size_t words = 0, bytes = 0, distinctBytes = 0;
    for (qsizetype i = 0, n = lines_.count(); i < n && bytes < SampleBytes; ++i) {
        const std::string_view line = lines_.lineBytes(i);
        bytes += line.size() + 1;
        std::size_t start = 0;
        for (std::size_t k = 0; k <= line.size(); ++k) {
            if (k < line.size() &&
                !PhraseWords::isDelimiter(char16_t(static_cast<unsigned char>(line[k]))))
                continue;
            if (k > start) {
                ++words;
                if (seen.insert(line.substr(start, k - start)).second) distinctBytes += k - start;
            }
            start = k + 1;
        }
    }
    if (seen.size() * 2 <= words) return;
    // The rest of the text is taken to be like its start, with a margin:
    // room that falls short by a little is doubled, and held twice while it
    // is copied, while room left over is never touched. The sample counted
    // a break after each line, as the whole is measured here.
    const double wholeBytes = double(lines_.allBytes().size()) + double(lines_.count());
    const double scale = wholeBytes / double(std::max<std::size_t>(bytes, 1)) * 1.125;
    expectedWords_ = std::size_t(double(seen.size()) * std::max(scale, 1.0));
    expectedWordBytes_ = std::size_t(double(distinctBytes) * std::max(scale, 1.0));
}

bool AnalysisRun::waitForPhraseWords() {
    if (!phraseThread_.joinable() || !deriveWords_) return false;
    for (;;) {
        {
            std::unique_lock lock(phraseMutex_);
            if (phraseDone_.wait_for(lock, std::chrono::milliseconds(20),
                                     [this] { return phraseWordsReady_ || phrasesCounted_; }))
                return phraseWordsReady_;
        }
        if (!pulse()) return false;
    }
}

bool AnalysisRun::fillWordTable() {
    WordCounts& w = *words_;
    // The words are all found: their index goes before the sort needs room.
    w.index.release();
    const std::uint32_t shared = w.sharedWords();
    const std::uint32_t distinct = w.distinct();
    // Where every id is counted, the ids are the places in the list.
    const std::vector<std::uint32_t> ids =
        distinct < w.ids() ? w.listed() : std::vector<std::uint32_t>();
    auto idAt = [&ids](std::uint32_t k) { return ids.empty() ? k : ids[k]; };
    std::vector<std::uint32_t> order = collator_->sortedOrder(
        distinct, [&](std::uint32_t k) { return w.view(idAt(k)); }, [this] { pulse(); });
    // The table names its words in one pool: the phrase counter's or the one
    // here where all are in one of them, else a pool of the words in order.
    const bool anyShared = distinct > 0 && idAt(0) < shared;
    const bool anyOwn = distinct > 0 && idAt(distinct - 1) >= shared;
    std::shared_ptr<const StringPool> pool = w.pool;
    std::shared_ptr<StringPool> merged;
    if (anyShared && anyOwn) {
        merged = std::make_shared<StringPool>();
        pool = merged;
    } else if (anyShared) {
        pool = w.shared;
    }
    std::vector<std::uint64_t> sortedCounts;
    HugePages::resize(sortedCounts, distinct);
    const bool filled = eachStretch(
        distinct, [distinct](std::uint64_t i) { return int((i * 100 / distinct) / 5 + 60); },
        [&](std::uint64_t i, std::uint64_t j) {
            for (; i < j; ++i) {
                const std::uint32_t id = idAt(order[i]);
                sortedCounts[i] = w.count(id);
                if (merged) {
                    merged->append(w.view(id));
                    order[i] = std::uint32_t(i);
                } else {
                    order[i] = anyShared ? id : id - shared;
                }
            }
        });
    if (!filled) return false;
    results_->words.setItems(std::move(pool), std::move(order), std::move(sortedCounts));
    results_->overview.totalWords = results_->words.total();
    results_->overview.uniqueWords = distinct;
    results_->noWords = distinct == 0;
    words_.reset();
    return true;
}

void AnalysisRun::forEachWordCount(
    const std::function<void(std::string_view word, std::uint64_t count)>& visit) const {
    if (!words_) return;
    const WordCounts& w = *words_;
    for (std::uint32_t id = 0, n = w.ids(); id < n; ++id)
        if (w.counted(id)) visit(w.view(id), w.count(id));
}

bool AnalysisRun::countLines() {
    std::shared_ptr<const StringPool> pool = lines_.pool();
    std::uint64_t n = std::uint64_t(pool->count());
    // Without the flag, a final empty line is only the text's last break.
    if (n > 0 && !lines_.trailingBreak() && pool->view(qsizetype(n - 1)).empty()) --n;

    // Group exactly equal lines by hashing; each group is named by the index
    // of its first line.
    std::vector<std::uint32_t> firstOf;
    std::vector<std::uint64_t> groupCounts;
    {
        StringIndex index(const_cast<StringPool*>(pool.get()), std::min<std::uint64_t>(n, 1 << 20));
        std::vector<std::uint32_t> groupId; // per line
        HugePages::reserve(groupId, n);
        HugePages::reserve(firstOf, n);
        HugePages::reserve(groupCounts, n);
        // Keys of a block of lines first, their slots fetched side by side.
        constexpr std::uint64_t Block = 16;
        StringIndex::Key keys[Block];
        for (std::uint64_t i = 0; i < n; ++i) {
            if ((i & 0xFFFF) == 0xFFFF && !pulse()) return false;
            if (i % Block == 0) {
                for (std::uint64_t j = i; j < std::min(n, i + Block); ++j) {
                    keys[j - i] = StringIndex::key(pool->view(qsizetype(j)));
                    index.prefetch(keys[j - i]);
                }
            }
            const std::uint32_t first = index.internExisting(std::uint32_t(i), keys[i % Block]);
            if (first == i) {
                firstOf.push_back(first);
                groupCounts.push_back(1);
                groupId.push_back(std::uint32_t(firstOf.size() - 1));
            } else {
                groupId.push_back(groupId[first]);
                ++groupCounts[groupId[first]];
            }
        }
    }
    const std::uint32_t distinct = std::uint32_t(firstOf.size());
    std::vector<std::uint32_t> order = collator_->sortedOrder(
        distinct, [&](std::uint32_t k) { return pool->view(firstOf[k]); }, [this] { pulse(); });
    if (!pulse()) return false;

    // Progress as if the sorted lines were walked group by group.
    std::uint64_t position = 0;
    for (std::uint32_t k = 0; k < distinct; ++k) {
        if (!report(int((position * 100 / n) / 10 + 80))) return false;
        position += groupCounts[order[k]];
    }
    std::vector<std::uint32_t> keys(distinct);
    std::vector<std::uint64_t> sortedCounts(distinct);
    const bool filled = eachStretch(
        distinct, [distinct](std::uint64_t i) { return int((i * 100 / distinct) / 20 + 90); },
        [&](std::uint64_t i, std::uint64_t j) {
            for (; i < j; ++i) {
                keys[i] = firstOf[order[i]];
                sortedCounts[i] = groupCounts[order[i]];
            }
        });
    if (!filled) return false;
    results_->lines.setItems(pool, std::move(keys), std::move(sortedCounts));
    results_->overview.totalLines = results_->lines.total();
    results_->overview.uniqueLines = distinct;
    return true;
}

void AnalysisRun::warnIfNoWords() {
    if (results_->words.itemCount() > 0) return;
    results_->noWords = true;
    if (noWords_) noWords_();
}

bool AnalysisRun::countPhrases() {
    if (phraseThread_.joinable()) {
        // The caller's thread is a window's: it keeps answering meanwhile.
        for (;;) {
            {
                std::unique_lock lock(phraseMutex_);
                if (phraseDone_.wait_for(lock, std::chrono::milliseconds(20),
                                         [this] { return phrasesCounted_; }))
                    break;
            }
            if (!pulse()) {
                stopPhrases();
                return false;
            }
        }
        phraseThread_.join();
    } else {
        phrases_->countPhrases(lines_, &cancelPhrases_);
    }
    if (phraseError_) std::rethrow_exception(std::exchange(phraseError_, nullptr));
    results_->phrases2 = phrases_->takeSummary(2);
    results_->phrases3 = phrases_->takeSummary(3);
    results_->phrases4 = phrases_->takeSummary(4);
    for (const PhraseTable* table : {&results_->phrases2, &results_->phrases3, &results_->phrases4})
        if (table->size() > std::size_t(limits_.items))
            throw AnalysisError(AnalysisError::Kind::TooManyRepeatedPhrases, limits_.items);
    phrases_.reset();
    phraseCollator_.reset();
    return true;
}

void AnalysisRun::finish() {
    setProgress({AnalysisProgress::Phase::Finished, 100, double(clock_.elapsed()) / 1000.0});
}
