#include "analysis/engine/frequencytable.h"

#include "analysis/engine/analysiserror.h"

#include <stdexcept>

FrequencyTable::FrequencyTable() : pool_(std::make_shared<StringPool>()) {}

void FrequencyTable::setItems(std::shared_ptr<const StringPool> pool,
                              std::vector<std::uint32_t> keys, std::vector<std::uint64_t> counts) {
    if (std::int64_t(keys.size()) > MaxItems)
        throw AnalysisError(AnalysisError::Kind::TooManyRows, MaxItems);
    pool_ = std::move(pool);
    keys_ = std::move(keys);
    counts_ = std::move(counts);
    total_ = 0;
    for (std::uint64_t c : counts_)
        total_ += c;
}

void FrequencyTable::prefetch(int item) const {
    // Keys lie scattered in the pool when the items are sorted: its offsets
    // are fetched first, the bytes a few items later.
    constexpr int Ahead = 8;
    if (item >= 0 && item < int(keys_.size())) pool_->prefetchOffset(keys_[item]);
    const int near = item - Ahead;
    if (near >= 0 && near < int(keys_.size())) pool_->prefetchBytes(keys_[near]);
}
