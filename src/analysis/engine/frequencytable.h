#pragma once

#include "analysis/engine/stringpool.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

// A Character, Word or Line table: one item per distinct character, word or
// line, in list-collation order, with its count. Keys stay in the pool they
// were counted in.
class FrequencyTable {
public:
    // Views count rows in int, and a table shown or exported adds a header.
    static constexpr std::int64_t MaxItems = std::numeric_limits<int>::max() - 1;

    FrequencyTable();

    // keys[i] indexes the pool; counts[i] is that item's count. Items are
    // already in their final order.
    void setItems(std::shared_ptr<const StringPool> pool, std::vector<std::uint32_t> keys,
                  std::vector<std::uint64_t> counts);

    int itemCount() const { return int(keys_.size()); }
    QString key(int item) const { return pool_->string(keys_[item]); }
    std::string_view keyUtf8(int item) const { return pool_->view(keys_[item]); }
    std::uint64_t count(int item) const { return counts_[item]; }
    // The sum of the counts.
    std::uint64_t total() const { return total_; }
    // The item's share of the total, in per cent.
    double percent(int item) const { return double(counts_[item]) * 100.0 / double(total_); }

    // Hints that the item will be read soon, so that a reader walking the
    // table waits less for memory.
    void prefetch(int item) const;

private:
    std::shared_ptr<const StringPool> pool_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint64_t> counts_;
    std::uint64_t total_ = 0;
};
