#include "platform/MemoryArenas.h"

#include <malloc.h>

namespace memory_arenas {
void limit() {
    (void)mallopt(M_ARENA_MAX, 1);
    (void)mallopt(M_MMAP_THRESHOLD, kOwnPagesFrom);
    (void)mallopt(M_TRIM_THRESHOLD, kKeptAtTheEnd);
}
}  // namespace memory_arenas
