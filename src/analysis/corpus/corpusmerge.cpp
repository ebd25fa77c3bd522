#include "analysis/corpus/corpusmerge.h"

#include <cstdint>
#include <string>

namespace {

std::uint64_t keyPrefix(std::string_view key) {
    std::uint64_t v = 0;
    for (std::size_t k = 0; k < 8; ++k)
        v = v << 8 | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
    return v;
}

// The current entry of every source, in a tree of losers: the root holds
// the source whose entry comes first, and replacing it costs one
// comparison per level.
class Tournament {
public:
    Tournament(const std::vector<CorpusSource*>& sources, CorpusSection section)
        : sources_(sources), section_(section), k_(sources.size()), entries_(k_), prefixes_(k_),
          done_(k_, false), losers_(k_ > 0 ? k_ : 1) {
        for (std::size_t i = 0; i < k_; ++i)
            advance(i);
        // Winners of each subtree, leaves at k..2k-1.
        std::vector<std::size_t> winners(2 * k_);
        for (std::size_t i = 0; i < k_; ++i)
            winners[k_ + i] = i;
        for (std::size_t node = k_ - 1; node >= 1 && k_ > 1; --node) {
            const std::size_t a = winners[2 * node], b = winners[2 * node + 1];
            const bool first = beats(a, b);
            winners[node] = first ? a : b;
            losers_[node] = first ? b : a;
        }
        losers_[0] = k_ > 1 ? winners[1] : 0;
    }

    bool empty() const { return k_ == 0 || done_[losers_[0]]; }
    std::size_t top() const { return losers_[0]; }
    const CorpusEntry& entry(std::size_t i) const { return entries_[i]; }

    // Moves the top source on and finds the next top.
    void pop() {
        std::size_t winner = losers_[0];
        advance(winner);
        for (std::size_t node = (winner + k_) / 2; node >= 1; node /= 2) {
            if (beats(losers_[node], winner)) std::swap(losers_[node], winner);
        }
        losers_[0] = winner;
    }

private:
    void advance(std::size_t i) {
        if (done_[i]) return;
        if (sources_[i]->next(entries_[i]))
            prefixes_[i] = keyPrefix(entries_[i].key);
        else
            done_[i] = true;
    }
    bool beats(std::size_t a, std::size_t b) const {
        if (done_[a]) return false;
        if (done_[b]) return true;
        if (prefixes_[a] != prefixes_[b]) return prefixes_[a] < prefixes_[b];
        const int c = CorpusOrder::compare(section_, entries_[a], entries_[b]);
        return c != 0 ? c < 0 : a < b;
    }

    const std::vector<CorpusSource*>& sources_;
    CorpusSection section_;
    std::size_t k_;
    std::vector<CorpusEntry> entries_;
    std::vector<std::uint64_t> prefixes_;
    std::vector<bool> done_;
    std::vector<std::size_t> losers_;
};

// The entry being summed, held in its own strings while the sources move on.
struct Sum {
    std::string key, text;
    CorpusEntry entry;

    void take(const CorpusEntry& e, std::uint64_t firstFile) {
        key.assign(e.key);
        text.assign(e.text);
        entry = e;
        entry.firstFile = firstFile;
        entry.key = key;
        entry.text = text;
    }
};

} // namespace

namespace CorpusMerge {

CorpusHeader header(const std::vector<CorpusSource*>& sources) {
    CorpusHeader merged;
    if (sources.empty()) return merged;
    merged.settings = sources.front()->header().settings;
    for (const CorpusSource* source : sources)
        merged.totals += source->header().totals;
    return merged;
}

void merge(const std::vector<CorpusSource*>& sources, CorpusSink& sink) {
    sink.begin(header(sources));
    // A source's file numbers follow those of the sources before it.
    std::vector<std::uint64_t> firstFiles;
    std::uint64_t files = 0;
    for (const CorpusSource* source : sources) {
        firstFiles.push_back(files);
        files += source->header().totals.files;
    }
    for (int s = 0; s < CorpusSections; ++s) {
        const auto section = CorpusSection(s);
        const bool phrases = isPhraseSection(section);
        sink.beginSection(section);
        for (CorpusSource* source : sources)
            source->beginSection(section);
        if (sources.size() == 1) {
            // Nothing to add up: a source hands each item over once.
            CorpusEntry e;
            while (sources.front()->next(e))
                sink.add(e);
            sink.endSection(section);
            continue;
        }
        Tournament tournament(sources, section);
        Sum sum;
        bool summing = false;
        while (!tournament.empty()) {
            const std::size_t i = tournament.top();
            const CorpusEntry& e = tournament.entry(i);
            const std::uint64_t firstFile = firstFiles[i] + e.firstFile;
            if (summing && CorpusOrder::compare(section, sum.entry, e) == 0) {
                sum.entry.count += e.count;
                sum.entry.files += e.files;
                if (phrases &&
                    (firstFile < sum.entry.firstFile ||
                     (firstFile == sum.entry.firstFile && e.firstWord < sum.entry.firstWord))) {
                    sum.text.assign(e.text);
                    sum.entry.text = sum.text;
                    sum.entry.firstFile = firstFile;
                    sum.entry.firstWord = e.firstWord;
                }
            } else {
                if (summing) sink.add(sum.entry);
                sum.take(e, firstFile);
                summing = true;
            }
            tournament.pop();
        }
        if (summing) sink.add(sum.entry);
        sink.endSection(section);
    }
    sink.finish();
}

} // namespace CorpusMerge
