#pragma once

#include "analysis/engine/stringpool.h"
#include "text/hugepages.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// Open-addressing hash index over the strings of a StringPool: finds the id
// of a string in expected constant time, adding it when it is new.
//
// A slot holds the id, the string's length, 24 bits of its hash and its
// first eight bytes: a short string is recognised without a visit to the
// pool, and the index grows without visiting the strings. Past two million
// slots, where nearly every string is new (logs, numbered records), slots
// shrink to the id and 32 bits of the hash, halving the index.
class StringIndex {
public:
    // The index adds new strings to `pool`, which must outlive it.
    // Past `wideSlotsUpTo` slots they shrink to eight bytes; lowered by tests.
    explicit StringIndex(StringPool* pool, std::size_t expected = 1024,
                         std::size_t wideSlotsUpTo = std::size_t(1) << 21);

    // A string prepared for lookups.
    struct Key {
        std::string_view text;
        std::uint64_t hash = 0;
        std::uint64_t head = 0; // the first eight bytes, zero padded
    };

    static Key key(std::string_view s) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data());
        const std::size_t n = s.size();
        const std::uint64_t head = loadUpTo8(p, n < 8 ? n : 8);
        std::uint64_t head2 = 0;
        if (n > 8) head2 = n >= 16 ? load64(p + 8) : load64(p + n - 8) >> (8 * (16 - n));
        std::uint64_t h = (head ^ (n * 0xFF51AFD7ED558CCDULL)) * 0xBF58476D1CE4E5B9ULL;
        h = (h ^ (h >> 29) ^ head2) * 0x94D049BB133111EBULL;
        for (std::size_t at = 16; at < n; at += 8) {
            const std::size_t left = n - at;
            h = (h ^ (left >= 8 ? load64(p + at) : loadUpTo8(p + at, left))) *
                0xBF58476D1CE4E5B9ULL;
            h ^= h >> 29;
        }
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ULL;
        h ^= h >> 32;
        return Key{s, h, head};
    }

    static constexpr std::uint32_t NotFound = 0xFFFFFFFFu;
    // The id of the string, or NotFound.
    std::uint32_t find(const Key& k) const;

    // The id of the string, appending it to the pool when it is new.
    std::uint32_t intern(std::string_view s) { return intern(key(s)); }
    std::uint32_t intern(const Key& k);
    // For a string already in the pool at `id`: the id of the first string
    // equal to it, registering `id` when none was seen before.
    std::uint32_t internExisting(std::uint32_t id) {
        return internExisting(id, key(pool_->view(id)));
    }
    // The same, with the string's key computed already.
    std::uint32_t internExisting(std::uint32_t id, const Key& k);

    // Hints the memory a lookup of hash h will touch.
    void prefetch(const Key& k) const {
        const std::size_t i = std::size_t(k.hash) & mask_;
        if (slim_)
            __builtin_prefetch(&slimSlots_[i]);
        else
            __builtin_prefetch(&slots_[i]);
    }

    std::size_t size() const { return size_; }
    // The bytes its slots hold on to.
    std::size_t memoryBytes() const {
        return slots_.capacity() * sizeof(Slot) + slimSlots_.capacity() * sizeof(SlimSlot);
    }
    // Makes room for this many strings in all, so that the index need not
    // grow on the way.
    void reserve(std::size_t strings);
    // Empties the index and gives its memory back; the pool is untouched.
    void release() {
        slots_ = decltype(slots_)(16, Slot{});
        slimSlots_ = decltype(slimSlots_)();
        slim_ = false;
        mask_ = 15;
        size_ = 0;
    }

private:
    struct Slot {
        std::uint32_t tag = 0;    // length (capped at 255) and the hash's low 24 bits
        std::uint32_t idPlus = 0; // id + 1; 0 marks an empty slot
        std::uint64_t head = 0;
    };
    static constexpr std::size_t TagHashBits = 24;
    static std::uint32_t tagOf(const Key& k) {
        const std::size_t n = k.text.size();
        return std::uint32_t(n < 255 ? n : 255) << TagHashBits |
               std::uint32_t(k.hash & ((1u << TagHashBits) - 1));
    }
    static std::uint64_t load64(const unsigned char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
    static std::uint64_t load32(const unsigned char* p) {
        std::uint32_t w;
        std::memcpy(&w, p, 4);
        return w;
    }
    // The n (at most 8) bytes at p, zero padded, without reading past them.
    static std::uint64_t loadUpTo8(const unsigned char* p, std::size_t n) {
        if (n >= 8) return load64(p);
        if (n >= 4) return load32(p) | load32(p + n - 4) << (8 * (n - 4));
        if (n == 0) return 0;
        return p[0] | std::uint64_t(p[n / 2]) << (8 * (n / 2)) |
               std::uint64_t(p[n - 1]) << (8 * (n - 1));
    }
    struct SlimSlot {
        std::uint32_t hash = 0;   // the hash's low 32 bits
        std::uint32_t idPlus = 0; // id + 1; 0 marks an empty slot
    };

    bool matches(const Slot& slot, const Key& k) const {
        return slot.tag == tagOf(k) && slot.head == k.head &&
               (k.text.size() <= 8 || pool_->view(slot.idPlus - 1) == k.text);
    }
    bool matches(const SlimSlot& slot, const Key& k) const {
        return slot.hash == std::uint32_t(k.hash) && pool_->view(slot.idPlus - 1) == k.text;
    }
    static Slot slotFor(const Key& k, std::uint32_t id, Slot*) {
        return Slot{tagOf(k), id + 1, k.head};
    }
    static SlimSlot slotFor(const Key& k, std::uint32_t id, SlimSlot*) {
        return SlimSlot{std::uint32_t(k.hash), id + 1};
    }
    // The slot holding the string, or the empty slot where it belongs.
    template <typename Table> std::size_t slotOf(const Table& table, const Key& k) const {
        std::size_t i = std::size_t(k.hash) & mask_;
        while (table[i].idPlus != 0 && !matches(table[i], k))
            i = (i + 1) & mask_;
        return i;
    }
    // The id of the string, registering it as `id` when new, or as a new
    // string of the pool when `id` is NotFound.
    template <typename Table> std::uint32_t internIn(Table& table, const Key& k, std::uint32_t id);
    void resize(std::size_t capacity);

    StringPool* pool_;
    std::vector<Slot, HugePages::Allocator<Slot>> slots_;
    std::vector<SlimSlot, HugePages::Allocator<SlimSlot>> slimSlots_;
    bool slim_ = false;
    std::size_t wideSlotsUpTo_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};
