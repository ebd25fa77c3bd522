#include "analysis/corpuscounts.h"

#include "analysis/analysisrun.h"
#include "analysis/listcollator.h"
#include "analysis/phrasecounter.h"
#include "analysis/sidethread.h"
#include "analysis/stringindex.h"
#include "analysis/stringpool.h"
#include "analysis/textlines.h"
#include "text/wtf8.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <bit>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

// Strings with their counts: how often, in how many files and, for
// phrases, where first seen.
struct Tally {
    StringPool texts;
    StringIndex index{&texts, 1 << 10};
    std::vector<std::uint64_t> counts;
    std::vector<std::uint32_t> files;
    std::vector<std::uint32_t> lastFile;  // lines: the file (from 1) that last counted one
    std::vector<std::uint32_t> firstFile; // phrases
    std::vector<std::uint32_t> firstWord;

    std::size_t size() const { return counts.size(); }

    // The id of the text, added with zero counts when new.
    std::uint32_t intern(const StringIndex::Key& key, bool lines, bool phrases) {
        const std::uint32_t id = index.intern(key);
        if (id == counts.size()) {
            counts.push_back(0);
            files.push_back(0);
            if (lines) lastFile.push_back(0);
            if (phrases) {
                firstFile.push_back(0);
                firstWord.push_back(0);
            }
        }
        return id;
    }

    std::size_t memoryBytes() const {
        const std::size_t n = size();
        // The index doubles past 70 % full; its slots shrink from 16 to 8
        // bytes past two million.
        std::size_t capacity = 16;
        while (n * 10 > capacity * 7)
            capacity *= 2;
        const std::size_t index = capacity * (capacity > (std::size_t(1) << 21) ? 8 : 16);
        const std::size_t bytes = texts.allBytes().size();
        return bytes + bytes / 4 + 4 * (n + 1) + index + counts.capacity() * sizeof(std::uint64_t) +
               (files.capacity() + lastFile.capacity() + firstFile.capacity() +
                firstWord.capacity()) *
                   sizeof(std::uint32_t);
    }
};

// Sort keys of many texts; a long list shares them out with a second
// thread and its own copy of the collator.
class SortKeys {
public:
    SortKeys(const ListCollator& collator, const StringPool& texts) {
        const std::size_t n = std::size_t(texts.count());
        middle_ = n >= 65536 ? n / 2 : n;
        if (middle_ < n) {
            const std::unique_ptr<ListCollator> copy = collator.clone();
            SideThread half([&] { fill(*copy, texts, middle_, n, second_); });
            fill(collator, texts, 0, middle_, first_);
            half.join();
        } else {
            fill(collator, texts, 0, n, first_);
        }
    }
    std::string_view key(std::size_t i) const {
        return i < middle_ ? first_.view(qsizetype(i)) : second_.view(qsizetype(i - middle_));
    }

private:
    static void fill(const ListCollator& collator, const StringPool& texts, std::size_t from,
                     std::size_t to, StringPool& out) {
        std::u16string units;
        std::vector<std::uint8_t> buffer(256);
        for (std::size_t i = from; i < to; ++i) {
            units.clear();
            Wtf8::appendUtf16(units, texts.view(qsizetype(i)));
            const auto* text = reinterpret_cast<const UChar*>(units.data());
            int32_t n = ucol_getSortKey(collator.handle(), text, int32_t(units.size()),
                                        buffer.data(), int32_t(buffer.size()));
            if (n > int32_t(buffer.size())) {
                buffer.resize(std::size_t(n));
                n = ucol_getSortKey(collator.handle(), text, int32_t(units.size()), buffer.data(),
                                    int32_t(buffer.size()));
            }
            // Every sort key ends in a zero byte; no length means ICU ran
            // short of memory.
            if (n <= 0) throw std::bad_alloc();
            out.append(
                std::string_view(reinterpret_cast<const char*>(buffer.data()), std::size_t(n)));
        }
    }

    std::size_t middle_ = 0;
    StringPool first_, second_;
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
    std::unique_ptr<Tally> phrases[3] = {std::make_unique<Tally>(), std::make_unique<Tally>(),
                                         std::make_unique<Tally>()};
    CorpusTotals totals;
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
            counts_->characterCounts = {};
            counts_->characterFiles = {};
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
            tally_ = counts_->phrases[int(section) - int(CorpusSection::Phrases2)].get();
            break;
        }
        // The index is not needed any more.
        tally_->index.release();
        sort();
    }

    bool next(CorpusEntry& entry) override {
        if (at_ >= order_.size()) return false;
        const std::uint32_t id = order_[at_++].id;
        entry.key = keys_->key(id);
        entry.text = tally_->texts.view(id);
        entry.count = tally_->counts[id];
        entry.files = tally_->files[id];
        if (isPhraseSection(section_)) {
            entry.firstFile = tally_->firstFile[id];
            entry.firstWord = tally_->firstWord[id];
        } else {
            entry.firstFile = entry.firstWord = 0;
        }
        return true;
    }

private:
    void sort() {
        keys_ = std::make_unique<SortKeys>(*collator_, tally_->texts);
        const std::size_t n = tally_->size();
        order_.resize(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::string_view key = keys_->key(i);
            order_[i] = SortItem{bigEndian(key, 0), bigEndian(key, 8), i};
        }
        const bool phrases = isPhraseSection(section_);
        const Tally& t = *tally_;
        const SortKeys& keys = *keys_;
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
            if (phrases) {
                if (t.firstFile[a.id] != t.firstFile[b.id])
                    return t.firstFile[a.id] < t.firstFile[b.id];
                return t.firstWord[a.id] < t.firstWord[b.id];
            }
            return CorpusOrder::compareUtf16(t.texts.view(a.id), t.texts.view(b.id)) < 0;
        });
        at_ = 0;
    }

    void release() {
        order_ = {};
        keys_.reset();
        characters_.reset();
        if (tally_ == counts_->words.get()) counts_->words = std::make_unique<Tally>();
        if (tally_ == counts_->lines.get()) counts_->lines = std::make_unique<Tally>();
        for (auto& phrases : counts_->phrases)
            if (tally_ == phrases.get()) phrases = std::make_unique<Tally>();
        tally_ = nullptr;
    }

    std::unique_ptr<Counts> counts_;
    std::unique_ptr<ListCollator> collator_;
    CorpusHeader header_;
    CorpusSection section_ = CorpusSection::Characters;
    std::unique_ptr<Tally> characters_;
    Tally* tally_ = nullptr;
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
    std::size_t bytes = counts_->characterCounts.capacity() * sizeof(std::uint64_t) +
                        counts_->characterFiles.capacity() * sizeof(std::uint32_t) +
                        counts_->words->memoryBytes() + counts_->lines->memoryBytes();
    for (const auto& phrases : counts_->phrases)
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
        std::optional<SideThread> phrases;
        if (withPhrases_)
            phrases.emplace([&] {
                for (int k = 2; k <= 4; ++k)
                    addPhrases(k, file);
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
            const std::uint32_t id = words.intern(StringIndex::key(word), false, false);
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
                const std::uint32_t id = lineTally.intern(keys[j], true, false);
                ++lineTally.counts[id];
                if (lineTally.lastFile[id] != file + 1) {
                    lineTally.lastFile[id] = file + 1;
                    ++lineTally.files[id];
                }
            }
        }
        c.totals.counts[int(CorpusSection::Lines)] += n;
        c.totals.fileSize += std::uint64_t(lines.textLength());
        ++c.totals.files;
        if (phrases) phrases->join();
    } catch (...) {
        broken_ = true;
        throw;
    }
}

void CorpusCounts::addPhrases(int words, std::uint32_t file) {
    Tally& tally = *counts_->phrases[words - 2];
    std::uint64_t total = 0;
    // Forms are gathered a few at a time and looked up together, so that
    // their slots are fetched from memory side by side.
    constexpr std::size_t Block = 32;
    std::string forms;
    struct Pending {
        std::size_t at, size;
        std::uint64_t count, firstWord;
    };
    std::vector<Pending> pending;
    StringIndex::Key keys[Block];
    auto flush = [&] {
        for (std::size_t j = 0; j < pending.size(); ++j) {
            keys[j] =
                StringIndex::key(std::string_view(forms).substr(pending[j].at, pending[j].size));
            tally.index.prefetch(keys[j]);
        }
        for (std::size_t j = 0; j < pending.size(); ++j) {
            const std::uint32_t id = tally.intern(keys[j], false, true);
            if (tally.files[id] == 0) {
                tally.firstFile[id] = file;
                tally.firstWord[id] = std::uint32_t(pending[j].firstWord);
            }
            tally.counts[id] += pending[j].count;
            ++tally.files[id];
        }
        pending.clear();
        forms.clear();
    };
    phraseCounter_->forEachPhrase(
        words, [&](std::string_view form, std::uint64_t count, std::uint64_t firstWord) {
            pending.push_back(Pending{forms.size(), form.size(), count, firstWord});
            forms += form;
            total += count;
            if (pending.size() == Block) flush();
        });
    flush();
    counts_->totals.counts[int(CorpusSection::Phrases2) + words - 2] += total;
}

std::unique_ptr<CorpusSource> CorpusCounts::takeSorted() {
    auto source = std::make_unique<Sorted>(std::move(counts_), settings_);
    counts_ = std::make_unique<Counts>();
    return source;
}
