#include "analysis/engine/memorytuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void MemoryTuning::apply() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}
