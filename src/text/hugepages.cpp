#include "text/hugepages.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

constexpr std::uintptr_t Page = std::uintptr_t(2) << 20;

std::size_t roundUp(std::size_t size) {
    return (size + Page - 1) & ~(Page - 1);
}

} // namespace

void HugePages::advise(void* data, std::size_t size) {
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + Page - 1) & ~(Page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(Page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void* HugePages::map(std::size_t size) {
    // Mapped with a page to spare, then trimmed to a 2 MiB boundary: huge
    // pages only back aligned ranges.
    const std::size_t length = roundUp(size);
    void* raw = mmap(nullptr, length + Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const auto aligned = (start + Page - 1) & ~(Page - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t tail = start + length + Page - (aligned + length);
    if (tail) munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* data = reinterpret_cast<void*>(aligned);
    madvise(data, length, MADV_HUGEPAGE);
    return data;
}

void HugePages::unmap(void* data, std::size_t size) {
    munmap(data, roundUp(size));
}
