#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

// The order in which a table's rows show: the table's own (collation)
// order, or sorted by a column. Sorting by the item column is that order or
// its reverse, with no comparison; sorting by counts is stable, ties keeping
// the table's order.
class RowOrder {
public:
    bool isDefault() const { return items_.empty(); }
    // The table's item shown in `row`.
    int item(int row) const { return items_.empty() ? row : items_[std::size_t(row)]; }
    // Row by row, the items; empty in the table's order.
    const std::vector<int>& items() const { return items_; }

    void reset() { items_ = {}; }
    void byItem(int count, bool descending) {
        reset();
        if (!descending) return;
        items_.resize(std::size_t(count));
        std::iota(items_.rbegin(), items_.rend(), 0);
    }
    template <typename CountOf> void byCount(int count, bool descending, CountOf countOf) {
        items_.resize(std::size_t(count));
        std::iota(items_.begin(), items_.end(), 0);
        std::vector<unsigned long long> counts(items_.size());
        for (int i = 0; i < count; ++i)
            counts[std::size_t(i)] = countOf(i);
        std::stable_sort(items_.begin(), items_.end(), [&](int a, int b) {
            return descending ? counts[std::size_t(a)] > counts[std::size_t(b)]
                              : counts[std::size_t(a)] < counts[std::size_t(b)];
        });
    }

private:
    std::vector<int> items_;
};
