#pragma once

#include "analysis/stringpool.h"
#include "analysis/texttable.h"

#include <cstdint>
#include <vector>

// One phrase list: the phrases that occur at least twice, in list-collation
// order, with their counts. No header row.
class PhraseTable : public TextTable {
public:
    // The run refuses a list longer than TextTable::MaxRows before it is read.
    int rowCount() const override { return int(counts_.size()); }
    std::size_t size() const { return counts_.size(); }
    int columnCount() const override { return 2; }
    QString cell(int row, int column) const override {
        return column == 0 ? phrases_.string(row) : QString::number(counts_[row]);
    }

    bool appendCellUtf8(int row, int column, QByteArray& out) const override {
        if (column == 0) return StringPool::appendUtf8(phrases_.view(row), out);
        out.append(QByteArray::number(qulonglong(counts_[row])));
        return true;
    }

    QString phrase(int row) const { return phrases_.string(row); }
    std::uint64_t count(int row) const { return counts_[row]; }

    void append(std::string_view phraseUtf8, std::uint64_t count) {
        phrases_.append(phraseUtf8);
        counts_.push_back(count);
    }
    void clear() {
        phrases_.clear();
        counts_.clear();
    }

private:
    StringPool phrases_;
    std::vector<std::uint64_t> counts_;
};
