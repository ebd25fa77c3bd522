#include "analysis/engine/stringindex.h"

#include "analysis/engine/analysiserror.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace {

// Ids are 32-bit, and the index is at most half full.
constexpr std::size_t MaxSlots = std::size_t(1) << 33;

std::size_t capacityFor(std::size_t strings) {
    const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(16, strings + strings / 2 + 1));
    if (wanted > MaxSlots) throw AnalysisError(AnalysisError::Kind::TooManyWords, qint64(0xFFFFFFFEu));
    return wanted;
}

} // namespace

StringIndex::StringIndex(StringPool* pool, std::size_t expected, std::size_t wideSlotsUpTo)
    : pool_(pool), wideSlotsUpTo_(std::min(wideSlotsUpTo, std::size_t(1) << TagHashBits)) {
    slots_.assign(16, Slot{});
    mask_ = 15;
    reserve(expected);
}

template <typename Table>
std::uint32_t StringIndex::internIn(Table& table, const Key& k, std::uint32_t id) {
    const std::size_t at = slotOf(table, k);
    if (table[at].idPlus) return table[at].idPlus - 1;
    if (id == NotFound) {
        const std::size_t next = std::size_t(pool_->count());
        if (next >= 0xFFFFFFFEu) throw AnalysisError(AnalysisError::Kind::TooManyWords, qint64(0xFFFFFFFEu));
        pool_->append(k.text);
        id = std::uint32_t(next);
    }
    table[at] = slotFor(k, id, static_cast<typename Table::value_type*>(nullptr));
    if (++size_ * 10 > table.size() * 7) resize(table.size() * 2);
    return id;
}

std::uint32_t StringIndex::intern(const Key& k) {
    return slim_ ? internIn(slimSlots_, k, NotFound) : internIn(slots_, k, NotFound);
}

std::uint32_t StringIndex::internExisting(std::uint32_t id, const Key& k) {
    return slim_ ? internIn(slimSlots_, k, id) : internIn(slots_, k, id);
}

std::uint32_t StringIndex::find(const Key& k) const {
    const std::uint32_t idPlus =
        slim_ ? slimSlots_[slotOf(slimSlots_, k)].idPlus : slots_[slotOf(slots_, k)].idPlus;
    return idPlus ? idPlus - 1 : NotFound;
}

void StringIndex::reserve(std::size_t strings) {
    const std::size_t cap = capacityFor(strings);
    if (cap > mask_ + 1) resize(cap);
}

void StringIndex::resize(std::size_t capacity) {
    if (capacity > MaxSlots) throw AnalysisError(AnalysisError::Kind::TooManyWords, qint64(0xFFFFFFFEu));
    mask_ = capacity - 1;
    auto place = [this](auto& table, const auto& slot, std::size_t hash) {
        std::size_t i = hash & mask_;
        while (table[i].idPlus != 0)
            i = (i + 1) & mask_;
        table[i] = slot;
    };
    if (slim_) {
        std::vector<SlimSlot, HugePages::Allocator<SlimSlot>> old(capacity);
        old.swap(slimSlots_);
        for (const SlimSlot& s : old)
            if (s.idPlus) place(slimSlots_, s, s.hash);
    } else if (capacity > wideSlotsUpTo_) {
        // Wide table keep too few hash bits: each string is hashed again,
        // once.
        std::vector<SlimSlot, HugePages::Allocator<SlimSlot>> slim(capacity);
        for (const Slot& s : slots_) {
            if (!s.idPlus) continue;
            const std::uint64_t hash = key(pool_->view(s.idPlus - 1)).hash;
            place(slim, SlimSlot{std::uint32_t(hash), s.idPlus}, hash);
        }
        slots_ = decltype(slots_)();
        slimSlots_.swap(slim);
        slim_ = true;
    } else {
        // Up to here the tag holds the hash bits that place a string.
        std::vector<Slot, HugePages::Allocator<Slot>> old(capacity);
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.idPlus) place(slots_, s, s.tag);
    }
}
