#include "analysis/stringindex.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace {

// Ids are 32-bit, and the index is at most half full.
constexpr std::size_t MaxSlots = std::size_t(1) << 33;

std::size_t capacityFor(std::size_t strings) {
    const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(16, strings + strings / 2 + 1));
    if (wanted > MaxSlots) throw std::length_error("too many distinct strings");
    return wanted;
}

} // namespace

StringIndex::StringIndex(StringPool* pool, std::size_t expected) : pool_(pool) {
    const std::size_t cap = capacityFor(expected);
    slots_.assign(cap, Slot{});
    mask_ = cap - 1;
}

std::uint32_t StringIndex::intern(const Key& k) {
    const std::size_t at = slotOf(k);
    if (slots_[at].idPlus) return slots_[at].idPlus - 1;
    const std::size_t id = std::size_t(pool_->count());
    if (id >= 0xFFFFFFFEu) throw std::length_error("too many distinct strings");
    pool_->append(k.text);
    place(at, k, std::uint32_t(id));
    return std::uint32_t(id);
}

std::uint32_t StringIndex::find(const Key& k) const {
    const Slot& slot = slots_[slotOf(k)];
    return slot.idPlus ? slot.idPlus - 1 : NotFound;
}

std::uint32_t StringIndex::internExisting(std::uint32_t id, const Key& k) {
    const std::size_t at = slotOf(k);
    if (slots_[at].idPlus) return slots_[at].idPlus - 1;
    place(at, k, id);
    return id;
}

void StringIndex::place(std::size_t at, const Key& k, std::uint32_t id) {
    slots_[at] = Slot{tagOf(k), id + 1, k.head};
    if (++size_ * 10 > slots_.size() * 7) resize(slots_.size() * 2);
}

void StringIndex::reserve(std::size_t strings) {
    const std::size_t cap = capacityFor(strings);
    if (cap > slots_.size()) resize(cap);
}

void StringIndex::resize(std::size_t capacity) {
    if (capacity > MaxSlots) throw std::length_error("too many distinct strings");
    std::vector<Slot> old(capacity, Slot{});
    old.swap(slots_);
    mask_ = capacity - 1;
    // Up to 2^24 slots the tag holds the hash bits that place a string.
    const bool tagPlaces = capacity <= (std::size_t(1) << TagHashBits);
    for (const Slot& s : old) {
        if (s.idPlus == 0) continue;
        std::size_t i =
            tagPlaces ? s.tag & mask_ : std::size_t(key(pool_->view(s.idPlus - 1)).hash) & mask_;
        while (slots_[i].idPlus != 0)
            i = (i + 1) & mask_;
        slots_[i] = s;
    }
}
