#include "analysis/corpus/corpuscounts.h"

#include "analysis/engine/analysisrun.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasecounter.h"
#include "analysis/engine/stringindex.h"
#include "analysis/engine/stringpool.h"
#include "analysis/engine/textlines.h"
#include "text/sidethread.h"
#include "text/wtf8.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

// Index bytes of n strings: the index doubles past 70 % full; its slots
// shrink from 16 to 8 bytes past two million.
std::size_t indexBytes(std::size_t n) {
    std::size_t capacity = 16;
    while (n * 10 > capacity * 7)
        capacity *= 2;
    return capacity * (capacity > (std::size_t(1) << 21) ? 8 : 16);
}

std::size_t poolBytes(const StringPool& pool) {
    const std::size_t bytes = pool.allBytes().size();
    return bytes + bytes / 4 + 4 * std::size_t(pool.count() + 1);
}

// Characters, words or lines by their exact text, with their counts.
struct Tally {
    StringPool texts;
    StringIndex index{&texts, 1 << 10};
    std::vector<std::uint64_t> counts;
    std::vector<std::uint32_t> files;
    std::vector<std::uint32_t> lastFile; // lines: the file (from 1) that last counted one

    std::size_t size() const { return counts.size(); }

    // The id of the text, added with zero counts when new.
    std::uint32_t intern(const StringIndex::Key& key, bool lines) {
        const std::uint32_t id = index.intern(key);
        if (id == counts.size()) {
            counts.push_back(0);
            files.push_back(0);
            if (lines) lastFile.push_back(0);
        }
        return id;
    }

    std::size_t memoryBytes() const {
        return poolBytes(texts) + indexBytes(size()) + counts.capacity() * sizeof(std::uint64_t) +
               (files.capacity() + lastFile.capacity()) * sizeof(std::uint32_t);
    }
};

// The phrases of one length, each by the words of the form a file first
// showed it in. Words are ids into the run's phrase words, so that a phrase
// is a few numbers compared in place, its count beside them.
struct PhraseTally {
    struct Slot {
        std::uint32_t words[4];
        std::uint32_t files; // 0: an empty slot
        std::uint32_t firstFile;
        std::uint32_t firstWord;
        std::uint64_t count;
    };

    explicit PhraseTally(int length) : k(length) {}

    int k;
    std::vector<Slot> entries = std::vector<Slot>(1024, Slot{});
    std::size_t used = 0;

    std::uint64_t hash(const std::uint32_t* words) const {
        std::uint64_t h = 0x2545F4914F6CDD1DULL;
        for (int t = 0; t < k; ++t)
            h = (h ^ words[t]) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ULL;
        h ^= h >> 29;
        return h;
    }

    // Room for this many more phrases without growing on the way.
    void reserve(std::size_t more) {
        std::size_t capacity = entries.size();
        while ((used + more) * 10 > capacity * 7)
            capacity *= 2;
        if (capacity == entries.size()) return;
        std::vector<Slot> bigger(capacity, Slot{});
        const std::size_t mask = capacity - 1;
        for (const Slot& s : entries) {
            if (!s.files) continue;
            std::size_t i = std::size_t(hash(s.words)) & mask;
            while (bigger[i].files)
                i = (i + 1) & mask;
            bigger[i] = s;
        }
        entries.swap(bigger);
    }

    void prefetch(std::uint64_t h) const {
        __builtin_prefetch(&entries[std::size_t(h) & (entries.size() - 1)]);
    }

    // One file's count of the phrase.
    void add(const std::uint32_t* words, std::uint64_t h, std::uint64_t count, std::uint32_t file,
             std::uint32_t firstWord) {
        const std::size_t mask = entries.size() - 1;
        for (std::size_t i = std::size_t(h) & mask;; i = (i + 1) & mask) {
            Slot& s = entries[i];
            if (!s.files) {
                std::memcpy(s.words, words, sizeof(std::uint32_t) * std::size_t(k));
                s.files = 1;
                s.firstFile = file;
                s.firstWord = firstWord;
                s.count = count;
                ++used;
                return;
            }
            if (std::memcmp(s.words, words, sizeof(std::uint32_t) * std::size_t(k)) == 0) {
                ++s.files;
                s.count += count;
                return;
            }
        }
    }

    // Moves the phrases to the front, in no particular order.
    void compact() {
        std::size_t to = 0;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].files) entries[to++] = entries[i];
        entries.resize(to);
    }

    std::size_t memoryBytes() const { return entries.capacity() * sizeof(Slot); }
};

// Sort keys of many texts, which text() writes out, and with keepTexts the
// texts too; a long list shares them out with a second thread and its own
// copy of the collator.
class SortKeys {
public:
    using Text = std::function<void(std::size_t i, std::string& out)>;

    SortKeys(const ListCollator& collator, std::size_t n, const Text& text, bool keepTexts) {
        middle_ = n >= 65536 ? n / 2 : n;
        if (middle_ < n) {
            const std::unique_ptr<ListCollator> copy = collator.clone();
            SideThread half([&] {
                fill(*copy, text, middle_, n, second_, keepTexts ? &secondTexts_ : nullptr);
            });
            fill(collator, text, 0, middle_, first_, keepTexts ? &firstTexts_ : nullptr);
            half.join();
        } else {
            fill(collator, text, 0, n, first_, keepTexts ? &firstTexts_ : nullptr);
        }
    }
    std::string_view key(std::size_t i) const {
        return i < middle_ ? first_.view(qsizetype(i)) : second_.view(qsizetype(i - middle_));
    }
    std::string_view text(std::size_t i) const {
        return i < middle_ ? firstTexts_.view(qsizetype(i))
                           : secondTexts_.view(qsizetype(i - middle_));
    }

private:
    static void fill(const ListCollator& collator, const Text& text, std::size_t from,
                     std::size_t to, StringPool& out, StringPool* texts) {
        std::string bytes;
        std::u16string units;
        std::vector<std::uint8_t> buffer(256);
        for (std::size_t i = from; i < to; ++i) {
            bytes.clear();
            text(i, bytes);
            units.clear();
            Wtf8::appendUtf16(units, bytes);
            const auto* chars = reinterpret_cast<const UChar*>(units.data());
            int32_t n = ucol_getSortKey(collator.handle(), chars, int32_t(units.size()),
                                        buffer.data(), int32_t(buffer.size()));
            if (n > int32_t(buffer.size())) {
                buffer.resize(std::size_t(n));
                n = ucol_getSortKey(collator.handle(), chars, int32_t(units.size()), buffer.data(),
                                    int32_t(buffer.size()));
            }
            // Every sort key ends in a zero byte; no length means ICU ran
            // short of memory.
            if (n <= 0) throw std::bad_alloc();
            out.append(
                std::string_view(reinterpret_cast<const char*>(buffer.data()), std::size_t(n)));
            if (texts) texts->append(bytes);
        }
    }

    std::size_t middle_ = 0;
    StringPool first_, second_;
    StringPool firstTexts_, secondTexts_;
};

// The first sixteen bytes of a key, big-endian and zero padded, so that
// most comparisons during the sort stay within the array.
struct SortItem {
    std::uint64_t high, low;
    std::uint32_t id;
};

std::uint64_t bigEndian(std::string_view key, std::size_t from) {
    std::uint64_t v = 0;
    for (std::size_t k = 0; k < 8; ++k)
        v = v << 8 | (from + k < key.size() ? static_cast<unsigned char>(key[from + k]) : 0u);
    return v;
}

template <typename Less> void sortSideBySide(std::vector<SortItem>& items, Less less) {
    if (items.size() < 65536) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    const auto middle = items.begin() + std::ptrdiff_t(items.size() / 2);
    SideThread half([&] { std::sort(middle, items.end(), less); });
    std::sort(items.begin(), middle, less);
    half.join();
    std::inplace_merge(items.begin(), middle, items.end(), less);
}

} // namespace

struct CorpusCounts::Counts {
    std::vector<std::uint64_t> characterCounts = std::vector<std::uint64_t>(0x10000, 0);
    std::vector<std::uint32_t> characterFiles = std::vector<std::uint32_t>(0x10000, 0);
    std::unique_ptr<Tally> words = std::make_unique<Tally>();
    std::unique_ptr<Tally> lines = std::make_unique<Tally>();
    // The words of the phrases, by their exact text.
    StringPool phraseWords;
    StringIndex phraseWordIndex{&phraseWords, 1 << 12};
    std::unique_ptr<PhraseTally> phrases[3] = {std::make_unique<PhraseTally>(2),
                                               std::make_unique<PhraseTally>(3),
                                               std::make_unique<PhraseTally>(4)};
    CorpusTotals totals;

    void appendForm(const PhraseTally::Slot& slot, int k, std::string& out) const {
        for (int t = 0; t < k; ++t) {
            if (t) out += ' ';
            out += phraseWords.view(qsizetype(slot.words[t]));
        }
    }
};

// The counts in table order, one section at a time.
class CorpusCounts::Sorted : public CorpusSource {
public:
    Sorted(std::unique_ptr<Counts> counts, const CorpusSettings& settings)
        : counts_(std::move(counts)), collator_(ListCollator::forIcuLocale(settings.collation)) {
        header_.settings = settings;
        header_.totals = counts_->totals;
    }

    const CorpusHeader& header() const override { return header_; }

    void beginSection(CorpusSection section) override {
        release();
        section_ = section;
        switch (section) {
        case CorpusSection::Characters: {
            // Characters are counted by code unit; here they become texts.
            characters_ = std::make_unique<Tally>();
            for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
                if (!counts_->characterCounts[unit]) continue;
                const char16_t c = char16_t(unit);
                std::string text;
                Wtf8::append(text, QStringView(&c, 1));
                characters_->texts.append(text);
                characters_->counts.push_back(counts_->characterCounts[unit]);
                characters_->files.push_back(counts_->characterFiles[unit]);
            }
            counts_->characterCounts = decltype(counts_->characterCounts)();
            counts_->characterFiles = decltype(counts_->characterFiles)();
            tally_ = characters_.get();
            break;
        }
        case CorpusSection::Words:
            tally_ = counts_->words.get();
            break;
        case CorpusSection::Lines:
            tally_ = counts_->lines.get();
            break;
        default:
            phrases_ = counts_->phrases[int(section) - int(CorpusSection::Phrases2)].get();
            phrases_->compact();
            break;
        }
        if (tally_) tally_->index.release(); // not needed any more
        sort();
    }

    bool next(CorpusEntry& entry) override {
        if (at_ >= order_.size()) return false;
        const std::uint32_t id = order_[at_++].id;
        entry.key = keys_->key(id);
        if (phrases_) {
            const PhraseTally::Slot& slot = phrases_->entries[id];
            entry.text = keys_->text(id);
            entry.count = slot.count;
            entry.files = slot.files;
            entry.firstFile = slot.firstFile;
            entry.firstWord = slot.firstWord;
            // The other forms of the class follow, seen later: they add
            // their counts to the first.
            while (at_ < order_.size() && keys_->key(order_[at_].id) == entry.key) {
                const PhraseTally::Slot& other = phrases_->entries[order_[at_++].id];
                entry.count += other.count;
                entry.files += other.files;
            }
        } else {
            entry.text = tally_->texts.view(id);
            entry.count = tally_->counts[id];
            entry.files = tally_->files[id];
            entry.firstFile = entry.firstWord = 0;
        }
        return true;
    }

private:
    void sort() {
        const std::size_t n = phrases_ ? phrases_->entries.size() : tally_->size();
        if (phrases_) {
            const PhraseTally& p = *phrases_;
            keys_ = std::make_unique<SortKeys>(
                *collator_, n,
                [&](std::size_t i, std::string& out) {
                    counts_->appendForm(p.entries[i], p.k, out);
                },
                true);
        } else {
            const Tally& t = *tally_;
            keys_ = std::make_unique<SortKeys>(
                *collator_, n,
                [&](std::size_t i, std::string& out) { out += t.texts.view(qsizetype(i)); }, false);
        }
        order_.resize(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::string_view key = keys_->key(i);
            order_[i] = SortItem{bigEndian(key, 0), bigEndian(key, 8), i};
        }
        const SortKeys& keys = *keys_;
        const Tally* t = tally_;
        const PhraseTally* p = phrases_;
        sortSideBySide(order_, [&](const SortItem& a, const SortItem& b) {
            if (a.high != b.high) return a.high < b.high;
            if (a.low != b.low) return a.low < b.low;
            const std::string_view x = keys.key(a.id), y = keys.key(b.id);
            if (x.size() > 16 || y.size() > 16) {
                const int c = CorpusOrder::compareKeys(x, y);
                if (c) return c < 0;
            }
            // Equal keys: items by their code units, the forms of a phrase
            // class by where they were first seen.
            if (p) {
                const PhraseTally::Slot &u = p->entries[a.id], &v = p->entries[b.id];
                if (u.firstFile != v.firstFile) return u.firstFile < v.firstFile;
                return u.firstWord < v.firstWord;
            }
            return CorpusOrder::compareUtf16(t->texts.view(a.id), t->texts.view(b.id)) < 0;
        });
        at_ = 0;
    }

    void release() {
        order_ = decltype(order_)();
        keys_.reset();
        characters_.reset();
        if (tally_ == counts_->words.get()) counts_->words = std::make_unique<Tally>();
        if (tally_ == counts_->lines.get()) counts_->lines = std::make_unique<Tally>();
        for (int k = 2; k <= 4; ++k)
            if (phrases_ == counts_->phrases[k - 2].get())
                counts_->phrases[k - 2] = std::make_unique<PhraseTally>(k);
        tally_ = nullptr;
        phrases_ = nullptr;
    }

    std::unique_ptr<Counts> counts_;
    std::unique_ptr<ListCollator> collator_;
    CorpusHeader header_;
    CorpusSection section_ = CorpusSection::Characters;
    std::unique_ptr<Tally> characters_;
    Tally* tally_ = nullptr;
    PhraseTally* phrases_ = nullptr;
    std::unique_ptr<SortKeys> keys_;
    std::vector<SortItem> order_;
    std::size_t at_ = 0;
};

CorpusCounts::CorpusCounts(const CorpusSettings& settings, bool withPhrases)
    : settings_(settings), withPhrases_(withPhrases), counts_(std::make_unique<Counts>()) {
    if (withPhrases_) {
        phraseCollator_ = ListCollator::forIcuLocale(settings_.collation);
        phraseCounter_ = std::make_unique<PhraseCounter>(*phraseCollator_);
        phraseCounter_->setKeepAll(true);
    }
}

CorpusCounts::~CorpusCounts() = default;

std::uint64_t CorpusCounts::files() const {
    return counts_->totals.files;
}

std::size_t CorpusCounts::memoryBytes() const {
    const Counts& c = *counts_;
    std::size_t bytes = c.characterCounts.capacity() * sizeof(std::uint64_t) +
                        c.characterFiles.capacity() * sizeof(std::uint32_t) +
                        c.words->memoryBytes() + c.lines->memoryBytes() + poolBytes(c.phraseWords) +
                        indexBytes(c.phraseWordIndex.size());
    for (const auto& phrases : c.phrases)
        bytes += phrases->memoryBytes();
    return bytes;
}

void CorpusCounts::addText(const TextLines& lines) {
    if (broken_) throw std::logic_error("corpus counts used after a failure");
    // First the file's own counts, which may fail without touching ours.
    AnalysisRun run(lines, settings_.wordCharacters);
    run.setPhrasesInBackground(false);
    {
        std::optional<SideThread> phrases;
        if (withPhrases_) phrases.emplace([&] { phraseCounter_->countPhrases(lines); });
        run.start();
        run.countCharacters();
        run.countWords();
        if (phrases) phrases->join();
    }

    // Then they are added to ours, the phrases beside the rest.
    Counts& c = *counts_;
    const auto file = std::uint32_t(c.totals.files);
    try {
        // The longest phrases, the most numerous, beside the rest.
        std::vector<std::uint32_t> runWord;
        if (withPhrases_) runWord = runWords();
        std::optional<SideThread> phrases;
        if (withPhrases_)
            phrases.emplace([&] {
                addPhrases(4, file, runWord);
                addPhrases(2, file, runWord);
            });

        const FrequencyTable& characters = run.results().characters;
        for (int i = 0; i < characters.itemCount(); ++i) {
            const char16_t unit = characters.key(i).at(0).unicode();
            c.characterCounts[unit] += characters.count(i);
            ++c.characterFiles[unit];
        }
        c.totals.counts[int(CorpusSection::Characters)] += characters.total();

        Tally& words = *c.words;
        std::uint64_t totalWords = 0;
        run.forEachWordCount([&](std::string_view word, std::uint64_t count) {
            const std::uint32_t id = words.intern(StringIndex::key(word), false);
            words.counts[id] += count;
            ++words.files[id];
            totalWords += count;
        });
        c.totals.counts[int(CorpusSection::Words)] += totalWords;

        // As the Line table counts them: without the flag, a final empty
        // line is only the text's last break.
        const std::shared_ptr<const StringPool> pool = lines.pool();
        std::size_t n = std::size_t(pool->count());
        if (n > 0 && !lines.trailingBreak() && pool->view(qsizetype(n - 1)).empty()) --n;
        Tally& lineTally = *c.lines;
        constexpr std::size_t Block = 16;
        StringIndex::Key keys[Block];
        for (std::size_t i = 0; i < n; i += Block) {
            const std::size_t m = std::min(Block, n - i);
            for (std::size_t j = 0; j < m; ++j) {
                keys[j] = StringIndex::key(pool->view(qsizetype(i + j)));
                lineTally.index.prefetch(keys[j]);
            }
            for (std::size_t j = 0; j < m; ++j) {
                const std::uint32_t id = lineTally.intern(keys[j], true);
                ++lineTally.counts[id];
                if (lineTally.lastFile[id] != file + 1) {
                    lineTally.lastFile[id] = file + 1;
                    ++lineTally.files[id];
                }
            }
        }
        c.totals.counts[int(CorpusSection::Lines)] += n;
        if (withPhrases_) addPhrases(3, file, runWord);
        c.totals.fileSize += std::uint64_t(lines.textLength());
        ++c.totals.files;
        if (phrases) phrases->join();
    } catch (...) {
        broken_ = true;
        throw;
    }
}

std::vector<std::uint32_t> CorpusCounts::runWords() {
    // The file's words become the run's phrase words, each once.
    std::vector<std::uint32_t> runWord(phraseCounter_->wordCount());
    for (std::uint32_t id = 0; id < runWord.size(); ++id)
        runWord[id] = counts_->phraseWordIndex.intern(phraseCounter_->word(id));
    return runWord;
}

void CorpusCounts::addPhrases(int k, std::uint32_t file,
                              const std::vector<std::uint32_t>& runWord) {
    PhraseTally& tally = *counts_->phrases[k - 2];
    tally.reserve(phraseCounter_->phraseCount(k));
    std::uint64_t total = 0;
    // Phrases are added a block behind the one being gathered, so that
    // their entries have been fetched from memory by then.
    constexpr std::size_t Block = 32;
    struct Pending {
        std::uint32_t words[4];
        std::uint64_t hash, count;
        std::uint32_t firstWord;
    };
    Pending blocks[2][Block];
    Pending* gathering = blocks[0];
    Pending* waiting = nullptr;
    std::size_t gathered = 0;
    auto add = [&](const Pending* block, std::size_t n) {
        for (std::size_t j = 0; j < n; ++j)
            tally.add(block[j].words, block[j].hash, block[j].count, file, block[j].firstWord);
    };
    phraseCounter_->forEachPhraseWords(
        k, [&](const std::uint32_t* ids, std::uint64_t count, std::uint64_t firstWord) {
            Pending& p = gathering[gathered++];
            for (int t = 0; t < k; ++t)
                p.words[t] = runWord[ids[t]];
            p.hash = tally.hash(p.words);
            p.count = count;
            p.firstWord = std::uint32_t(firstWord);
            tally.prefetch(p.hash);
            total += count;
            if (gathered < Block) return;
            if (waiting) add(waiting, Block);
            waiting = gathering;
            gathering = gathering == blocks[0] ? blocks[1] : blocks[0];
            gathered = 0;
        });
    if (waiting) add(waiting, Block);
    add(gathering, gathered);
    counts_->totals.counts[int(CorpusSection::Phrases2) + k - 2] += total;
}

std::unique_ptr<CorpusSource> CorpusCounts::takeSorted() {
    auto source = std::make_unique<Sorted>(std::move(counts_), settings_);
    counts_ = std::make_unique<Counts>();
    return source;
}
