#pragma once

#include "stringpool.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// Open-addressing hash index over the strings of a StringPool: finds the id
// of a string in expected constant time, adding it when it is new.
class StringIndex {
public:
    // The index adds new strings to `pool`, which must outlive it.
    explicit StringIndex(StringPool* pool, std::size_t expected = 1024);

    static std::uint64_t hash(std::string_view s) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data());
        std::size_t n = s.size();
        std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ (n * 0xFF51AFD7ED558CCDULL);
        while (n >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ULL;
            h ^= h >> 29;
            p += 8;
            n -= 8;
        }
        if (n) {
            std::uint64_t w = 0;
            for (std::size_t i = 0; i < n; ++i)
                w |= std::uint64_t(p[i]) << (8 * i);
            h = (h ^ w) * 0x94D049BB133111EBULL;
        }
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ULL;
        h ^= h >> 32;
        return h;
    }

    // The id of s, appending it to the pool when it is new.
    std::uint32_t intern(std::string_view s) { return intern(s, hash(s)); }
    std::uint32_t intern(std::string_view s, std::uint64_t h);
    // For a string already in the pool at `id`: the id of the first string
    // equal to it, registering `id` when none was seen before.
    std::uint32_t internExisting(std::uint32_t id);

    // Hints the memory a lookup of hash h will touch.
    void prefetch(std::uint64_t h) const { __builtin_prefetch(&slots_[std::size_t(h) & mask_]); }

    std::size_t size() const { return size_; }
    // Empties the index and gives its memory back; the pool is untouched.
    void release() {
        slots_ = std::vector<Slot>(16, Slot{0, 0, 0, 0});
        mask_ = 15;
        size_ = 0;
    }
    std::size_t memoryUsage() const { return slots_.capacity() * sizeof(Slot); }

private:
    // Short strings are recognised from the slot alone, without a visit
    // to the pool.
    struct Slot {
        std::uint64_t head;   // the string's first 8 bytes, zero padded
        std::uint64_t head2;  // the next 8
        std::uint32_t tag;    // length (capped) and 24 bits of the hash
        std::uint32_t idPlus; // id + 1; 0 marks an empty slot
    };
    static std::uint32_t tagOf(std::uint64_t h, std::size_t size) {
        return std::uint32_t(size < 255 ? size : 255) << 24 | std::uint32_t(h >> 40);
    }
    static std::uint64_t headOf(std::string_view s, std::size_t from = 0) {
        std::uint64_t w = 0;
        if (s.size() > from)
            std::memcpy(&w, s.data() + from, s.size() - from < 8 ? s.size() - from : 8);
        return w;
    }
    bool matches(const Slot& slot, std::uint32_t tag, std::uint64_t head, std::uint64_t head2,
                 std::string_view s) const {
        if (slot.tag != tag || slot.head != head || slot.head2 != head2) return false;
        return s.size() <= 16 || pool_->view(slot.idPlus - 1) == s;
    }
    void grow();

    StringPool* pool_;
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};
