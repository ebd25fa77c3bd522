#pragma once

#include <cstddef>
#include <memory>
#include <new>

// Large buffers backed by 2 MiB pages where the kernel offers them on
// request (transparent huge pages in "madvise" mode): a text of a hundred
// megabytes and the tables counted from it then take a few hundred page
// faults instead of tens of thousands.
namespace HugePages {

// Blocks from this size on are mapped on their own and backed by huge pages.
constexpr std::size_t Threshold = std::size_t(4) << 20;

// Asks for huge pages for the whole 2 MiB pages within [data, data + size).
// Only memory not yet touched benefits.
void advise(void* data, std::size_t size);

// Makes room for n elements in a container and advises what it has not
// touched yet, so that filling a large table takes few page faults.
template <typename Container> void reserve(Container& c, std::size_t n) {
    if (n <= c.capacity()) return;
    const std::size_t used = c.size();
    c.reserve(n);
    advise(c.data() + used, (c.capacity() - used) * sizeof(*c.data()));
}

// The same, then sized to n elements.
template <typename Container> void resize(Container& c, std::size_t n) {
    reserve(c, n);
    c.resize(n);
}

// A mapping of at least `size` bytes aligned to 2 MiB, advised; throws
// std::bad_alloc when none can be had.
void* map(std::size_t size);
void unmap(void* data, std::size_t size);

// For containers of large tables: small blocks come from the usual heap.
template <typename T> struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <typename U> Allocator(const Allocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        if (n * sizeof(T) < Threshold) return std::allocator<T>().allocate(n);
        return static_cast<T*>(map(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < Threshold)
            std::allocator<T>().deallocate(p, n);
        else
            unmap(p, n * sizeof(T));
    }
    template <typename U> bool operator==(const Allocator<U>&) const noexcept { return true; }
};

} // namespace HugePages
