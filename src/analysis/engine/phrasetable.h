#pragma once

#include "analysis/engine/stringpool.h"

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

// One phrase list: the phrases that occur at least twice, in list-collation
// order, with their counts.
class PhraseTable {
public:
    std::size_t size() const { return counts_.size(); }
    // The run refuses a list longer than int counts before it is read.
    int itemCount() const { return int(counts_.size()); }
    QString phrase(int row) const { return phrases_.string(row); }
    std::string_view phraseUtf8(int row) const { return phrases_.view(row); }
    std::uint64_t count(int row) const { return counts_[row]; }

    void append(std::string_view phraseUtf8, std::uint64_t count) {
        phrases_.append(phraseUtf8);
        counts_.push_back(count);
    }
    void clear() {
        phrases_.clear();
        counts_.clear();
    }
    void reserve(std::size_t bytes, std::size_t phrases) {
        phrases_.reserve(bytes, phrases);
        HugePages::reserve(counts_, phrases);
    }

private:
    StringPool phrases_;
    std::vector<std::uint64_t> counts_;
};
