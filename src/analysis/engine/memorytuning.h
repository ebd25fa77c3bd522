#pragma once

// Process-wide allocator settings for programs that analyse large texts.
namespace MemoryTuning {

// The analysis builds and frees tables of tens of megabytes one after
// another. glibc raises its mmap threshold after each such free, so later
// tables come from the heap and their memory is kept after they are
// freed; a fixed threshold hands it back at once.
void apply();

} // namespace MemoryTuning
