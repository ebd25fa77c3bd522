#include "analysis/stringindex.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

StringIndex::StringIndex(StringPool* pool, std::size_t expected) : pool_(pool) {
    std::size_t cap = std::bit_ceil(std::max<std::size_t>(16, expected * 2));
    slots_.assign(cap, Slot{0, 0, 0, 0});
    mask_ = cap - 1;
}

std::uint32_t StringIndex::intern(const Key& k) {
    const std::uint32_t tag = tagOf(k.hash, k.text.size());
    std::size_t i = std::size_t(k.hash) & mask_;
    for (;;) {
        const Slot& slot = slots_[i];
        if (slot.idPlus == 0) break;
        if (matches(slot, tag, k)) return slot.idPlus - 1;
        i = (i + 1) & mask_;
    }
    const std::size_t id = std::size_t(pool_->count());
    if (id >= 0xFFFFFFFEu) throw std::length_error("too many distinct strings");
    pool_->append(k.text);
    slots_[i] = Slot{k.head, k.head2, tag, std::uint32_t(id + 1)};
    if (++size_ * 10 > slots_.size() * 7) grow();
    return std::uint32_t(id);
}

std::uint32_t StringIndex::find(const Key& k) const {
    const std::uint32_t tag = tagOf(k.hash, k.text.size());
    for (std::size_t i = std::size_t(k.hash) & mask_;; i = (i + 1) & mask_) {
        const Slot& slot = slots_[i];
        if (slot.idPlus == 0) return NotFound;
        if (matches(slot, tag, k)) return slot.idPlus - 1;
    }
}

std::uint32_t StringIndex::internExisting(std::uint32_t id) {
    const Key k = key(pool_->view(id));
    const std::uint32_t tag = tagOf(k.hash, k.text.size());
    std::size_t i = std::size_t(k.hash) & mask_;
    for (;;) {
        const Slot& slot = slots_[i];
        if (slot.idPlus == 0) break;
        if (matches(slot, tag, k)) return slot.idPlus - 1;
        i = (i + 1) & mask_;
    }
    slots_[i] = Slot{k.head, k.head2, tag, id + 1};
    if (++size_ * 10 > slots_.size() * 7) grow();
    return id;
}

void StringIndex::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    const std::size_t cap = old.size() * 2;
    slots_.assign(cap, Slot{0, 0, 0, 0});
    mask_ = cap - 1;
    for (const Slot& s : old) {
        if (s.idPlus == 0) continue;
        std::size_t i = std::size_t(key(pool_->view(s.idPlus - 1)).hash) & mask_;
        while (slots_[i].idPlus != 0)
            i = (i + 1) & mask_;
        slots_[i] = s;
    }
}
