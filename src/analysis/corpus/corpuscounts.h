#pragma once

#include "analysis/corpus/corpusstream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ListCollator;
class PhraseCounter;
class TextLines;

// The counts of a run of files, added up in memory: characters, words and
// lines by their exact text, phrase classes by the form each file first
// showed, each with its count and the number of files it occurs in.
// Nothing is sorted until the counts are handed over.
class CorpusCounts {
public:
    // Counts by the settings' word characters and collation. Without
    // phrases, only what the Overview shows is counted.
    explicit CorpusCounts(const CorpusSettings& settings, bool withPhrases = true);
    ~CorpusCounts();
    CorpusCounts(const CorpusCounts&) = delete;
    CorpusCounts& operator=(const CorpusCounts&) = delete;

    // Counts one file's lines, read as a single-file run reads them. A file
    // that cannot be counted (a limit of the engine, no memory for its own
    // tables) throws before anything is added. A throw while its counts are
    // added leaves the counts unusable: broken() says so.
    void addText(const TextLines& lines);
    bool broken() const { return broken_; }

    std::uint64_t files() const;
    // About how much memory the counts take.
    std::size_t memoryBytes() const;

    // Hands the counts over as a source in table order and starts afresh.
    // Each section is sorted when the source reaches it and freed when it
    // moves on.
    std::unique_ptr<CorpusSource> takeSorted();

private:
    struct Counts;
    class Sorted;
    // The run's phrase word of each of the counted file's words.
    std::vector<std::uint32_t> runWords();
    void addPhrases(int words, std::uint32_t file, const std::vector<std::uint32_t>& runWord);
    CorpusSettings settings_;
    bool withPhrases_;
    bool broken_ = false;
    std::unique_ptr<Counts> counts_;
    std::unique_ptr<ListCollator> phraseCollator_;
    std::unique_ptr<PhraseCounter> phraseCounter_;
};
